#include "app/plugin_folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/debugger_texts.h"
#include "platform/executable_path.h"
#include "platform/known_folders.h"
#include "platform/path_convention.h"
#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

namespace fs = std::filesystem;

fs::path native(const std::u16string& folder) { return fs::u8path(utility::utf16_to_utf8(folder)); }

bool is_folder(const std::u16string& folder) {
    std::error_code error;
    return fs::is_directory(native(folder), error);
}

// The running program's folder, ending with its separator (where a backslash separates
// folders, the executable's path keeps its own separators).
std::u16string program_folder() {
    const std::u16string executable = platform::executable_path();
    const std::size_t slash = executable.find_last_of(
        platform::backslash_separates_folders() ? std::u16string_view(u"/\\") : u"/");
    return slash == std::u16string::npos ? executable : executable.substr(0, slash + 1);
}

// Where an installation keeps the samples, relative to the program (the build says).
std::u16string installed_samples_folder() {
    return program_folder() + utility::utf8_to_utf16(PLUGDEBUG_SAMPLES_FROM_PROGRAM) + u"/";
}

bool is_per_user(const std::u16string& folder) {
    return !folder.empty() && folder == per_user_plugin_folder(false);
}

}  // namespace

std::u16string per_user_plugin_folder(bool create) {
    std::u16string data;
    if (!platform::application_data_folder(create, data)) return {};
    return data + u"/plugdebug/plugin/";
}

std::u16string find_plugin_folder() {
    const std::u16string beside = program_folder() + u"plugin/";
    if (is_folder(beside)) return beside;
    const std::u16string per_user = per_user_plugin_folder(false);
    return per_user.empty() ? beside : per_user;
}

std::u16string prepare_plugin_folder() {
    const std::u16string beside = program_folder() + u"plugin/";
    if (is_folder(beside)) return beside;
    const std::u16string per_user = per_user_plugin_folder(true);
    if (per_user.empty()) return beside;
    fill_new_plugin_folder(per_user, installed_samples_folder());
    return per_user;
}

bool fill_new_plugin_folder(const std::u16string& folder, const std::u16string& samples) {
    if (is_folder(folder)) return true;
    std::error_code error;
    fs::create_directories(native(folder), error);
    if (error) return false;
    fs::directory_iterator it(native(samples), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored))
            fs::copy_file(it->path(), native(folder) / it->path().filename(),
                          fs::copy_options::skip_existing, ignored);
    }
    return true;
}

std::u16string displayed_folder(const std::u16string& folder) {
    std::u16string shown = folder;
    if (shown.size() > 1 && shown.back() == u'/') shown.pop_back();
    if (platform::backslash_separates_folders())
        std::replace(shown.begin(), shown.end(), u'/', u'\\');
    return shown;
}

std::u16string plugin_folder_hint(const std::u16string& folder) {
    if (!is_per_user(folder)) return texts::folder_hint;
    return texts::per_user_folder_hint_before + displayed_folder(folder) +
           texts::per_user_folder_hint_after;
}

std::u16string no_plugin_found_message(const std::u16string& folder) {
    if (!is_per_user(folder)) return texts::no_plugin_found;
    return texts::per_user_no_plugin_found_before + displayed_folder(folder) +
           texts::per_user_no_plugin_found_after;
}

}  // namespace vuro_plugin
