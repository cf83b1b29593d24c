#pragma once
// The regression cases of one plug-in, read from a JSON file:
//   {"plugin": "today.rb",
//    "cases": [{"text": "きょう", "titles": [...], "contains": [...], "count": 5,
//               "stderr": ""}]}
// Every key but "text" is optional; any other key, a value of another type, a count below
// zero and a text the Run command would refuse (empty, over 200 UTF-16 units) make the
// file invalid, as a syntax error does.
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vuro_plugin::cli {

struct check_case {
    std::string text;                                  // UTF-8, as all texts here
    std::optional<std::vector<std::string>> titles;    // exactly these, in this order
    std::optional<std::vector<std::string>> contains;  // each among the titles
    std::optional<std::size_t> count;                  // the number of candidates
    std::optional<std::string> standard_error;         // all the processing call wrote there
};

struct check_file {
    std::string plugin;
    std::vector<check_case> cases;
};

// What makes a file invalid, with where: what() is "line L, column C: reason" (the
// column counts characters from 1) or, for a file that cannot be read, the reason alone.
class cases_file_error : public std::runtime_error {
public:
    explicit cases_file_error(const std::string& text) : std::runtime_error(text) {}
};

// Throws cases_file_error.
check_file parse_check_file(const std::string& json);
check_file read_check_file(const std::string& utf8_path);

}  // namespace vuro_plugin::cli
