// Cost of one bridge call per language, against the bare interpreter started the same
// way in the same run: (1) the interpreter doing nothing, (2) a syntax check through
// run_script (bridge decoded, written, run, deleted), (3) a processing call whose plug-in
// returns 150 candidates. Also the time to decode each stored bridge.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/execute_command.h"
#include "engine/run_script.h"
#include "engine/script_language.h"
#include "utility/url_encoding.h"

namespace {

using clock_type = std::chrono::steady_clock;
constexpr int rounds = 15;

std::u16string widen(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

template <typename Action>
double median_ms(Action action) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = clock_type::now();
        action();
        times.push_back(
            std::chrono::duration<double, std::milli>(clock_type::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void fail(const char* what) {
    std::fprintf(stderr, "bridge_bench: %s\n", what);
    std::exit(1);
}

}  // namespace

int main() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "plugdebug-bridge-bench";
    std::filesystem::create_directories(folder);
    const std::vector<std::u16string> idle[] = {
        {u"perl", u"-e", u"1"}, {u"ruby", u"-e", u"1"}, {u"python", u"-c", u"pass"}};
    const std::vector<std::u16string> walk = {u"%77%61%6C%6B", u"", u"", u"0", u"", u""};

    std::printf("%-7s %12s %14s %10s %16s %10s %12s\n", "", "bare (ms)", "syntax (ms)", "ratio",
                "150 cand. (ms)", "ratio", "decode (us)");
    const auto& languages = vuro_plugin::script_languages();
    for (std::size_t index = 0; index < languages.size(); ++index) {
        const auto& language = languages[index];
        vuro_plugin::script_instance_data data;
        data.interpreter = language.interpreter;
        data.extension = language.extension;
        data.bridge_template = language.stored_bridge;
        data.script_path =
            widen(std::string(PLUGDEBUG_BRIDGE_FIXTURES) + "/scenario") + language.extension;
        data.data_folder = widen(folder.string() + "/");
        data.file_name = u"scenario" + language.extension;

        const double bare = median_ms([&] {
            std::string out, err;
            if (vuro_plugin::execute_command(idle[index], data.data_folder, out, err, true) !=
                vuro_plugin::command_result::completed)
                fail("interpreter did not run");
        });
        const double syntax = median_ms([&] {
            if (!vuro_plugin::check_syntax(data)) fail("syntax check failed");
        });
        const double process = median_ms([&] {
            if (vuro_plugin::run_script(u"run_process", walk, data, true).find("c99") ==
                std::string::npos)
                fail("no candidates");
        });
        const double decode = median_ms([&] {
            if (utility::url_decode(language.stored_bridge).empty()) fail("empty bridge");
        });
        std::printf("%-7s %12.1f %14.1f %10.2f %16.1f %10.2f %12.1f\n",
                    std::string(language.display_name.begin(), language.display_name.end()).c_str(),
                    bare, syntax, syntax / bare, process, process / bare, decode * 1000.0);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
