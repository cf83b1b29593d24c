#pragma once
// The plug-in scripts the debugger can run: the ".rb", ".pl" and ".py" files that lie
// directly in the plug-in folder (app/plugin_folder.h says which folder that is).
#include <string>
#include <vector>

#include "app/plugin_folder.h"

namespace vuro_plugin {

struct plugin_entry {
    std::u16string folder;     // ends with "/"
    std::u16string file_name;  // as the file system reports it
};

// ".rb", ".pl", ".py", in the order they are tested.
const std::vector<std::string>& plugin_extensions();

// True when `file_name` is longer than `extension` and ends with it, compared in the
// ANSI code page without regard to case: "a.RB" matches ".rb", ".rb" and "x.rbw" do not.
bool has_plugin_extension(const std::u16string& file_name, const std::string& extension);

// The files of `folder` (ending with "/") that have a plug-in extension, in the order
// the file system lists them; sub-folders are neither listed nor searched. A folder that
// cannot be read gives an empty list.
std::vector<plugin_entry> scan_plugin_folder(const std::u16string& folder);

}  // namespace vuro_plugin
