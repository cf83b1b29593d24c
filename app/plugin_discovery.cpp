#include "app/plugin_discovery.h"

#include <filesystem>
#include <system_error>

#include "utility/text_conversion.h"

namespace vuro_plugin {

const std::vector<std::string>& plugin_extensions() {
    static const std::vector<std::string> extensions{".rb", ".pl", ".py"};
    return extensions;
}

bool has_plugin_extension(const std::u16string& file_name, const std::string& extension) {
    if (file_name.size() <= extension.size()) return false;
    const std::u16string tail = file_name.substr(file_name.size() - extension.size());
    return utility::to_upper(utility::utf16_to_ansi(tail)) == utility::to_upper(extension);
}

std::vector<plugin_entry> scan_plugin_folder(const std::u16string& folder) {
    std::vector<plugin_entry> entries;
    std::error_code error;
    std::filesystem::directory_iterator it(std::filesystem::u8path(utility::utf16_to_utf8(folder)),
                                           error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored)) continue;
        const std::u16string name = utility::utf8_to_utf16(it->path().filename().u8string());
        for (const std::string& extension : plugin_extensions()) {
            if (has_plugin_extension(name, extension)) {
                entries.push_back({folder, name});
                break;
            }
        }
    }
    return entries;
}

}  // namespace vuro_plugin
