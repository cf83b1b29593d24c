// Parse time of candidate documents through script_load, against libxml2 alone parsing
// the same bytes into a tree in the same run. Prints each ratio at the end.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "xml_access_library/script_load.h"

namespace {

constexpr int repetitions = 7;

std::string candidate(int index, std::size_t comment_size) {
    const std::string number = std::to_string(index);
    return "<item type=\"script_candidate\"><title>候補 " + number + "</title><comment>" +
           std::string(comment_size, 'c') + "&lt;b&gt;" + number + "&lt;/b&gt;</comment>" +
           "<alternative type=\"url_jump_string\">https://example.org/?q=" + number +
           "</alternative><alternative_alias>alias " + number + "</alternative_alias><info>" +
           number + "</info></item>\n";
}

// Items of the given comment size until the document reaches `target` bytes (or `count`).
std::string document(std::size_t comment_size, int count, std::size_t target) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<items>\n";
    const std::string end = "</items>\n";
    for (int index = 0; index < count; ++index) {
        const std::string item = candidate(index, comment_size);
        if (text.size() + item.size() + end.size() > target) break;
        text += item;
    }
    return text + end;
}

const std::map<std::string, std::string>& documents() {
    static const std::map<std::string, std::string> all = {
        {"100_items", document(200, 100, 10485760)},
        {"10MiB_many_items", document(400, 1 << 30, 10485760)},
        {"10MiB_large_comments", document(100000, 1 << 30, 10485760)},
    };
    return all;
}

void libxml2_tree(benchmark::State& state, const std::string& name) {
    const std::string& text = documents().at(name);
    for (auto _ : state) {
        xmlDocPtr document = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr,
                                           nullptr, XML_PARSE_NONET);
        if (document == nullptr) state.SkipWithError("libxml2 refused the document");
        xmlFreeDoc(document);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

void script_load_parse(benchmark::State& state, const std::string& name) {
    const std::string& text = documents().at(name);
    for (auto _ : state) {
        xml_access_library::script_load load(text);
        if (!load.parse()) state.SkipWithError("script_load refused the document");
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}

// Keeps the fastest repetition of every benchmark so that ratios can be printed at the end.
// On a shared machine the minimum, and CPU time rather than real time, are the figures
// least disturbed by the neighbours; real time is printed as well.
class ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                times_[run.run_name.function_name] = {run.GetAdjustedCPUTime(),
                                                      run.GetAdjustedRealTime()};
    }
    void print_ratios() const {
        std::printf("\nscript_load / libxml2 tree, fastest of %d repetitions (target <= 1.50):\n",
                    repetitions);
        std::printf("  %-22s %8s        %6s  %6s\n", "document", "bytes", "cpu", "real");
        for (const auto& entry : documents()) {
            const auto ours = times_.find("script_load/" + entry.first);
            const auto base = times_.find("libxml2_tree/" + entry.first);
            if (ours == times_.end() || base == times_.end()) continue;
            std::printf("  %-22s %8zu bytes  %5.2fx  %5.2fx\n", entry.first.c_str(),
                        entry.second.size(), ours->second.first / base->second.first,
                        ours->second.second / base->second.second);
        }
    }

private:
    std::map<std::string, std::pair<double, double>> times_;  // cpu, real
};

void configure(benchmark::internal::Benchmark* benchmark) {
    benchmark->Unit(benchmark::kMillisecond)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("min", [](const std::vector<double>& values) {
            return *std::min_element(values.begin(), values.end());
        });
}

}  // namespace

int main(int argc, char** argv) {
    xmlInitParser();
    for (const auto& entry : documents()) {
        benchmark::RegisterBenchmark(("libxml2_tree/" + entry.first).c_str(), libxml2_tree,
                                     entry.first)
            ->Apply(configure);
        benchmark::RegisterBenchmark(("script_load/" + entry.first).c_str(), script_load_parse,
                                     entry.first)
            ->Apply(configure);
    }
    benchmark::Initialize(&argc, argv);
    ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.print_ratios();
    return 0;
}
