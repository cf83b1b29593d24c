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

// Why the values of a root could not be read, so that they read as none.
struct registry_fault {
    enum class kind {
        none,            // read, or no hive at all
        no_location,     // no folder for the hive can be determined
        cannot_read,     // the file cannot be opened or read
        not_a_file,      // something other than a regular file is at its path
        too_large,       // far larger than any hive
        does_not_parse,  // not in the export format; `line` tells where (0: unknown)
    };
    kind what = kind::none;
    std::string file;  // the hive file (UTF-8); empty on Windows and for no_location
    std::size_t line = 0;
};

// While it lives, every read of `root` on the constructing thread sees the values as
// this one read of the store found them, and fault() says why they read as none. Scopes
// nest; writes are not affected. On Windows it reads nothing and finds no fault.
class registry_read_scope {
public:
    explicit registry_read_scope(registry_root root);
    ~registry_read_scope();
    registry_read_scope(const registry_read_scope&) = delete;
    registry_read_scope& operator=(const registry_read_scope&) = delete;

    const registry_fault& fault() const { return fault_; }

private:
    registry_root root_;
    registry_fault fault_;
    std::shared_ptr<const registry_hive> hive_;  // null: read as none
    const std::shared_ptr<const registry_hive>* outer_ = nullptr;
};

// How long a write waits for another writer before it fails; 30 s unless set (the
// message library's 300 tries 100 ms apart). Process-wide; for tests.
void set_registry_lock_wait(std::chrono::milliseconds wait);

}  // namespace platform
