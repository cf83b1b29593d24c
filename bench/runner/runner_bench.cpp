// Costs of the interpreter runner, each against a baseline measured in the same run:
// (a) parent CPU time while a child sleeps, as a share of the wall time (target < 1 %);
// (b) capturing 64 MiB on each stream at once, against the same child writing both
//     streams to /dev/null (target: within 2x);
// (c) a child printing without end for the whole of a 5 s limit: the parent's peak
//     resident memory against its resident memory before the run (target: the capture
//     limit plus a few MiB);
// (d) a cancel from another thread while an interpreter and its grandchild run: the time
//     until the run has returned and both processes are gone (target < 1 s), against
//     a whole run of a child that exits at once.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "engine/execute_command.h"
#include "platform/child_process.h"
#include "platform/executable_path.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds(clock_type::duration span) { return std::chrono::duration<double>(span).count(); }

// CPU seconds this process has used (the C library's clock() counts wall time on Windows).
double process_cpu_seconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto hundred_ns = [](const FILETIME& t) {
        return double((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return (hundred_ns(kernel) + hundred_ns(user)) / 1e7;
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}

#ifndef _WIN32  // (b) and (c) run sh, yes and /proc: Linux only
std::u16string widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall seconds of one run of `script` under sh; checks the captured sizes.
double timed_run(const std::string& script, std::size_t expected_each) {
    std::string out;
    std::string err;
    const auto start = clock_type::now();
    const auto result =
        vuro_plugin::execute_command({u"sh", u"-c", widen(script)}, u"", out, err, true);
    const double wall = seconds(clock_type::now() - start);
    const auto captured = [](const std::string& buffer) {
        return buffer.empty() ? 0 : buffer.size() - 1;  // less the closing 0 byte
    };
    if (result != vuro_plugin::command_result::completed || captured(out) != expected_each ||
        captured(err) != expected_each) {
        std::fprintf(stderr, "run failed: result %s, %zu and %zu bytes\n",
                     vuro_plugin::to_string(result), out.size(), err.size());
        std::exit(1);
    }
    return wall;
}

#endif

// A child that sleeps 2 s. Wine cannot start sleep: there the tests' stand-in child,
// beside this program, sleeps instead.
std::vector<std::u16string> sleeping_child() {
#ifdef _WIN32
    std::u16string folder = platform::executable_path();
    folder.erase(folder.find_last_of(u"\\/") + 1);
    return {folder + u"stand_in_child.exe", u"sleep", u"2000"};
#else
    return {u"sleep", u"2"};
#endif
}

void idle_wait_cost() {
    const double cpu_start = process_cpu_seconds();
    const auto wall_start = clock_type::now();
    std::string out;
    std::string err;
    vuro_plugin::execute_command(sleeping_child(), u"", out, err, true);
    const double wall = seconds(clock_type::now() - wall_start);
    const double cpu = process_cpu_seconds() - cpu_start;
    std::printf(
        "(a) child sleeps 2 s: wall %.3f s, parent CPU %.4f s = %.3f %% of wall (target < 1 %%)\n",
        wall, cpu, 100.0 * cpu / wall);
}

#ifndef _WIN32  // (b) and (c) run sh, yes and /proc: Linux only
void capture_throughput() {
    constexpr std::size_t size = 64u << 20;
    const auto file = std::filesystem::temp_directory_path() / "plugdebug-runner-bench.bin";
    {
        std::ofstream stream(file, std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (std::size_t written = 0; written < size; written += block.size()) stream << block;
    }
    const std::string f = "'" + file.string() + "'";
    const std::string captured = "cat " + f + " & cat " + f + " >&2; wait";
    const std::string baseline = "cat " + f + " >/dev/null & cat " + f + " >/dev/null; wait";
    // The floor of any pipe-based capture: the same bytes through two pipes into
    // readers that discard them.
    const std::string piped =
        "cat " + f + " | cat >/dev/null & cat " + f + " | cat >/dev/null; wait";
    timed_run(baseline, 0);  // warm the page cache
    std::vector<double> base_times;
    std::vector<double> capture_times;
    std::vector<double> piped_times;
    for (int round = 0; round < 7; ++round) {
        base_times.push_back(timed_run(baseline, 0));
        capture_times.push_back(timed_run(captured, size));
        piped_times.push_back(timed_run(piped, 0));
    }
    std::filesystem::remove(file);
    const double base = median(base_times);
    const double capture = median(capture_times);
    const double pipe_floor = median(piped_times);
    std::printf(
        "(b) 64 MiB on each stream: captured %.3f s (%.0f MiB/s), cat to /dev/null %.3f s, "
        "ratio %.2f (target <= 2)\n",
        capture, 128.0 / capture, base, capture / base);
    std::printf("    same bytes through two pipes into discarding readers %.3f s: ratio %.2f\n",
                pipe_floor, capture / pipe_floor);
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long status_kib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0)
            return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}

void endless_output_memory() {
    // Starts the peak over from the present resident size (Linux 4.0 and later).
    const bool peak_reset = static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5");
    const long before = status_kib("VmRSS");
    vuro_plugin::runner_settings settings;
    settings.limit_ms = 5000;
    std::string out;
    std::string err;
    vuro_plugin::capture_cut cut;
    const auto start = clock_type::now();
    const auto result = vuro_plugin::execute_command({u"yes", u"plug-in output"}, u"", out, err,
                                                     true, settings, &cut);
    const double wall = seconds(clock_type::now() - start);
    const double peak_mib = status_kib("VmHWM") / 1024.0;
    const double before_mib = before / 1024.0;
    const double limit_mib = double(platform::child_process::capture_limit) / (1 << 20);
    std::printf(
        "(c) child prints for 5 s under a 5 s limit: %s after %.2f s, %.1f MiB kept, %s;\n"
        "    parent peak RSS %.1f MiB, %.1f MiB before the run: +%.1f MiB = limit %.0f MiB "
        "+ %.1f MiB%s\n",
        result == vuro_plugin::command_result::timed_out ? "timed out" : "ended early", wall,
        out.size() / double(1 << 20), cut.output ? "marked cut" : "NOT marked cut", peak_mib,
        before_mib, peak_mib - before_mib, limit_mib, peak_mib - before_mib - limit_mib,
        peak_reset ? "" : " (peak not reset: includes earlier runs)");
}

// True while /proc shows the process and it is no zombie.
bool process_alive(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

// Seconds from cancel() until the run has returned and the interpreter and its
// grandchild are gone; the pids reach the bench through a file.
double cancel_to_all_gone() {
    const auto pid_file = std::filesystem::temp_directory_path() / "plugdebug-cancel-bench.pids";
    std::filesystem::remove(pid_file);
    const std::string script = "sleep 30 & echo $$ $! > '" + pid_file.string() + ".part'; mv '" +
                               pid_file.string() + ".part' '" + pid_file.string() + "'; sleep 30";
    vuro_plugin::runner_settings settings;
    settings.cancel = std::make_shared<vuro_plugin::cancel_token>();
    std::string out;
    std::string err;
    std::thread run([&] {
        vuro_plugin::execute_command({u"sh", u"-c", widen(script)}, u"", out, err, true, settings);
    });
    int pids[2] = {0, 0};
    while (pids[1] == 0) {
        std::ifstream(pid_file) >> pids[0] >> pids[1];
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto start = clock_type::now();
    settings.cancel->cancel();
    run.join();
    while (process_alive(pids[0]) || process_alive(pids[1])) std::this_thread::yield();
    const double elapsed = seconds(clock_type::now() - start);
    std::filesystem::remove(pid_file);
    return elapsed;
}

// Seconds of a whole run of a child that exits at once: start, wait, reap.
double end_to_return() {
    std::string out;
    std::string err;
    const auto start = clock_type::now();
    vuro_plugin::execute_command({u"sh", u"-c", u"exit 0"}, u"", out, err, true);
    return seconds(clock_type::now() - start);
}

void cancel_latency() {
    std::vector<double> cancels;
    std::vector<double> baselines;
    for (int round = 0; round < 9; ++round) {
        cancels.push_back(cancel_to_all_gone());
        baselines.push_back(end_to_return());
    }
    const double cancel = median(cancels);
    const double baseline = median(baselines);
    std::printf(
        "(d) cancel to interpreter and grandchild gone: median %.1f ms, worst %.1f ms "
        "(target < 1000 ms); a whole run of sh -c 'exit 0' %.1f ms: ratio %.2f\n",
        cancel * 1e3, *std::max_element(cancels.begin(), cancels.end()) * 1e3, baseline * 1e3,
        cancel / baseline);
}

#endif

}  // namespace

int main() {
    idle_wait_cost();
#ifndef _WIN32
    capture_throughput();
    endless_output_memory();
    cancel_latency();
#endif
    return 0;
}
