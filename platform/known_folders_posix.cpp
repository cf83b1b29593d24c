#include "platform/known_folders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/text_codec.h"

namespace platform {

std::string home_folder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return found->pw_dir;
    return {};
}

namespace {

std::string data_home() {
    const char* value = std::getenv("XDG_DATA_HOME");
    if (value != nullptr && value[0] == '/') return value;
    const std::string home = home_folder();
    return home.empty() ? std::string() : home + "/.local/share";
}

bool is_folder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool make_folders(const std::string& path) {
    if (path.empty() || is_folder(path)) return !path.empty();
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !make_folders(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && is_folder(path));
}

}  // namespace

bool environment_variable(const char* name, std::u16string& value) {
    const char* bytes = std::getenv(name);
    if (bytes == nullptr) return false;
    return bytes_to_utf16(code_page::utf8, bytes, value);
}

bool is_path_separator(char16_t unit) { return unit == u'/'; }

std::u16string system_directory() { return u"/usr"; }

bool is_nt_family() { return true; }

bool local_app_data_low_folder(std::u16string&) { return false; }

bool application_data_folder(bool create, std::u16string& path) {
    std::string folder = data_home();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || !(create ? make_folders(folder) : is_folder(folder))) return false;
    return bytes_to_utf16(code_page::utf8, folder, path);
}

bool legacy_application_data_folder(std::u16string&) { return false; }

}  // namespace platform
