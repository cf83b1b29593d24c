#pragma once
// The message a user sees when a command fails unexpectedly.
#include <exception>
#include <string>

namespace vuro_plugin {

// The fixed failure text; when the error is the missing product folder (which the input
// method's installer makes), a second line names the folder to create.
std::u16string unexpected_error_message(const std::exception& error);

}  // namespace vuro_plugin
