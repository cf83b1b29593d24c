#pragma once
// The results of a plug-in's regression cases as JUnit XML, the report CI services read.
#include <string>
#include <vector>

namespace vuro_plugin::cli {

struct junit_case {
    std::string name;     // UTF-8
    std::string failure;  // what differed; empty when the case passed
    double seconds = 0;
};

// One <testsuite> named `suite` with one <testcase> per case and the failure's text in
// <failure>. Any text is made well-formed: bytes that are not UTF-8 and characters XML
// cannot hold become U+FFFD.
std::string junit_xml(const std::string& suite, const std::vector<junit_case>& cases);

// Replaces the file at once: the report is written beside it and renamed over it, so a
// reader never sees half of one. Throws std::runtime_error saying what failed.
void write_report(const std::string& utf8_path, const std::string& contents);

}  // namespace vuro_plugin::cli
