#pragma once
// The private record of a script plug-in instance. The interpreter runner reads and
// writes it directly; the instance class only wraps it.
#include <string>

#include "engine/call_record.h"
#include "xml_access_library/script_preference.h"

namespace vuro_plugin {

struct script_instance_data {
    std::u16string message;        // last error text; empty when none
    std::u16string interpreter;    // "perl", "ruby" or "python"
    std::u16string extension;      // ".pl", ".rb" or ".py"
    std::string bridge_template;   // the stored, form-encoded bridge script
    std::u16string script_path;    // plug-in folder followed by the file name
    std::u16string data_folder;    // ends with a path separator
    std::u16string file_name;      // the plug-in's file name, unchanged
    std::u16string language_name;  // "Perl", "Ruby" or "Python"
    bool usable = false;
    xml_access_library::script_preference_data preference;  // from the plug-in's .xml
    std::string standard_output;  // bytes of the last completed interpreter run
    std::string standard_error;
    bool standard_output_cut = false;  // that run printed more than was kept
    bool standard_error_cut = false;
    call_record last_call;  // the last interpreter run, whatever its outcome
};

}  // namespace vuro_plugin
