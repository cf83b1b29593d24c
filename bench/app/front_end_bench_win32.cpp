// The Win32 dialog's own cost, each against a baseline measured in the same run:
// (1) showing a plug-in's large output in a box of the dialog, fed a slice per turn of
//     the message loop, against the edit control given the whole text at once (as the
//     dialog did before): the longest pause between two timer ticks, and the time until
//     the text is all in the box;
// (2) the dialog's message loop while a run waits for the interpreter (the stand-in
//     ruby.exe sleeping) against the same loop with nothing running: the longest pause
//     between two timer ticks.
// (3) opening the candidate preview on a run of 100 candidates with comments, and the
//     open window following two more runs: the longest pause between two timer ticks,
//     against that of the idle loop.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/box_text.h"
#include "app/debugger_controller.h"
#include "app/dialog_win32/candidate_preview_window.h"
#include "app/dialog_win32/resource.h"
#include "app/dialog_win32/vuro_direct_script_plugin_test_dlg.h"
#include "app/dialog_win32/win32_dialog_view.h"
#include "bench/app/candidate_runs.h"
#include "platform/executable_path.h"
#include "utility/data_folder.h"

namespace {

using namespace vuro_plugin;
namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point start) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - start).count();
}

template <typename Action>
double median_ms(int rounds, Action action) {
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        const auto start = clock_type::now();
        action();
        times.push_back(ms_since(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void fail(const char* what) {
    std::fprintf(stderr, "front_end_bench: %s\n", what);
    std::exit(1);
}

// Pumps messages for `length`, or until `done`, noting the longest pause between two
// ticks of a 10 ms timer.
template <typename Done>
double longest_pause_ms(std::chrono::milliseconds length, Done done) {
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, nullptr);
    const auto end = clock_type::now() + length;
    auto last = clock_type::now();
    double longest = 0;
    while (clock_type::now() < end && !done()) {
        MSG message;
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        if (message.message == WM_TIMER && message.wParam == timer) {
            longest = std::max(longest, ms_since(last));
            last = clock_type::now();
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::KillTimer(nullptr, timer);
    return longest;
}

std::unique_ptr<Cvuro_direct_script_plugin_testDlg> open_dialog(const fs::path& plugins) {
    const std::wstring folder = plugins.wstring() + L"\\";
    auto dialog = std::make_unique<Cvuro_direct_script_plugin_testDlg>(
        std::u16string(folder.begin(), folder.end()), controller_options{});
    if (dialog->Create() == nullptr) fail("the dialog could not be made");
    return dialog;
}

// Pumps messages, makes `start` from the loop after a few ticks, and keeps going until
// `done`: the longest pause between two 10 ms ticks, and the time from start to done.
template <typename Start, typename Done>
std::pair<double, double> stall_ms(Start start, Done done) {
    bool started = false;
    clock_type::time_point began, finished;
    const auto begin = clock_type::now();
    const double longest = longest_pause_ms(std::chrono::seconds(600), [&] {
        if (!started && clock_type::now() - begin > std::chrono::milliseconds(50)) {
            began = clock_type::now();
            start();
            started = true;
        }
        if (!started || !done()) return false;
        // The pauses right after the last step count too.
        if (finished == clock_type::time_point()) finished = clock_type::now();
        return clock_type::now() - finished > std::chrono::milliseconds(100);
    });
    return {longest, std::chrono::duration<double, std::milli>(finished - began).count()};
}

void bench_large_output(const fs::path& plugins) {
    auto dialog = open_dialog(plugins);
    const HWND box = ::GetDlgItem(dialog->window(), id_standard_output);
    ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);
    win32_dialog_view view(dialog->window());
    for (const std::size_t mebibytes : {1u, 16u, 64u}) {
        const std::string line = "\t\t<title>" + std::string(45, 'x') + "</title>\n";
        std::string bytes;
        while (bytes.size() + line.size() <= (mebibytes << 20)) bytes += line;
        const auto shown = std::make_shared<const std::u16string>(box_text_of_output(bytes));
        const auto at_once = stall_ms(
            [&] {
                ::SetWindowTextW(box, reinterpret_cast<const wchar_t*>(shown->c_str()));
                ::UpdateWindow(box);
            },
            [] { return true; });
        ::SetWindowTextW(box, L"");
        DWORD last_feed = 0;
        const auto sliced = stall_ms(
            [&] {
                view.append_to_box(output_box::standard_output,
                                   {box_piece::kind::output, {}, {}, shown});
            },
            // The feed timer reaches the dialog's own view, not this one: here each tick
            // feeds, as the dialog's timer would.
            [&] {
                if (::GetTickCount() - last_feed >= 15) {
                    view.feed();
                    last_feed = ::GetTickCount();
                }
                return !view.boxes_pending();
            });
        if (::GetWindowTextLengthW(box) == 0) fail("text lost");
        view.clear_boxes();
        std::printf(
            "Box given %3zu MiB   longest pause between 10 ms ticks: whole text at once %8.1f ms"
            "   dialog %7.1f ms (ratio %.3f)   dialog done after %8.1f ms\n",
            mebibytes, at_once.first, sliced.first, sliced.first / at_once.first, sliced.second);
    }
}

void bench_responsiveness(const fs::path& plugins) {
    fs::remove(plugins / "a.rb");  // slow.rb is then the one selected
    std::ofstream(plugins / "slow.rb") << "sleep 3000\n";
    auto dialog = open_dialog(plugins);
    ::SetDlgItemTextW(dialog->window(), id_lookup_text, L"x");
    const double idle = longest_pause_ms(std::chrono::milliseconds(3000), [] { return false; });
    ::SendDlgItemMessageW(dialog->window(), id_run, BM_CLICK, 0, 0);
    const auto start = clock_type::now();
    const double running =
        longest_pause_ms(std::chrono::seconds(60), [&] { return !dialog->run_in_progress(); });
    std::printf(
        "Message loop, longest pause between 10 ms ticks   idle %6.1f ms   during a run of "
        "%.1f s %6.1f ms   ratio %.3f\n",
        idle, ms_since(start) / 1000, running, running / idle);
}

void bench_preview(const fs::path& plugins) {
    auto dialog = open_dialog(plugins);
    win32_candidate_preview& preview = *dialog->preview();
    const run_result first = run_with_candidates(100, u"A");
    const run_result second = run_with_candidates(100, u"B");
    const double idle = longest_pause_ms(std::chrono::milliseconds(1000), [] { return false; });
    const auto at_once = [](auto action) { return stall_ms(action, [] { return true; }).first; };
    const double link = at_once([&] { preview.show_run(first); });
    const double opening = at_once([&] { preview.open(); });
    if (::SendDlgItemMessageW(preview.window(), IDC_PREVIEW_LIST, LB_GETCOUNT, 0, 0) != 100)
        fail("preview lost candidates");
    const double following = at_once([&] { preview.show_run(second); });
    const double again = at_once([&] { preview.show_run(first); });
    std::printf(
        "Preview of 100 candidates   longest pause between 10 ms ticks: idle %5.1f ms   link "
        "%5.1f ms   opening %5.1f ms   following a run %5.1f ms, %5.1f ms   (worst/idle %.2f)\n",
        idle, link, opening, following, again, std::max({link, opening, following, again}) / idle);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each result as soon as it is measured
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    const std::u16string self = platform::executable_path();
    const fs::path bin = fs::path(std::wstring(self.begin(), self.end())).parent_path();
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::SetEnvironmentVariableW(
        L"PATH",
        ((bin / "stand-in").wstring() + L";" + std::wstring(path.begin(), path.end())).c_str());
    const std::u16string product = utility::product_data_folder();
    fs::create_directories(fs::path(std::wstring(product.begin(), product.end())));
    const fs::path plugins = fs::temp_directory_path() / "plugdebug-front-end-bench";
    fs::remove_all(plugins);
    fs::create_directories(plugins);
    std::ofstream(plugins / "a.rb") << "#\n";
    // "front_end_bench preview" measures the preview only.
    if (argc < 2 || std::string(argv[1]) != "preview") {
        bench_large_output(plugins);
        bench_responsiveness(plugins);
    }
    bench_preview(plugins);
    fs::remove_all(plugins);
    return 0;
}
