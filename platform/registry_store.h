#pragma once
// The registry of the current user and of the local machine. On POSIX each root is one
// hive file (see registry_hive.h):
//   current user:  $XDG_CONFIG_HOME/plugdebug/HKEY_CURRENT_USER.reg (default ~/.config)
//   local machine: <first folder of $XDG_CONFIG_DIRS>/plugdebug/HKEY_LOCAL_MACHINE.reg
//                  (default /etc/xdg), read only.
// Every write re-reads the file under an advisory lock shared by all processes, then
// replaces it atomically, so concurrent writers keep each other's values. A hive that
// cannot be parsed reads as empty and is never overwritten, nor is one the user may not
// write.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_hive.h"

namespace platform {

enum class registry_root { current_user, local_machine };

// An open key. Like a registry handle opened with read or write access only: queries
// need read access, setting values needs write access.
class registry_key {
public:
    // Open an existing key for reading; null when it does not exist. An empty path opens
    // the root itself.
    static std::unique_ptr<registry_key> open(registry_root root, std::u16string_view path);
    // Open or create a key for writing; null when the path is invalid or the hive cannot
    // be written.
    static std::unique_ptr<registry_key> create(registry_root root, std::u16string_view path);

    ~registry_key();
    registry_key(const registry_key&) = delete;
    registry_key& operator=(const registry_key&) = delete;

    // False when the key has no such value (or was removed since it was opened).
    bool query(std::u16string_view name, std::uint32_t& type,
               std::vector<std::uint8_t>& data) const;
    bool set(std::u16string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data);

private:
    struct impl;
    explicit registry_key(std::unique_ptr<impl> state);
    std::unique_ptr<impl> impl_;
};

// The hive file that stands for a root; empty when no location can be determined.
std::string registry_hive_file(registry_root root);

// Why the root's values cannot be read, for the user (UTF-8, English, naming the file and
// the line); empty when they can, the hive being absent included.
std::string registry_hive_problem(registry_root root);

// How long a write waits for another writer before it fails; 30 s unless set (the
// message library's 300 tries 100 ms apart). Process-wide; for tests.
void set_registry_lock_wait(std::chrono::milliseconds wait);

}  // namespace platform
