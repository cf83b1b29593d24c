// plugdebug-cli --watch: from a save to the start of the re-run, against a baseline
// measured in the same run: the debounce plus the time the bare folder watch takes to
// report the same write. The difference is what the watch loop adds (target: 50 ms at
// most). Twice: a save while the loop waits, and a save during a run, which must first
// stop that run through its cancel token.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

#include "app/cli/cli_watch.h"
#include "engine/cancel_token.h"
#include "platform/folder_watch.h"

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;
constexpr int rounds = 15;

double ms(clock_type::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::u16string u16(const fs::path& path) {
    const std::string text = path.string();
    return std::u16string(text.begin(), text.end());  // a temporary folder's ASCII path
}

clock_type::time_point save(const fs::path& file) {
    const clock_type::time_point saved = clock_type::now();
    std::ofstream(file, std::ios::app) << "# saved\n";
    return saved;
}

double bare_watch_ms(const fs::path& folder) {
    platform::folder_watch watch(u16(folder), vuro_plugin::cli::watched_extensions());
    const platform::wake_up never;
    std::vector<std::u16string> names;
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const clock_type::time_point saved = save(folder / "plugin.rb");
        watch.wait(names, never, 30000);
        times.push_back(ms(clock_type::now() - saved));
    }
    return median(times);
}

// Runs the loop on a thread; each run notes when it started and, for a save during a
// run, lasts until the save cancels it.
struct watched_runs {
    std::mutex mutex;
    std::condition_variable started;
    std::vector<clock_type::time_point> starts;
    bool hold_runs = false;

    void run(const vuro_plugin::cancel_token& cancel) {
        bool hold;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            starts.push_back(clock_type::now());
            hold = hold_runs;
        }
        started.notify_all();
        while (hold && !cancel.cancelled())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    void wait_for(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        started.wait(lock, [&] { return starts.size() >= count; });
    }
};

double save_to_rerun_ms(const fs::path& folder, bool during_a_run) {
    const auto cancel = std::make_shared<vuro_plugin::cancel_token>();
    vuro_plugin::cli::rerun_on_save loop(u16(folder), cancel);
    watched_runs runs;
    runs.hold_runs = during_a_run;
    std::thread thread(
        [&] { loop.run_until_stopped([&](int, const auto&) { runs.run(*cancel); }); });
    std::vector<double> times;
    for (int round = 1; round <= rounds; ++round) {
        runs.wait_for(round);
        // Past the run's start, so that a held run is under way when the save comes.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const clock_type::time_point saved = save(folder / "plugin.rb");
        runs.wait_for(round + 1);
        const std::lock_guard<std::mutex> lock(runs.mutex);
        times.push_back(ms(runs.starts[round] - saved));
    }
    loop.stop();
    thread.join();
    return median(times);
}

}  // namespace

int main() {
    const fs::path folder =
        fs::temp_directory_path() / ("plugdebug-watch-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const double debounce = ms(vuro_plugin::cli::save_debounce);
    const double bare = bare_watch_ms(folder);
    const double baseline = debounce + bare;
    for (const bool during_a_run : {false, true}) {
        const double rerun = save_to_rerun_ms(folder, during_a_run);
        std::printf(
            "Save %-17s to re-run start %7.1f ms   baseline (debounce %.0f ms + bare watch "
            "%.2f ms) %7.1f ms   ratio %.3f   added by the loop %+6.2f ms\n",
            during_a_run ? "during a run," : "while waiting,", rerun, debounce, bare, baseline,
            rerun / baseline, rerun - baseline);
    }
    fs::remove_all(folder);
}
