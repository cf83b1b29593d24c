#include "utility/data_folder.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "utility/text_conversion.h"
#include "utility/vuro_file_path.h"

namespace utility {
namespace {

constexpr char product_sub_folder[] = "Halvane/Vuro";
constexpr char16_t data_sub_folder[] = u"VURODIRECT/";
constexpr char16_t legacy_sub_folder[] = u"VURORIRECT/";
constexpr char16_t preference_sub_folder[] = u"PLUGIN/";

std::filesystem::path native(const std::u16string& path) {
    return std::filesystem::u8path(utf16_to_utf8(path));
}

bool is_folder(const std::u16string& path) {
    std::error_code error;
    return std::filesystem::is_directory(native(path), error);
}

// One level, as the folder's parent must already exist.
bool make_folder(const std::u16string& path) {
    std::error_code error;
    std::filesystem::create_directory(native(path), error);
    return is_folder(path);
}

bool is_acceptable_plugin_name(const std::u16string& name) {
    return name != u"." && name != u".." &&
           name.find_first_of(std::u16string(u"/\\\0", 3)) == std::u16string::npos;
}

}  // namespace

std::u16string get_vuro_direct_data_folder() {
    VuroFilePath product;
    std::u16string base;
    if (product.resolve_app_data() == 0) {
        // A folder too long to hold the product folder is no base either: the relative
        // fallback is for when no folder is found at all, never for a long one.
        if (!product.append(ansi_to_utf16(product_sub_folder))) throw data_folder_missing();
        base = product.path() + u"/";
        if (!is_folder(base)) throw data_folder_missing();
    }
    const std::u16string data = base + data_sub_folder;
    const std::u16string legacy = base + legacy_sub_folder;
    if (!is_folder(data) && is_folder(legacy)) {
        std::error_code ignored;
        std::filesystem::rename(native(legacy), native(data), ignored);
    }
    if (!is_folder(data) && !make_folder(data))
        throw std::runtime_error("utility::get_vuro_direct_data_folder() call error2");
    return data;
}

std::u16string create_plugin_preference_path(const std::u16string& plugin_name) {
    std::u16string folder = get_vuro_direct_data_folder() + preference_sub_folder;
    if (!is_folder(folder) && !make_folder(folder))
        throw std::runtime_error("utility::create_plugin_preference_path() call error1");
    if (!is_acceptable_plugin_name(plugin_name))
        throw std::runtime_error("utility::create_plugin_preference_path() call error2");
    folder += plugin_name + u"/";
    if (!is_folder(folder) && !make_folder(folder))
        throw std::runtime_error("utility::create_plugin_preference_path() call error2");
    return folder;
}

std::u16string product_data_folder() {
    VuroFilePath product;
    if (!get_product_data_folder(product, ansi_to_utf16(product_sub_folder))) return {};
    return product.path() + u"/";
}

}  // namespace utility
