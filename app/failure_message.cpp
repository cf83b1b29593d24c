#include "app/failure_message.h"

#include <algorithm>

#include "app/debugger_texts.h"
#include "platform/path_convention.h"
#include "utility/data_folder.h"

namespace vuro_plugin {
namespace {

// The folder as the user types it: the data folder's path is joined with "/", which
// Windows accepts but shows nowhere; there the message names it with "\" throughout.
std::u16string shown_folder(std::u16string folder) {
    if (platform::backslash_separates_folders())
        std::replace(folder.begin(), folder.end(), u'/', u'\\');
    return folder;
}

}  // namespace

std::u16string unexpected_error_message(const std::exception& error) {
    std::u16string message = texts::unexpected_error;
    if (dynamic_cast<const utility::data_folder_missing*>(&error) != nullptr) {
        const std::u16string folder = shown_folder(utility::product_data_folder());
        if (!folder.empty()) {
            message += u"\r\n";
            message +=
                texts::missing_product_folder_before + folder + texts::missing_product_folder_after;
        }
    }
    return message;
}

}  // namespace vuro_plugin
