#pragma once
// Tells when files directly in one folder change: written and closed, renamed into or out
// of it, or deleted. Only names that end with one of the given extensions count (ASCII
// case ignored); names beginning with "." (editors' swap and lock files) and subfolders
// with all they hold are not watched. inotify on Linux, ReadDirectoryChangesW on Windows.
// Watching starts with the object: changes made between two waits are kept for the next.
#include <memory>
#include <string>
#include <vector>

#include "platform/wake_up.h"

namespace platform {

class folder_watch {
public:
    // Throws std::runtime_error("platform::folder_watch::folder_watch() : failed") when
    // the folder cannot be watched (missing, not a folder, no watches left).
    folder_watch(const std::u16string& folder, std::vector<std::u16string> extensions);
    ~folder_watch();
    folder_watch(const folder_watch&) = delete;
    folder_watch& operator=(const folder_watch&) = delete;

    enum class wait_result {
        changed,    // `names` holds the names of the changed files, each once, in the order
                    // first seen; empty when the system lost count (too many at once)
        woken,      // `wake` was raised (it stays raised)
        timed_out,  // nothing came within the time
        gone,       // the folder was deleted or renamed: nothing more will come
    };

    // Blocks until a watched file changes, `wake` is raised or `timeout_ms` has passed
    // (negative: no limit). A raised `wake` wins over changes waiting at the same time.
    // Throws std::runtime_error("platform::folder_watch::wait() : failed") when the system
    // refuses the wait itself.
    wait_result wait(std::vector<std::u16string>& names, const wake_up& wake, int timeout_ms = -1);

    struct state;

private:
    std::unique_ptr<state> state_;
};

// The filter of folder_watch: `name` ends with one of `extensions`, ASCII case ignored,
// and does not begin with ".".
bool is_watched_name(const std::u16string& name, const std::vector<std::u16string>& extensions);

}  // namespace platform
