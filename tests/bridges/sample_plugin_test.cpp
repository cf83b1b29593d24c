// The sample plug-ins in samples/plugin/ run through their bridges, and their preference
// documents carry what the tool reads from them.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>

#include "tests/bridges/bridge_runner.h"
#include "tests/bridges/xml_check.h"

namespace bridge_test {
namespace {

struct sample {
    std::size_t language;  // index into the language table
    std::string name;
    std::size_t candidate_count;  // for "きょう"
};

const sample samples[] = {{0, "katakana", 2}, {1, "today", 5}, {2, "showcase", 4}};

std::string sample_file(const std::string& name) {
    std::ifstream file(std::string(PLUGDEBUG_SAMPLE_FOLDER) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::u16string sample_path(const sample& each) {
    const std::string path = std::string(PLUGDEBUG_SAMPLE_FOLDER) + "/" + each.name + "." +
                             extension_of(languages()[each.language]);
    return {path.begin(), path.end()};
}

bridge_output process(const sample& each, const std::string& text) {
    return run_bridge(languages()[each.language], sample_path(each), u"run_process",
                      request_arguments(text, "", "", 0, "", ""));
}

TEST(SamplePlugins, AnswerKyouWithWellFormedCandidates) {
    for (const auto& each : samples) {
        SCOPED_TRACE(each.name);
        const auto output = process(each, "きょう");
        EXPECT_EQ(output.standard_error, "");
        ASSERT_EQ(xml_error(output.standard_output), "") << output.standard_output;
        const auto titles = element_texts(output.standard_output, "title");
        EXPECT_EQ(titles.size(), each.candidate_count);
        for (const auto& comment : element_texts(output.standard_output, "comment"))
            EXPECT_EQ(xml_error(comment), "") << comment;
    }
}

TEST(SamplePlugins, TodayGivesTodaysDate) {
    const std::time_t now = std::time(nullptr);
    char iso_date[16];
    std::strftime(iso_date, sizeof iso_date, "%Y-%m-%d", std::localtime(&now));
    const auto titles = element_texts(process(samples[1], "きょう").standard_output, "title");
    ASSERT_FALSE(titles.empty());
    EXPECT_EQ(titles.front(), iso_date);  // could differ only across midnight
}

TEST(SamplePlugins, ShowcaseUsesEveryCandidateKey) {
    const std::string output = process(samples[2], "きょう").standard_output;
    for (const char* element : {"comment", "alternative", "alternative_alias", "info"})
        EXPECT_FALSE(element_texts(output, element).empty()) << element;
    EXPECT_NE(output.find("<alternative type=\"url_jump_string\">"), std::string::npos);
    EXPECT_NE(output.find("<alternative type=\"definite_string\">"), std::string::npos);
}

TEST(SamplePlugins, EmptyTextGivesNoCandidates) {
    for (const auto& each : samples) {
        SCOPED_TRACE(each.name);
        const auto output = process(each, "");
        EXPECT_EQ(output.standard_error, "");
        EXPECT_TRUE(element_texts(output.standard_output, "title").empty());
    }
}

TEST(SamplePlugins, PreferenceDocumentsNameAndDescribeThePlugin) {
    for (const auto& each : samples) {
        SCOPED_TRACE(each.name);
        const std::string document = sample_file(each.name + ".xml");
        ASSERT_EQ(xml_error(document), "");
        for (const char* element : {"name", "name_short", "description", "copyright"}) {
            const auto texts = element_texts(document, element);
            ASSERT_EQ(texts.size(), 1u) << element;
            EXPECT_FALSE(texts[0].empty()) << element;
        }
        EXPECT_LE(characters(element_texts(document, "name_short")[0]), 16u);
        EXPECT_LE(characters(element_texts(document, "name")[0]), 100u);
        EXPECT_EQ(element_texts(document, "major_version"), std::vector<std::string>{"1"});
        for (const char* flag : {"preference", "callback"}) {
            const auto texts = element_texts(document, flag);
            ASSERT_EQ(texts.size(), 1u) << flag;
            EXPECT_TRUE(texts[0] == "true" || texts[0] == "false") << flag;
        }
    }
}

}  // namespace
}  // namespace bridge_test
