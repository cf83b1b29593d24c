#include "app/cli/cli_watch.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "app/cli/cli_command.h"
#include "engine/cancel_token.h"
#include "engine/file_presence.h"
#include "platform/folder_watch.h"
#include "platform/termination_signals.h"
#include "platform/wake_up.h"
#include "utility/text_conversion.h"

namespace vuro_plugin::cli {

using clock_type = std::chrono::steady_clock;

const std::vector<std::u16string>& watched_extensions() {
    static const std::vector<std::u16string> extensions = {u".rb", u".pl", u".py", u".xml"};
    return extensions;
}

// Shared by the running thread and the watching thread; the mutex guards the rest.
struct rerun_on_save::state {
    state(const std::u16string& folder, std::shared_ptr<cancel_token> token,
          clock_type::duration quiet)
        : watch(folder, watched_extensions()), cancel(std::move(token)), debounce(quiet) {}

    platform::folder_watch watch;
    platform::wake_up stop_watching;
    const std::shared_ptr<cancel_token> cancel;
    const clock_type::duration debounce;
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    bool gone = false;
    bool pending = false;
    clock_type::time_point last_save;
    std::vector<std::u16string> saved;

    // The watching thread: a save stops the run under way before anyone can see it, so a
    // run started after it was seen is never cancelled by it.
    void watch_folder() {
        std::vector<std::u16string> names;
        for (;;) {
            platform::folder_watch::wait_result result = platform::folder_watch::wait_result::gone;
            try {
                result = watch.wait(names, stop_watching);
            } catch (const std::runtime_error&) {
            }
            if (result == platform::folder_watch::wait_result::woken) return;
            if (result == platform::folder_watch::wait_result::gone)
                return set([this] { gone = true; });
            if (result != platform::folder_watch::wait_result::changed) continue;
            cancel->cancel();
            set([&] { note_save(names); });
        }
    }

    void note_save(const std::vector<std::u16string>& names) {
        pending = true;
        last_save = clock_type::now();
        for (const std::u16string& name : names)
            if (std::find(saved.begin(), saved.end(), name) == saved.end()) saved.push_back(name);
    }

    template <typename Change>
    void set(Change change) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            change();
        }
        changed.notify_all();
    }

    bool stopped() {
        const std::lock_guard<std::mutex> lock(mutex);
        return stopping || gone;
    }

    // Waits for a save followed by the quiet time; false when watching ends instead.
    bool next_save(std::vector<std::u16string>& names) {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            if (stopping || gone) return false;
            if (!pending) {
                changed.wait(lock);
            } else if (clock_type::now() < last_save + debounce) {
                changed.wait_until(lock, last_save + debounce);
            } else {
                names = std::move(saved);
                saved.clear();
                pending = false;
                return true;
            }
        }
    }
};

rerun_on_save::rerun_on_save(const std::u16string& folder, std::shared_ptr<cancel_token> cancel,
                             std::chrono::milliseconds debounce)
    : state_(new state(folder, std::move(cancel), debounce)) {}

rerun_on_save::~rerun_on_save() = default;

void rerun_on_save::run_until_stopped(const run_function& run) {
    state& s = *state_;
    std::thread watcher([&s] { s.watch_folder(); });
    struct joined {
        state& s;
        std::thread& thread;
        ~joined() {
            s.stop_watching.raise();
            thread.join();
        }
    } join_on_exit{s, watcher};
    std::vector<std::u16string> saved;
    for (int number = 1;; ++number) {
        // A stop that comes after the reset cancels the token again.
        s.cancel->reset();
        if (s.stopped()) return;
        run(number, saved);
        if (!s.next_save(saved)) return;
    }
}

void rerun_on_save::stop() {
    state_->set([this] { state_->stopping = true; });
    state_->stop_watching.raise();
    state_->cancel->cancel();
}

namespace {

constexpr char program[] = "plugdebug-cli: ";

std::string clock_time() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(text, sizeof text, "%H:%M:%S", local);
    return text;
}

// "---- 10:03:15 run 2 of today.rb, saved: helper.rb today.xml ----"
std::string separator_line(int number, const std::u16string& plugin,
                           const std::vector<std::u16string>& saved) {
    std::string line = "---- " + clock_time() + " run " + std::to_string(number) + " of " +
                       utility::utf16_to_utf8(plugin);
    if (!saved.empty()) line += ", saved:";
    for (const std::u16string& name : saved) line += " " + utility::utf16_to_utf8(name);
    return line + " ----\n";
}

}  // namespace

int watch_plugin(const plugin_entry& plugin, const std::shared_ptr<cancel_token>& cancel,
                 const std::function<int()>& run_once, std::ostream& err) {
    const std::string folder = utility::utf16_to_utf8(plugin.folder);
    std::optional<rerun_on_save> watch;
    try {
        watch.emplace(plugin.folder, cancel);
    } catch (const std::runtime_error&) {
        err << program << "the folder " << folder << " cannot be watched\n";
        return exit_failure;
    }
    const platform::termination_signals signals([&watch](int) { watch->stop(); });
    err << program << "watching " << folder
        << " for saves of .rb, .pl, .py and .xml files; Ctrl+C ends\n";
    bool refused = false;
    watch->run_until_stopped([&](int number, const std::vector<std::u16string>& saved) {
        err << separator_line(number, plugin.file_name, saved) << std::flush;
        if (!file_exists(plugin.folder + plugin.file_name)) {
            err << program << utility::utf16_to_utf8(plugin.file_name)
                << " is missing; the next save runs it again\n"
                << std::flush;
        } else if (run_once() == exit_usage && number == 1) {
            refused = true;
            watch->stop();
        }
    });
    if (signals.received() != 0) return signals.received();
    if (refused) return exit_usage;
    err << program << "the folder " << folder << " went away; watching ended\n";
    return exit_failure;
}

}  // namespace vuro_plugin::cli
