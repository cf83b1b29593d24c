// Costs of the interpreter runner, each against a baseline measured in the same run:
// (a) parent CPU time while a child sleeps, as a share of the wall time (target < 1 %);
// (b) capturing 64 MiB on each stream at once, against the same child writing both
//     streams to /dev/null (target: within 2x);
// (c) a child printing without end for the whole of a 5 s limit: the parent's peak
//     resident memory against its resident memory before the run (target: the capture
//     limit plus a few MiB).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
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
std::u16string widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Wall seconds of one run of `script` under sh; checks the captured sizes.
double timed_run(const std::string& script, std::size_t expected_each) {
    std::string out;
    std::string err;
    const auto start = clock_type::now();
    const auto result = vuro_plugin::execute_command({u"sh", u"-c", widen(script)}, u"", out, err, true);
    const double wall = seconds(clock_type::now() - start);
    const auto captured = [](const std::string& buffer) {
        return buffer.empty() ? 0 : buffer.size() - 1;  // less the closing 0 byte
    };
    if (result != vuro_plugin::command_result::completed || captured(out) != expected_each ||
        captured(err) != expected_each) {
        std::fprintf(stderr, "run failed: result %s, %zu and %zu bytes\n", vuro_plugin::to_string(result), out.size(), err.size());
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
    std::printf("(a) child sleeps 2 s: wall %.3f s, parent CPU %.4f s = %.3f %% of wall (target < 1 %%)\n",
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
    const std::string piped = "cat " + f + " | cat >/dev/null & cat " + f + " | cat >/dev/null; wait";
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
    std::printf("(b) 64 MiB on each stream: captured %.3f s (%.0f MiB/s), cat to /dev/null %.3f s, "
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
    const auto result = vuro_plugin::execute_command({u"yes", u"plug-in output"}, u"", out, err, true,
                                                    settings, &cut);
    const double wall = seconds(clock_type::now() - start);
    const double peak_mib = status_kib("VmHWM") / 1024.0;
    const double before_mib = before / 1024.0;
    const double limit_mib = double(platform::child_process::capture_limit) / (1 << 20);
    std::printf("(c) child prints for 5 s under a 5 s limit: %s after %.2f s, %.1f MiB kept, %s;\n"
                "    parent peak RSS %.1f MiB, %.1f MiB before the run: +%.1f MiB = limit %.0f MiB "
                "+ %.1f MiB%s\n",
                result == vuro_plugin::command_result::timed_out ? "timed out" : "ended early", wall,
                out.size() / double(1 << 20), cut.output ? "marked cut" : "NOT marked cut", peak_mib,
                before_mib, peak_mib - before_mib, limit_mib, peak_mib - before_mib - limit_mib,
                peak_reset ? "" : " (peak not reset: includes earlier runs)");
}

#endif

}  // namespace

int main() {
    idle_wait_cost();
#ifndef _WIN32
    capture_throughput();
    endless_output_memory();
#endif
    return 0;
}
