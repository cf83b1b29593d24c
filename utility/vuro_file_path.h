#pragma once
// The user's application-data folder, looked up in the order that the folder mode
// selects (registry value "FolderMode" of Software\Halvane\VURO\23.0, current user first,
// then local machine):
//   0  no method of its own          3  the environment variable APPDATA
//   1  "AppData" of the shell folders 4  APPDATA unless inside the system directory
//   2  "ImageAppDataFolder"           5  the low-integrity application-data folder
// When the mode's method fails, the application-data folder of the system follows, then
// that of the older shell-folder library.
#include <memory>
#include <string>

namespace utility {

// The mode of this process, determined on first use and then kept.
int folder_mode();
// Determines the mode from the registry now, without the cache.
int determine_folder_mode();

class VuroFilePath {
public:
    // The longest path held: the platform's own limit (on Windows the 520 units of the
    // folder lookup's buffer). A longer one is never stored, and never cut.
    static std::size_t max_length();

    VuroFilePath();
    virtual ~VuroFilePath();
    VuroFilePath(const VuroFilePath&) = delete;
    VuroFilePath& operator=(const VuroFilePath&) = delete;

    // 0 on success, non-zero on failure; uses folder_mode() or the given mode.
    int resolve_app_data();
    int resolve_app_data(int mode);

    // Appends with exactly one "/" between the path and `sub_folder`; an unset path becomes
    // `sub_folder`. False, with the path unchanged, when the result would be too long.
    bool append(const std::u16string& sub_folder);

    bool is_set() const { return path_ != nullptr; }
    // Empty while unset.
    std::u16string path() const { return path_ ? *path_ : std::u16string(); }

private:
    bool store(const std::u16string& path);
    bool try_mode(int mode);
    bool from_registry(const std::u16string& key, const std::u16string& name);
    bool from_environment(bool outside_system_directory);

    std::unique_ptr<std::u16string> path_;
};

// Resolves `path` and appends `sub_folder`; true on success.
bool get_product_data_folder(VuroFilePath& path, const std::u16string& sub_folder);

}  // namespace utility
