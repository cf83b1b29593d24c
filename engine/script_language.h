#pragma once
// The plug-in languages the engine knows, with what a script instance needs of each.
#include <string>
#include <vector>

namespace vuro_plugin {

struct script_language {
    std::u16string display_name;  // "Perl"
    std::u16string interpreter;   // command found on the search path: "perl"
    std::u16string extension;     // with the dot: ".pl"
    std::string stored_bridge;    // form-encoded bridge script (engine/bridges)
};

// Perl, Ruby, Python: the order in which a plug-in file's language is tried.
const std::vector<script_language>& script_languages();

}  // namespace vuro_plugin
