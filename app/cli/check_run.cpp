#include "app/cli/check_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/cli/cli_command.h"
#include "app/cli/cli_view.h"
#include "app/cli/junit_report.h"
#include "app/debugger_controller.h"
#include "app/debugger_texts.h"
#include "app/plugin_folder.h"
#include "engine/cancel_token.h"
#include "engine/script_language.h"
#include "engine/vuro_plugin_instance_script.h"
#include "platform/termination_signals.h"
#include "utility/text_conversion.h"

namespace vuro_plugin::cli {
namespace {

namespace fs = std::filesystem;

constexpr char program[] = "plugdebug-cli: ";

// Collects what a run shows instead of showing it: a view per case, on its own thread.
class collecting_view final : public debugger_view {
public:
    std::string output, error, notices;

    bool wants_box_text() const override { return false; }
    void clear_boxes() override {}
    void append_to_box(output_box box, const box_piece& piece) override {
        if (piece.what == box_piece::kind::output) {
            (box == output_box::standard_output ? output : error) += piece.bytes;
            return;
        }
        note(std::u16string(piece.notice));
    }
    void enable_refresh(bool) override {}
    void enable_run(bool) override {}
    void set_progress(int) override {}
    void show_plugin_list(const std::vector<std::u16string>&) override {}
    void repaint() override {}
    void show_message(const std::u16string& text) override { note(text); }

private:
    void note(const std::u16string& text) {
        notices += (notices.empty() ? "" : " ") + terminal_text(text);
    }
};

std::string json_text(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string without_cr_before_lf(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) result += text[i];
    return result;
}

// A text on one line: control characters as JSON writes them.
std::string one_line(const std::string& text) {
    std::string result;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
            result += c;
        } else {
            const std::string escaped = json_text(std::string(1, c));
            result += escaped.substr(1, escaped.size() - 2);
        }
    }
    return result;
}

bool is_file(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// Beside the cases file first; a bare name then in the plug-in folder.
std::optional<plugin_entry> resolve_plugin(const std::string& cases_file, const std::string& name) {
    const fs::path given = fs::u8path(name);
    fs::path path = fs::u8path(cases_file).parent_path() / given;
    if (!is_file(path) && !given.has_parent_path())
        path = fs::u8path(utility::utf16_to_utf8(find_plugin_folder())) / given;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    if (error || !is_file(absolute)) return std::nullopt;
    return plugin_entry{utility::utf8_to_utf16(absolute.parent_path().u8string() + "/"),
                        utility::utf8_to_utf16(absolute.filename().u8string())};
}

const script_language& language_of(const abstract_vuro_plugin_instance& instance) {
    for (const script_language& language : script_languages())
        if (language.display_name == instance.get_language_name()) return language;
    throw std::logic_error("a checked instance of no known language");
}

struct case_result {
    bool done = false;
    bool stopped = false;
    std::string failure;
    std::int64_t processing_ms = -1;
};

// Runs the cases on `jobs` threads and hands each result over in the file's order as soon
// as it and those before it are known.
class case_runner {
public:
    case_runner(const std::vector<check_case>& cases, const plugin_entry& plugin,
                const script_language& language, const controller_options& settings)
        : cases_(cases),
          plugin_(plugin),
          language_(language),
          settings_(settings),
          results_(cases.size()) {}

    template <typename Report>
    void run(unsigned jobs, const Report& report) {
        const unsigned threads = std::max(1u, std::min<unsigned>(jobs, cases_.size()));
        std::vector<std::thread> workers;
        for (unsigned i = 0; i < threads && !cases_.empty(); ++i)
            workers.emplace_back([this] { work(); });
        for (std::size_t i = 0; i < cases_.size(); ++i) {
            std::unique_lock<std::mutex> lock(mutex_);
            ready_.wait(lock, [&] { return results_[i].done || idle_ == workers.size(); });
            if (!results_[i].done || results_[i].stopped) break;
            const case_result result = results_[i];
            lock.unlock();
            report(i, result);
        }
        for (std::thread& worker : workers) worker.join();
    }

private:
    void work() {
        for (std::size_t i = next_++; i < cases_.size(); i = next_++) {
            if (settings_.runner.cancel->cancelled()) break;
            case_result result = run_case(cases_[i]);
            const std::lock_guard<std::mutex> lock(mutex_);
            result.done = true;
            results_[i] = std::move(result);
            ready_.notify_all();
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        ++idle_;
        ready_.notify_all();
    }

    case_result run_case(const check_case& expected) const {
        case_result result;
        try {
            collecting_view view;
            debugger_controller controller(view, find_plugin_folder(), settings_);
            const run_result run =
                controller.OnProcess(plugin_, language_, utility::utf8_to_utf16(expected.text));
            result.stopped = run.result == run_result::outcome::stopped;
            result.processing_ms = run.timings.processing_ms;
            result.failure = case_differences(expected, {run, view.error, view.notices});
        } catch (const std::exception& error) {
            result.failure = std::string("the case could not be run: ") + error.what();
        }
        return result;
    }

    const std::vector<check_case>& cases_;
    const plugin_entry& plugin_;
    const script_language& language_;
    const controller_options& settings_;
    std::vector<case_result> results_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable ready_;
    std::size_t idle_ = 0;
};

int run_cases(const check_settings& settings, const check_file& file, const plugin_entry& plugin,
              const controller_options& options, std::ostream& out, std::ostream& err) {
    collecting_view check_view;
    debugger_controller checker(check_view, find_plugin_folder(), options);
    const instance_handle instance = checker.CreateScriptInstance(plugin.folder, plugin.file_name);
    if (options.runner.cancel->cancelled()) return exit_failure;  // the signal's code wins
    if (!instance) {
        err << check_view.output << check_view.error << program << "no language accepted "
            << file.plugin << " (is its interpreter on the PATH? does its syntax check pass?)\n";
        return exit_no_language;
    }
    if (settings.timings)
        err << program << "syntax check "
            << seconds_text(dynamic_cast<const vuro_plugin_instance_script&>(*instance)
                                .last_call()
                                .elapsed_ms)
            << '\n';
    std::size_t passed = 0;
    std::vector<junit_case> report;
    case_runner runner(file.cases, plugin, language_of(*instance), options);
    runner.run(settings.jobs, [&](std::size_t i, const case_result& result) {
        const std::string name = std::to_string(i + 1) + " " + one_line(file.cases[i].text);
        out << (result.failure.empty() ? "ok " : "FAIL ") << name
            << (result.failure.empty() ? "" : ": " + result.failure) << '\n'
            << std::flush;
        if (settings.timings)
            err << program << "case " << i + 1 << ": processing "
                << seconds_text(result.processing_ms) << '\n';
        passed += result.failure.empty() ? 1 : 0;
        report.push_back({name, result.failure, static_cast<double>(result.processing_ms) / 1000});
    });
    if (report.size() < file.cases.size()) {
        err << program << terminal_text(texts::run_stopped) << '\n';
        return exit_failure;  // only a signal stops the cases: its code wins
    }
    out << passed << " passed, " << file.cases.size() - passed << " failed\n" << std::flush;
    if (!settings.junit_file.empty()) {
        try {
            write_report(settings.junit_file, junit_xml(file.plugin, report));
        } catch (const std::runtime_error& error) {
            err << program << error.what() << '\n';
            return exit_failure;
        }
    }
    return passed == file.cases.size() ? exit_ran : exit_cases_failed;
}

}  // namespace

std::string case_differences(const check_case& expected, const case_observed& observed) {
    const run_result& run = observed.run;
    if (run.result != run_result::outcome::completed)
        return "the processing call did not complete" +
               (run.error.empty() ? std::string() : ": " + run.error) +
               (observed.notices.empty() ? std::string() : " (" + observed.notices + ")");
    std::vector<std::string> titles;
    for (const viewer_candidate& candidate : run.candidates.items)
        titles.push_back(utility::utf16_to_utf8(candidate.title));
    std::vector<std::string> differences;
    if (expected.titles && *expected.titles != titles)
        differences.push_back("titles " + json_text(*expected.titles) + " expected, got " +
                              json_text(titles));
    if (expected.contains) {
        std::vector<std::string> missing;
        for (const std::string& title : *expected.contains)
            if (std::find(titles.begin(), titles.end(), title) == titles.end())
                missing.push_back(title);
        if (!missing.empty())
            differences.push_back("titles " + json_text(missing) + " missing from " +
                                  json_text(titles));
    }
    if (expected.count && *expected.count != titles.size())
        differences.push_back(std::to_string(*expected.count) + " candidates expected, got " +
                              std::to_string(titles.size()));
    if (expected.standard_error && without_cr_before_lf(*expected.standard_error) !=
                                       without_cr_before_lf(observed.standard_error))
        differences.push_back("standard error " + json_text(*expected.standard_error) +
                              " expected, got " + json_text(observed.standard_error));
    if (differences.empty()) return {};
    std::string text;
    for (const std::string& difference : differences)
        text += (text.empty() ? "" : "; ") + difference;
    if (titles.empty() && !run.candidates.why_none.empty())
        text += " (" + one_line(terminal_text(run.candidates.why_none)) + ")";
    if (!observed.notices.empty()) text += " (" + observed.notices + ")";
    return text;
}

int run_check(const check_settings& settings, std::ostream& out, std::ostream& err) {
    check_file file;
    try {
        file = read_check_file(settings.cases_file);
    } catch (const cases_file_error& error) {
        err << program << settings.cases_file << ": " << error.what() << '\n';
        return exit_usage;
    }
    const std::optional<plugin_entry> plugin = resolve_plugin(settings.cases_file, file.plugin);
    if (!plugin) {
        err << program << "no such plug-in file: " << file.plugin
            << " (looked for beside the cases file, then in the plug-in folder)\n";
        return exit_usage;
    }
    controller_options options;
    options.runner.cancel = std::make_shared<cancel_token>();
    // A signal stops the calls under way through the token, and no case starts after it.
    const platform::termination_signals signals(
        [cancel = options.runner.cancel](int) { cancel->cancel(); });
    const int code = run_cases(settings, file, *plugin, options, out, err);
    return signals.received() != 0 ? signals.received() : code;
}

}  // namespace vuro_plugin::cli
