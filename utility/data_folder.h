#pragma once
// The direct-plug-in feature's data folder, <application data>/Halvane/Vuro/VURODIRECT/,
// and the preference folder of each plug-in inside it. Paths end with "/".
#include <stdexcept>
#include <string>

namespace utility {

// The product folder Halvane/Vuro/ does not exist (the input method is not installed).
class data_folder_missing : public std::runtime_error {
public:
    data_folder_missing()
        : std::runtime_error("utility::get_vuro_direct_data_folder() call error1") {}
};

// Creates the data folder if needed, first by moving the legacy folder VURORIRECT/ to its
// name. Throws data_folder_missing ("utility::get_vuro_direct_data_folder() call error1")
// when the product folder Halvane/Vuro does not exist (it is never created here) and "... call error2"
// when the data folder cannot be created. When no application-data folder can be found,
// the data folder is the relative path VURODIRECT/.
std::u16string get_vuro_direct_data_folder();

// <data folder>PLUGIN/<plugin_name>/, created if needed. The name is the plug-in's name
// from its preference record, used verbatim; a name that would leave or nest below
// PLUGIN/ ("/", "\", ".", "..", NUL) is refused. Throws
// "utility::create_plugin_preference_path() call error1" when PLUGIN/ cannot be created
// and "... call error2" when the plug-in's folder cannot (or may not) be.
std::u16string create_plugin_preference_path(const std::u16string& plugin_name);

// The product folder that must exist for get_vuro_direct_data_folder(),
// <application data>/Halvane/Vuro/ (the input method's installer creates it); empty when
// no application-data folder can be found.
std::u16string product_data_folder();

}  // namespace utility
