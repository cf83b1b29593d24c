#pragma once
// Where the debugger looks for plug-ins. The folder "plugin" beside the program wins when
// it exists (a build, an unpacked Windows zip). An installed program has none and no
// right to make one, so it uses a per-user folder, <application data>/plugdebug/plugin/
// ($XDG_DATA_HOME, default ~/.local/share, on POSIX), filled once with the installed
// sample plug-ins. Folders end with "/".
#include <string>

namespace vuro_plugin {

// The folder to list plug-ins from; never creates anything.
std::u16string find_plugin_folder();

// find_plugin_folder(), but when that is the per-user folder and it does not exist yet,
// it is created with copies of the installed samples. For the dialog's start and --list.
std::u16string prepare_plugin_folder();

// The per-user folder; empty when there is no application-data folder (and `create` is
// false or it cannot be made).
std::u16string per_user_plugin_folder(bool create);

// Creates `folder` with a copy of every file of `samples` (ending with "/"), unless the
// folder exists: then nothing changes, so samples the user deleted stay deleted. A
// missing or unreadable `samples` leaves the folder empty. False when the folder could
// not be created.
bool fill_new_plugin_folder(const std::u16string& folder, const std::u16string& samples);

// The folder hint and the message for an empty list for `folder`: the fixed texts that
// name the folder beside the program, or, for the per-user folder, texts naming it.
std::u16string plugin_folder_hint(const std::u16string& folder);
std::u16string no_plugin_found_message(const std::u16string& folder);

// `folder` as a user types it: without the final separator, with the system's own.
std::u16string displayed_folder(const std::u16string& folder);

}  // namespace vuro_plugin
