#include "platform/folder_tree_posix.h"

#include <cerrno>
#include <sys/stat.h>

namespace platform {

bool is_folder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool make_folder_tree(const std::string& path) {
    if (path.empty() || is_folder(path)) return !path.empty();
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !make_folder_tree(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && is_folder(path));
}

}  // namespace platform
