#pragma once
// Where the system keeps per-user application data, and the environment it is found from.
#include <cstddef>
#include <string>

namespace platform {

// The user's home folder as an absolute native path ($HOME, else the password database
// when HOME is unset or empty); empty when unknown or when HOME is relative.
std::string home_folder();

// The longest path, in UTF-16 units, that the file system here takes.
std::size_t max_path_length();

// The variable's value as UTF-16 (paths are UTF-8 on POSIX); false when it is unset.
bool environment_variable(const char* name, std::u16string& value);

// The folder of the operating system's own files; paths inside it are never user data.
std::u16string system_directory();

// True on the NT family of systems (the only family on POSIX).
bool is_nt_family();

// The per-user folder for low-integrity application data. POSIX has none: always false.
bool local_app_data_low_folder(std::u16string& path);

// The per-user application-data folder: $XDG_DATA_HOME, default ~/.local/share. With
// `create`, a missing folder is created; false when it does not exist afterwards.
bool application_data_folder(bool create, std::u16string& path);

// The same folder through the older shell-folder library, which POSIX lacks: always false.
bool legacy_application_data_folder(std::u16string& path);

}  // namespace platform
