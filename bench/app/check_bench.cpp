// plugdebug-cli --check with 100 cases against the same interpreter starts made directly,
// measured in the same run: the baseline starts the Ruby bridge on the sample plug-in
// 101 times (one syntax check, 100 processing calls with the arguments the engine sends)
// one after the other, and two at a time for the -j 2 comparison. Targets: -j 1 within
// 1.1 × the sequential baseline; -j 2 close to half of it on two cores.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/request_fill.h"
#include "bench/app/quiet_run.h"
#include "engine/bridge_arguments.h"
#include "engine/command_line.h"
#include "engine/script_language.h"
#include "platform/child_process.h"
#include "utility/text_conversion.h"
#include "utility/url_encoding.h"

namespace {

namespace fs = std::filesystem;
using namespace vuro_plugin;
using clock_type = std::chrono::steady_clock;

constexpr int cases = 100;

void fail(const std::string& what) {
    std::fprintf(stderr, "check_bench: %s\n", what.c_str());
    std::exit(1);
}

double ms_since(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

// A scratch home with the product folder, so the bench never touches the real one.
fs::path make_scratch_home() {
    char pattern[] = "/tmp/plugdebug-check-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) fail("no scratch folder");
    const fs::path home = pattern;
    fs::create_directories(home / "data" / "Halvane" / "Vuro");
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (home / "config-dirs").c_str(), 1);
    ::unsetenv("APPDATA");
    return home;
}

// The command line of one direct start, as the engine builds it (bridge file name
// relative to the working folder).
std::vector<std::string> direct_command(const fs::path& plugin, const std::string& method) {
    std::vector<std::string> command{"ruby", "bridge.rb",
                                     utility::utf16_to_utf8(encode_script_path(
                                         utility::utf8_to_utf16(plugin.string()), u"ruby")),
                                     method};
    if (method == "run_process") {
        processing_request request{};
        fill_processing_request(request, u"きょう", {});
        for (const std::u16string& argument : processing_arguments(request))
            command.push_back(utility::utf16_to_utf8(argument));
    }
    return command;
}

void start_directly(const std::vector<std::string>& command, const fs::path& folder) {
    platform::child_process child;
    if (child.start(command, folder.string()) != platform::child_process::start_result::started)
        fail("ruby did not start");
    std::string out, err;
    while (child.wait(out, err, -1) == platform::child_process::wait_result::running) {
    }
    if (out.find("<itemlist>") == std::string::npos && out.rfind("syntax ok", 0) != 0)
        fail("unexpected output: " + out + err);
}

// 101 starts, `threads` at a time.
double direct_ms(const fs::path& plugin, const fs::path& folder, int threads) {
    const auto start = clock_type::now();
    start_directly(direct_command(plugin, "syntax_check"), folder);
    const std::vector<std::string> processing = direct_command(plugin, "run_process");
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = t; i < cases; i += threads) start_directly(processing, folder);
        });
    for (std::thread& worker : workers) worker.join();
    return ms_since(start);
}

double cli_ms(const std::string& cases_file, int jobs) {
    const auto start = clock_type::now();
    const int status =
        run_quietly({PLUGDEBUG_CLI, "--check", cases_file, "-j", std::to_string(jobs)}, false);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("plugdebug-cli --check did not pass");
    return ms_since(start);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path home = make_scratch_home();
    const fs::path work = home / "work";
    fs::create_directories(work);
    fs::copy_file(fs::path(PLUGDEBUG_SAMPLES) / "today.rb", work / "today.rb");
    {
        std::ofstream bridge(work / "bridge.rb", std::ios::binary);
        bridge << utility::url_decode(script_languages()[1].stored_bridge);
        std::ofstream file(work / "cases.json");
        file << R"({"plugin": "today.rb", "cases": [)";
        for (int i = 0; i < cases; ++i)
            file << (i ? "," : "") << R"({"text": "きょう", "count": 5})";
        file << "]}";
    }
    const std::string cases_file = (work / "cases.json").string();
    const fs::path plugin = work / "today.rb";
    // Rounds alternate between the ways, so that a change of machine load falls on each.
    std::vector<double> direct1, direct2, check1, check2;
    for (int round = 0; round < rounds; ++round) {
        direct1.push_back(direct_ms(plugin, work, 1));
        check1.push_back(cli_ms(cases_file, 1));
        direct2.push_back(direct_ms(plugin, work, 2));
        check2.push_back(cli_ms(cases_file, 2));
    }
    std::printf(
        "101 starts of ruby with the bridge on today.rb, median of %d rounds "
        "(%u hardware threads)\n",
        rounds, std::thread::hardware_concurrency());
    std::printf("  direct, one at a time   %8.0f ms\n", median(direct1));
    std::printf("  --check -j 1            %8.0f ms   ratio to direct %.3f (target <= 1.1)\n",
                median(check1), median(check1) / median(direct1));
    std::printf("  direct, two at a time   %8.0f ms   ratio to one at a time %.3f\n",
                median(direct2), median(direct2) / median(direct1));
    std::printf(
        "  --check -j 2            %8.0f ms   ratio to direct one at a time %.3f "
        "(target about 0.5), to direct two at a time %.3f\n",
        median(check2), median(check2) / median(direct1), median(check2) / median(direct2));
    std::error_code ignored;
    fs::remove_all(home, ignored);
    return 0;
}
