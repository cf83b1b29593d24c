// Plug-in output and preference documents are untrusted: nothing in them may make the
// parser read local files, touch the network or expand without bound.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "tests/support/scratch.h"
#include "xml_access_library/script_load.h"
#include "xml_access_library/script_preference.h"
#include "xml_access_library/xml_access_utility.h"

namespace {

using namespace xml_access_library;
using namespace xml_access_library::xml_access_utility;

const std::string secret = "SECRET-FILE-CONTENT-7d1f";

class XmlSecurity : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(folder_.path() / "secret.txt") << secret;
        std::ofstream(folder_.path() / "secret.dtd") << "<!ENTITY leak \"" << secret << "\">";
    }
    std::string url(const std::string& name) const {
        return "file://" + (folder_.path() / name).string();
    }

    // The whole text the document yields, or "refused" when it does not load.
    static std::string outcome(const std::string& text) {
        try {
            xml_access_utility_impl source(text);
            const element_ref root = get_root_node(source);
            std::u16string all = get_node_text(root);
            return std::string(all.begin(), all.end());
        } catch (const std::exception&) {
            return "refused";
        }
    }

private:
    test_support::scratch_folder folder_;
};

TEST_F(XmlSecurity, ExternalEntitiesAreNeverRead) {
    const std::string documents[] = {
        "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + url("secret.txt") + "\">]><r>a&x;b</r>",
        "<!DOCTYPE r [<!ENTITY x SYSTEM \"" + url("secret.txt") + "\">]><r a=\"&x;\">ab</r>",
        "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + url("secret.dtd") + "\"> %p;]><r>a&leak;b</r>",
        "<!DOCTYPE r SYSTEM \"" + url("secret.dtd") + "\"><r>a&leak;b</r>",
        "<!DOCTYPE r [<!ENTITY x SYSTEM \"http://127.0.0.1:9/x\">]><r>a&x;b</r>",
        "<r xmlns:xi=\"http://www.w3.org/2001/XInclude\">a<xi:include href=\"" + url("secret.txt") +
            "\" parse=\"text\"/>b</r>",
    };
    for (const std::string& document : documents) {
        const std::string result = outcome(document);
        EXPECT_EQ(result.find(secret), std::string::npos) << document;
        EXPECT_TRUE(result == "ab" || result == "refused") << document << " gave " << result;
    }
}

TEST_F(XmlSecurity, BillionLaughsIsRefusedFast) {
    std::string document = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
    for (int level = 1; level <= 9; ++level) {
        document += "<!ENTITY lol" + std::to_string(level) + " \"";
        for (int copy = 0; copy < 10; ++copy) document += "&lol" + std::to_string(level - 1) + ";";
        document += "\">";
    }
    document += "]><items><item type=\"script_candidate\"><title>&lol9;</title></item></items>";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outcome(document), "refused");
    script_load load(document);
    EXPECT_FALSE(load.parse());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(XmlSecurity, WideEntityExpansionIsCutOff) {
    // libxml2 accepts many references to one large entity; reading them must not produce
    // gigabytes of text.
    std::string document = "<!DOCTYPE r [<!ENTITY big \"" + std::string(100000, 'x') + "\">]><r>";
    for (int copy = 0; copy < 2000; ++copy) document += "&big;";
    document += "</r>";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outcome(document), "refused");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    // A modest use of the same entity reads in full.
    document = "<!DOCTYPE r [<!ENTITY big \"" + std::string(100000, 'x') + "\">]><r>&big;&big;</r>";
    EXPECT_EQ(outcome(document), std::string(200000, 'x'));
}

bool candidates_parse(const std::string& text) { return script_load(text).parse(); }
bool preference_parses(const std::string& text) { return script_preference(text).parse(); }

TEST_F(XmlSecurity, ExpansionsThatAddNoTextAreChargedToo) {
    // An entity that adds no character, referenced 10,000 times by a second one that is
    // referenced 10,000 times (at "@") where a document class reads: a hundred million
    // empty expansions (seconds of work) in 60 KB. Under the sanitizers libxml2 itself
    // spends microseconds on each reference, so a bigger document would time libxml2.
    struct route {
        const char* empty;
        std::string body;
        bool (*parse)(const std::string&);
    };
    const route routes[] = {
        {"<e/>", "<items><item type=\"script_candidate\"><title>@</title></item></items>",
         candidates_parse},
        {"", "<items><item type=\"@\"><title>t</title></item></items>", candidates_parse},
        {"<e/>", "<plugin><name>n</name><major_version>@</major_version></plugin>",
         preference_parses},
    };
    std::string inner, outer;
    for (int copy = 0; copy < 10000; ++copy) inner += "&a;";
    for (int copy = 0; copy < 10000; ++copy) outer += "&b;";
    for (const route& each : routes) {
        std::string text = "<!DOCTYPE r [<!ENTITY a \"" + std::string(each.empty) +
                           "\"><!ENTITY b \"" + inner + "\">]>" + each.body;
        text.replace(text.find('@'), 1, outer);
        ASSERT_LT(text.size(), 1000000u);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(each.parse(text)) << each.body;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << each.body;
    }
}

TEST_F(XmlSecurity, DeepNestingIsRefusedNotACrash) {
    std::string document;
    for (int depth = 0; depth < 100000; ++depth) document += "<a>";
    for (int depth = 0; depth < 100000; ++depth) document += "</a>";
    EXPECT_EQ(outcome(document), "refused");
}

}  // namespace
