#include "app/failure_message.h"

#include "app/debugger_texts.h"
#include "utility/data_folder.h"

namespace vuro_plugin {

std::u16string unexpected_error_message(const std::string& error) {
    std::u16string message = texts::unexpected_error;
    if (error == "utility::get_vuro_direct_data_folder() call error1") {
        const std::u16string folder = utility::product_data_folder();
        if (!folder.empty()) {
            message += u"\r\n";
            message += texts::missing_product_folder_before + folder +
                       texts::missing_product_folder_after;
        }
    }
    return message;
}

}  // namespace vuro_plugin
