#include "utility/vuro_file_path.h"

#include <cstdint>
#include <vector>

#include "platform/known_folders.h"
#include "platform/path_convention.h"
#include "platform/registry_hive.h"
#include "platform/registry_store.h"

namespace utility {
namespace {

constexpr char16_t product_key[] = u"Software\\Halvane\\VURO\\23.0";
constexpr char16_t shell_folders_key[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr int highest_mode = 5;
constexpr std::size_t lookup_buffer_units = 260;  // including the terminating NUL
constexpr int failure = 1;

bool query(platform::registry_root root, const std::u16string& key, const std::u16string& name,
           std::uint32_t& type, std::vector<std::uint8_t>& data) {
    const auto opened = platform::registry_key::open(root, key);
    return opened && opened->query(name, type, data);
}

// A REG_DWORD read into a 4-byte buffer: a longer value does not fit.
bool query_folder_mode(platform::registry_root root, std::uint32_t& value) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!query(root, product_key, u"FolderMode", type, data) ||
        type != platform::registry_type::dword || data.size() > 4)
        return false;
    value = 0;
    for (std::size_t i = 0; i < data.size(); ++i) value |= std::uint32_t{data[i]} << (8 * i);
    return true;
}

bool starts_with_no_case(const std::u16string& text, const std::u16string& prefix) {
    return text.size() >= prefix.size() &&
           platform::registry_fold_case(text.substr(0, prefix.size())) ==
               platform::registry_fold_case(prefix);
}

// Inside the folder: the folder itself or below it, not a sibling that shares its prefix.
bool is_separator(char16_t unit) {
    return unit == u'/' || (unit == u'\\' && platform::backslash_separates_folders());
}

bool is_inside(const std::u16string& path, std::u16string folder) {
    while (folder.size() > 1 && is_separator(folder.back())) folder.pop_back();
    return starts_with_no_case(path, folder) &&
           (path.size() == folder.size() || is_separator(path[folder.size()]) ||
            is_separator(folder.back()));
}

}  // namespace

int determine_folder_mode() {
    std::uint32_t value = 0;
    const bool taken = query_folder_mode(platform::registry_root::current_user, value) ||
                       query_folder_mode(platform::registry_root::local_machine, value);
    if (taken && value <= highest_mode) return static_cast<int>(value);
    return platform::is_nt_family() ? 4 : 1;
}

int folder_mode() {
    static const int mode = determine_folder_mode();
    return mode;
}

std::size_t VuroFilePath::max_length() { return platform::max_path_length(); }

VuroFilePath::VuroFilePath() = default;
VuroFilePath::~VuroFilePath() = default;

bool VuroFilePath::store(const std::u16string& path) {
    if (path.size() > max_length()) return false;
    if (!path_) path_ = std::make_unique<std::u16string>();
    *path_ = path;
    return true;
}

bool VuroFilePath::from_registry(const std::u16string& key, const std::u16string& name) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    if (!query(platform::registry_root::current_user, key, name, type, data) ||
        type != platform::registry_type::sz || data.size() > lookup_buffer_units * 2)
        return false;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (unit == u'\0') break;
        text.push_back(unit);
    }
    // An empty value is no folder: the fallbacks run instead of the lookup failing outright.
    return !text.empty() && store(text);
}

bool VuroFilePath::from_environment(bool outside_system_directory) {
    const std::u16string unexpanded = u"%APPDATA%";
    std::u16string expanded;
    if (!platform::environment_variable("APPDATA", expanded)) expanded = unexpanded;
    if (expanded.size() >= lookup_buffer_units || !store(expanded)) return false;
    if (expanded.empty() || platform::registry_fold_case(expanded) == unexpanded) return false;
    return !outside_system_directory || !is_inside(expanded, platform::system_directory());
}

bool VuroFilePath::try_mode(int mode) {
    std::u16string found;
    switch (mode) {
        case 1: return from_registry(shell_folders_key, u"AppData");
        case 2: return from_registry(product_key, u"ImageAppDataFolder");
        case 3: return from_environment(false);
        case 4: return from_environment(true);
        case 5: return platform::local_app_data_low_folder(found) && store(found);
        default: return false;
    }
}

int VuroFilePath::resolve_app_data() { return resolve_app_data(folder_mode()); }

int VuroFilePath::resolve_app_data(int mode) {
    std::u16string found;
    const bool resolved = try_mode(mode) ||
                          (platform::application_data_folder(true, found) && store(found)) ||
                          (platform::legacy_application_data_folder(found) && store(found));
    if (!path_ || path_->empty()) return failure;
    return resolved ? 0 : failure;
}

bool VuroFilePath::append(const std::u16string& sub_folder) {
    if (!path_) return store(sub_folder);
    std::u16string joined = *path_;
    if (joined.empty() || joined.back() != u'/') joined.push_back(u'/');
    joined += !sub_folder.empty() && sub_folder.front() == u'/' ? sub_folder.substr(1) : sub_folder;
    return store(joined);
}

bool get_product_data_folder(VuroFilePath& path, const std::u16string& sub_folder) {
    return path.resolve_app_data() == 0 && path.append(sub_folder);
}

}  // namespace utility
