#include <gtest/gtest.h>

#include <libxml/parser.h>

#include <string>

#include "app/cli/check_cases.h"
#include "app/cli/junit_report.h"

namespace {

using vuro_plugin::cli::cases_file_error;
using vuro_plugin::cli::parse_check_file;

std::string problem_of(const std::string& json) {
    try {
        parse_check_file(json);
    } catch (const cases_file_error& error) {
        return error.what() + std::string("\n");
    }
    return "valid\n";
}

// Every place a value can stand, with the wrong kind of value: the place named is where
// that value begins, counted in characters.
TEST(parse_check_file, names_the_line_and_column_of_what_is_wrong) {
    const struct {
        std::string json, problem;
    } cases[] = {
        {R"([])", "line 1, column 1: the file must hold one JSON object"},
        {R"({"plugin": 1, "cases": []})", "line 1, column 12: \"plugin\" must be a string"},
        {R"({"plugin": "", "cases": []})", "line 1, column 12: \"plugin\" must not be empty"},
        {R"({"plugin": "a", "cases": {}})", "line 1, column 26: \"cases\" must be an array"},
        {R"({"plugin": "a", "cases": ["x"]})", "line 1, column 27: a case must be an object"},
        {"{\"plugin\": \"a\",\n \"cases\": [{\"text\": null}]}",
         "line 2, column 21: \"text\" must be a string"},
        {R"({"plugin": "a", "cases": [{"text": ""}]})", "column 36: \"text\" must not be empty"},
        {R"({"plugin": "あいう", "cases": [{"text": "x", "titles": "x"}]})",
         "line 1, column 53: \"titles\" must be an array of strings"},
        {R"({"plugin": "a", "cases": [{"text": "x", "contains": [true]}]})",
         "line 1, column 54: \"contains\" must hold strings only"},
        {R"({"plugin": "a", "cases": [{"text": "x", "count": -2}]})",
         "line 1, column 50: \"count\" must not be negative"},
        {R"({"plugin": "a", "cases": [{"text": "x", "count": 1.5}]})",
         "line 1, column 50: \"count\" must be a whole number"},
        {R"({"plugin": "a", "cases": [{"text": "x", "stderr": ["e"]}]})",
         "line 1, column 51: \"stderr\" must be a string"},
        {R"({"plugin": "a", "plugin": "b", "cases": []})", "column 17: \"plugin\" appears twice"},
        {R"({"plugin": "a", "cases": [{"text": "x", "text": "y"}]})",
         "column 41: \"text\" appears twice"},
        {R"({"plugin": "a"})", "line 1, column 15: the file has no \"cases\""},
        {R"({"cases": []})", "line 1, column 13: the file has no \"plugin\""},
        {R"({"plugin": "a", "cases": []} x)", "line 1, column 30: syntax error"},
        {"{\"plugin\": \"a\", \"cases\": [{\"text\": \"" + std::string(201, 'x') + "\"}]}",
         "\"text\" holds at most 200 UTF-16 units"},
        {"{\"plugin\": \"a\xff\", \"cases\": []}",
         "line 1, column 14: syntax error while parsing value - invalid string: ill-formed "
         "UTF-8 byte\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_NE(problem_of(c.json).find(c.problem), std::string::npos) << problem_of(c.json);
    }
}

TEST(parse_check_file, reads_every_key_of_a_case) {
    const auto file = parse_check_file(R"({"cases": [
        {"text": "a\"b", "titles": ["x", "y"], "contains": [], "count": 0, "stderr": "e\r\n"},
        {"text": "c"}], "plugin": "p.rb"})");
    EXPECT_EQ(file.plugin, "p.rb");
    ASSERT_EQ(file.cases.size(), 2u);
    EXPECT_EQ(file.cases[0].text, "a\"b");
    EXPECT_EQ(file.cases[0].titles, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(file.cases[0].contains, std::vector<std::string>{});
    EXPECT_EQ(file.cases[0].count, 0u);
    EXPECT_EQ(file.cases[0].standard_error, "e\r\n");
    EXPECT_FALSE(file.cases[1].titles || file.cases[1].contains || file.cases[1].count ||
                 file.cases[1].standard_error);
}

// Whatever a plug-in wrote on standard error may end up in a failure: the report must
// stay well-formed XML.
TEST(junit_xml, stays_well_formed_for_any_bytes) {
    const std::string hostile = std::string("a<b>&\"c\x01\x1b[0m\xff\xc3(") + "\xef\xbf\xbe";
    const std::string xml =
        vuro_plugin::cli::junit_xml(hostile, {{hostile, hostile, 0.5}, {"ok", "", 0.25}});
    xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                       XML_PARSE_NONET | XML_PARSE_NOERROR);
    EXPECT_NE(document, nullptr) << xml;
    xmlFreeDoc(document);
    EXPECT_NE(xml.find("tests=\"2\" failures=\"1\" errors=\"0\" time=\"0.750\""), std::string::npos)
        << xml;
}

}  // namespace
