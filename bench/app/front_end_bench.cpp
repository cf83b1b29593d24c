// The front end's own cost, each against a baseline measured in the same run:
// (1) a Run of the sample Ruby plug-in through the controller (language trial, settings,
//     request, both outputs into the boxes) against the same engine calls made directly;
// (2) showing a plug-in's large output in the dialog's box against Qt's text box given
//     the whole text at once (as the dialog did before it fed its boxes in slices): the
//     longest pause between two 10 ms ticks of the event loop, and the time until the text
//     is all in the box (up to the display limit of box_feed.h).
// (3) the link after a run of 100 candidates with comments, opening the preview on it, and the open
//     window following two more runs: the longest pause between two 10 ms ticks, against
//     that of the idle loop.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <boost/make_shared.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/box_text.h"
#include "app/debugger_controller.h"
#include "app/dialog/candidate_preview_window.h"
#include "app/dialog/dialog_view.h"
#include "bench/app/candidate_runs.h"
#include "engine/script_language.h"
#include "engine/vuro_plugin_instance_script.h"

namespace {

using namespace vuro_plugin;
using clock_type = std::chrono::steady_clock;

template <typename Action>
double median_ms(int rounds, Action action) {
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
    std::fprintf(stderr, "front_end_bench: %s\n", what);
    std::exit(1);
}

// A view that ignores everything, so only the controller is measured.
class silent_view : public debugger_view {
public:
    void clear_boxes() override {}
    void append_to_box(output_box, const box_piece&) override {}
    void enable_refresh(bool) override {}
    void enable_run(bool) override {}
    void set_progress(int) override {}
    void show_plugin_list(const std::vector<std::u16string>&) override {}
    void repaint() override {}
    void show_message(const std::u16string&) override { fail("unexpected message"); }
};

// The engine calls of one Run, made directly.
void run_directly(const std::u16string& folder) {
    const script_language& ruby = script_languages()[1];
    auto instance = boost::make_shared<vuro_plugin_instance_script>(
        folder, u"today.rb", ruby.interpreter, ruby.extension, ruby.display_name,
        ruby.stored_bridge);
    if (!instance->check_syntax()) fail("syntax check failed");
    instance->prepare_processing();
    const message_handle message = instance->create_plugin_message(0, 0);
    vuro_plugin_message_quit_flag quit_flag;
    processing_request request{};
    fill_host_constants(request);
    assign_request_text(request.composition_text, request.composition_length, u"きょう");
    instance->run_processing(message, request, quit_flag);
    if (instance->get_plugin_receive_data(message, 0, 0).status != 0) fail("no candidates");
}

// Rounds alternate between the two ways, so that a change of machine load falls on both.
void bench_run(const std::u16string& folder, const char* interpreter, int rounds) {
    silent_view view;
    debugger_controller controller(view, folder);
    controller.OnRefresh();
    std::vector<double> direct, through_controller, extra;
    for (int round = 0; round < rounds; ++round) {
        direct.push_back(median_ms(1, [&] { run_directly(folder); }));
        through_controller.push_back(median_ms(1, [&] {
            if (controller.OnRun({u"きょう", 0}).result != run_result::outcome::completed)
                fail("run failed");
        }));
        extra.push_back(through_controller.back() - direct.back());
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf(
        "Run of today.rb, %-18s direct %7.1f ms   controller %7.1f ms   ratio %.3f   "
        "extra per run %+6.2f ms\n",
        interpreter, median(direct), median(through_controller),
        median(through_controller) / median(direct), median(extra));
}

// A stand-in "ruby" that answers at once with what the bridge would print, so that the
// front end's own cost is not lost in the interpreter's start-up.
std::string make_instant_ruby(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n";
    for (int i = 0; i < 5; ++i)
        xml += "\t<item type=\"script_candidate\">\n\t\t<title>2024年1月" + std::to_string(i) +
               "日</title>\n\t\t<info>日付</info>\n\t</item>\n";
    xml += "</itemlist>\n";
    std::FILE* script = std::fopen((folder / "ruby").c_str(), "w");
    std::fprintf(script,
                 "#!/bin/sh\nif [ \"$3\" = syntax_check ]; then printf 'syntax ok'; "
                 "else printf '%%s' '%s'; fi\n",
                 xml.c_str());
    std::fclose(script);
    std::filesystem::permissions(folder / "ruby", std::filesystem::perms::owner_all);
    return folder.string();
}

struct stall {
    double longest_ms = 0;  // the longest pause between two ticks
    double total_ms = 0;    // from the start until done
};

// Runs the event loop with a 10 ms timer, makes `start` from it, and keeps going until
// `done`: the longest pause between two ticks.
template <typename Start, typename Done>
stall measure_stall(Start start, Done done) {
    QElapsedTimer clock;
    QTimer ticker;
    qint64 last = 0;
    stall result;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        result.longest_ms = std::max(result.longest_ms, double(clock.elapsed() - last));
        last = clock.elapsed();
    });
    bool started = false;
    QTimer::singleShot(30, [&] {
        start();
        started = true;
    });
    clock.start();
    ticker.start(10);
    while (!started || !done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    result.total_ms = double(clock.elapsed());
    // A last pause (the box's layout on the next paint, say) counts too.
    const qint64 end = clock.elapsed() + 100;
    while (clock.elapsed() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return result;
}

void bench_large_output() {
    QWidget window;
    auto* output = new QPlainTextEdit(&window);
    auto* error = new QPlainTextEdit(&window);
    output->setGeometry(0, 0, 350, 120);
    dialog_view view({&window, new QLineEdit(&window), output, error, new QPushButton(&window),
                      new QPushButton(&window), new QProgressBar(&window), new QComboBox(&window)});
    QPlainTextEdit plain;
    plain.setGeometry(0, 0, 350, 120);
    window.show();
    plain.show();
    for (const std::size_t mebibytes : {1u, 16u, 64u}) {
        // 64-byte lines, as the box text the controller hands over (made on its thread).
        const std::string line = "\t\t<title>" + std::string(45, 'x') + "</title>\n";
        std::string bytes;
        while (bytes.size() + line.size() <= (mebibytes << 20)) bytes += line;
        const auto shown = std::make_shared<const std::u16string>(box_text_of_output(bytes));
        const QString qt_text = QString::fromStdU16String(*shown).remove(QLatin1Char('\r'));
        const stall idle = measure_stall([] {}, [] { return true; });
        const stall at_once =
            measure_stall([&] { plain.setPlainText(qt_text); }, [] { return true; });
        plain.setPlainText(QString());
        const stall sliced = measure_stall(
            [&] {
                view.append_to_box(output_box::standard_output,
                                   {box_piece::kind::output, {}, {}, shown});
            },
            [&] { return !view.boxes_pending(); });
        if (output->document()->isEmpty()) fail("text lost");
        view.clear_boxes();
        std::printf(
            "Box given %3zu MiB   longest pause between 10 ms ticks: idle %6.1f ms   whole "
            "text at once %8.1f ms   dialog %6.1f ms (ratio to at once %.3f)   dialog done "
            "after %8.1f ms\n",
            mebibytes, idle.longest_ms, at_once.longest_ms, sliced.longest_ms,
            sliced.longest_ms / at_once.longest_ms, sliced.total_ms);
    }
}

// A run's end updates the link; the window opens later, at the user's request.
void bench_preview() {
    QDialog dialog;
    dialog.resize(630, 446);
    candidate_preview preview(&dialog, {30, 300, 200, 50});
    dialog.show();
    const run_result first = run_with_candidates(100, u"A");
    const run_result second = run_with_candidates(100, u"B");
    const auto pause = [](auto action) { return measure_stall(action, [] { return true; }); };
    const stall idle = pause([] {});
    const stall link = pause([&] { preview.show_run(first); });
    const stall opening = pause([&] { preview.open(); });
    if (preview.window()->list()->count() != 100) fail("preview lost candidates");
    const stall following = pause([&] { preview.show_run(second); });
    const stall again = pause([&] { preview.show_run(first); });
    const double worst =
        std::max({link.longest_ms, opening.longest_ms, following.longest_ms, again.longest_ms});
    std::printf(
        "Preview of 100 candidates   longest pause between 10 ms ticks: idle %5.1f ms   link "
        "%5.1f ms   opening %5.1f ms   following a run %5.1f ms, %5.1f ms   (worst/idle %.2f)\n",
        idle.longest_ms, link.longest_ms, opening.longest_ms, following.longest_ms,
        again.longest_ms, worst / idle.longest_ms);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto scratch = std::filesystem::temp_directory_path() / "plugdebug-front-end-bench";
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch / "data" / "Halvane" / "Vuro");
    std::filesystem::create_directories(scratch / "plugin");
    for (const char* file : {"today.rb", "today.xml"})
        std::filesystem::copy_file(std::filesystem::path(PLUGDEBUG_SAMPLES) / file,
                                   scratch / "plugin" / file);
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    unsetenv("APPDATA");
    const std::string folder = (scratch / "plugin").string() + "/";
    const std::u16string plugins(folder.begin(), folder.end());
    // "front_end_bench preview" measures the preview only.
    if (argc < 2 || std::string(argv[1]) != "preview") {
        bench_run(plugins, "ruby", 21);
        const std::string path = getenv("PATH") ? getenv("PATH") : "";
        setenv("PATH", (make_instant_ruby(scratch / "bin") + ":" + path).c_str(), 1);
        bench_run(plugins, "instant interpreter", 101);
        setenv("PATH", path.c_str(), 1);
        bench_large_output();
    }
    bench_preview();
    std::filesystem::remove_all(scratch);
    return 0;
}
