// Peak memory of plugdebug-cli for runs that capture large outputs, against the peak of a
// run that prints next to nothing, measured in the same run: the child's ru_maxrss as
// wait4 reports it (the larger of the program's own and its reaped interpreter's, so the
// baseline is mostly the interpreter's). The target: at most twice the captured bytes
// plus 30 MiB.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/app/quiet_run.h"

namespace {

namespace fs = std::filesystem;

constexpr double mib = 1024.0 * 1024.0;
constexpr double capture_limit_mib = 64;

// Prints the number of MiB the text asks for: "OUT,ERR".
constexpr char flood_plugin[] = R"(
module Vuro_plugin
  def run_process(request)
    out, err = request['composition_string'].split(',').map(&:to_i)
    chunk = 'x' * (1 << 20)
    out.times { $stdout.write(chunk) }
    err.times { $stderr.write(chunk) }
    { 'candidate' => [] }
  end
end
)";

struct measurement {
    int status = -1;
    double peak_mib = 0;
};

// Runs the CLI with both its streams into /dev/null and returns its peak resident size.
measurement run_cli(const std::string& plugin, const std::string& text) {
    measurement result;
    rusage usage{};
    result.status = run_quietly({PLUGDEBUG_CLI, plugin, text}, true, &usage);
    if (result.status != -1) result.peak_mib = static_cast<double>(usage.ru_maxrss) * 1024 / mib;
    return result;
}

void report(const char* name, const measurement& run, const measurement& baseline,
            double captured_mib) {
    const double above = run.peak_mib - baseline.peak_mib;
    const double target = 2 * captured_mib + 30;
    std::printf(
        "%-26s exit %3d  peak %7.1f MiB  above baseline %7.1f MiB  per captured byte %5.2f  "
        "target %6.1f MiB  %s\n",
        name, WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1, run.peak_mib, above,
        captured_mib > 0 ? above / captured_mib : 0.0, target,
        run.peak_mib <= target ? "within" : "OVER");
}

}  // namespace

int main() {
    const fs::path scratch = fs::temp_directory_path() / "plugdebug-cli-memory-bench";
    fs::remove_all(scratch);
    fs::create_directories(scratch / "data" / "Halvane" / "Vuro");
    fs::create_directories(scratch / "plugin");
    std::ofstream(scratch / "plugin" / "flood.rb") << flood_plugin;
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("HOME", scratch.c_str(), 1);
    const std::string plugin = (scratch / "plugin" / "flood.rb").string();

    const measurement baseline = run_cli(plugin, "0,0");
    std::printf("baseline (nothing printed)  peak %7.1f MiB\n", baseline.peak_mib);
    const struct {
        const char* name;
        int out_mib, err_mib;
    } cases[] = {
        {"64 MiB on standard error", 0, 64},
        {"100 MiB on standard error", 0, 100},
        {"64 MiB on each stream", 64, 64},
    };
    for (const auto& c : cases) {
        const double captured = std::min<double>(c.out_mib, capture_limit_mib) +
                                std::min<double>(c.err_mib, capture_limit_mib);
        report(c.name, run_cli(plugin, std::to_string(c.out_mib) + "," + std::to_string(c.err_mib)),
               baseline, captured);
    }
    fs::remove_all(scratch);
    return 0;
}
