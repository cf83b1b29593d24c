#include "platform/known_folders.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include "platform/folder_tree_posix.h"
#include "platform/text_codec.h"

namespace platform {

std::string home_folder() {
    const char* home = std::getenv("HOME");
    // A relative HOME would put the user's files wherever the program was started.
    if (home != nullptr && home[0] != '\0') return home[0] == '/' ? home : std::string();
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir[0] == '/')
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

}  // namespace

bool environment_variable(const char* name, std::u16string& value) {
    const char* bytes = std::getenv(name);
    if (bytes == nullptr) return false;
    return bytes_to_utf16(code_page::utf8, bytes, value);
}

// PATH_MAX counts the terminating NUL; a path of that many UTF-8 bytes has no more UTF-16
// units than bytes.
std::size_t max_path_length() { return PATH_MAX - 1; }

std::u16string system_directory() { return u"/usr"; }

bool is_nt_family() { return true; }

bool local_app_data_low_folder(std::u16string&) { return false; }

bool application_data_folder(bool create, std::u16string& path) {
    std::string folder = data_home();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty() || !(create ? make_folder_tree(folder) : is_folder(folder))) return false;
    return bytes_to_utf16(code_page::utf8, folder, path);
}

bool legacy_application_data_folder(std::u16string&) { return false; }

}  // namespace platform
