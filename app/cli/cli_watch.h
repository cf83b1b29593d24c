#pragma once
// plugdebug-cli --watch: the plug-in runs once, then again after every save of a script
// or XML document in its folder (plug-ins load their own helper files); a save during a
// run stops that run and starts it afresh.
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/plugin_discovery.h"

namespace vuro_plugin {
class cancel_token;
}

namespace vuro_plugin::cli {

// The quiet time after a save before the run starts, so that an editor's several writes
// for one save make one run.
inline constexpr std::chrono::milliseconds save_debounce{200};

// What counts as a save: the plug-in languages' files and XML documents.
const std::vector<std::u16string>& watched_extensions();

class rerun_on_save {
public:
    // The names of the files saved since the previous run (empty before the first) and the
    // run's number, from 1.
    using run_function = std::function<void(int number, const std::vector<std::u16string>& saved)>;

    // Starts watching `folder` at once; throws std::runtime_error when it cannot be
    // watched. Saves cancel `cancel`, the token the runs are given.
    rerun_on_save(const std::u16string& folder, std::shared_ptr<cancel_token> cancel,
                  std::chrono::milliseconds debounce = save_debounce);
    ~rerun_on_save();
    rerun_on_save(const rerun_on_save&) = delete;
    rerun_on_save& operator=(const rerun_on_save&) = delete;

    // Calls `run` now, then after every save once `debounce` has passed without another,
    // until stop() or until the folder goes away. Once only.
    void run_until_stopped(const run_function& run);
    // From any thread: the run under way is cancelled and no other starts.
    void stop();

    struct state;

private:
    std::unique_ptr<state> state_;
};

// The whole --watch command: a separator line with the time on `err` before each run of
// `run_once` (which returns the exit code of a single run), until Ctrl+C or another
// termination request (its exit code is returned, after the run under way has stopped
// through `cancel`), or until the folder goes away or cannot be watched (exit_failure).
// A first run refused for its input (exit_usage) ends it at once: no save can mend that.
int watch_plugin(const plugin_entry& plugin, const std::shared_ptr<cancel_token>& cancel,
                 const std::function<int()>& run_once, std::ostream& err);

}  // namespace vuro_plugin::cli
