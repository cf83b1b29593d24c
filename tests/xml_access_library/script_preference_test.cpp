#include <gtest/gtest.h>

#include <string>

#include "utility/text_conversion.h"
#include "xml_access_library/script_preference.h"

namespace {

using xml_access_library::script_preference;
using xml_access_library::script_preference_data;

std::string document(const std::string& children) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plugin>" + children + "</plugin>";
}

script_preference_data parsed(const std::string& text) {
    script_preference preference(text);
    EXPECT_TRUE(preference.parse()) << text;
    return preference.get_preference();
}

std::string utf8(const std::u16string& text) { return utility::utf16_to_utf8(text); }

TEST(ScriptPreference, ReadsEveryField) {
    const script_preference_data data = parsed(document(
        "<name>辞書引き</name><name_short>辞書</name_short><description> look up\n</description>"
        "<copyright>(c) A &amp; B</copyright><major_version>2</major_version>"
        "<minor_version>15</minor_version><preference>true</preference><callback>true</callback>"));
    EXPECT_EQ(data.name, u"辞書引き");
    EXPECT_EQ(data.name_short, u"辞書");
    EXPECT_EQ(data.description, u" look up\n");
    EXPECT_EQ(data.copyright, u"(c) A & B");
    EXPECT_EQ(data.major_version, 2);
    EXPECT_EQ(data.minor_version, 15);
    EXPECT_TRUE(data.preference);
    EXPECT_TRUE(data.callback);
}

TEST(ScriptPreference, MissingFieldsStayDefault) {
    const script_preference_data data = parsed(document("<name_short>short</name_short>"));
    EXPECT_EQ(data.name_short, u"short");
    EXPECT_EQ(data.name, u"");
    EXPECT_EQ(data.description, u"");
    EXPECT_EQ(data.copyright, u"");
    EXPECT_EQ(data.major_version, 0);
    EXPECT_EQ(data.minor_version, 0);
    EXPECT_FALSE(data.preference);
    EXPECT_FALSE(data.callback);
}

TEST(ScriptPreference, OnlyDirectChildrenAndTheirFirstOccurrenceCount) {
    const script_preference_data data =
        parsed(document("<info><name>nested</name><major_version>9</major_version></info>"
                        "<description>first</description><description>second</description>"));
    EXPECT_EQ(data.name, u"");
    EXPECT_EQ(data.major_version, 0);
    EXPECT_EQ(data.description, u"first");
}

TEST(ScriptPreference, TextsAreCutInUtf16CodeUnits) {
    const std::u16string long_name = std::u16string(99, u'名') + u"\U0001F600" + u"tail";
    const std::u16string long_short = u"\U0001F600" + std::u16string(19, u'x');
    const script_preference_data data =
        parsed(document("<name>" + utf8(long_name) + "</name><name_short>" + utf8(long_short) +
                        "</name_short>"
                        "<description>" +
                        std::string(300, 'd') +
                        "</description>"
                        "<copyright>" +
                        std::string(256, 'c') + "</copyright>"));
    EXPECT_EQ(data.name, long_name.substr(0, 100));
    EXPECT_EQ(data.name.back(), char16_t(0xD83D));  // the pair is split, as counted
    EXPECT_EQ(data.name_short, long_short.substr(0, 16));
    EXPECT_EQ(data.description, std::u16string(256, u'd'));
    EXPECT_EQ(data.copyright, std::u16string(256, u'c'));
}

TEST(ScriptPreference, VersionsFollowTheStrtolRule) {
    const struct {
        const char* text;
        int value;
    } cases[] = {{"7", 7},     {" 7", 7},
                 {"+7", 7},    {"007", 7},
                 {"100", 100}, {"0", 0},
                 {"\n\t7", 7}, {"101", 0},
                 {"-1", 0},    {"7 ", 0},
                 {"7a", 0},    {"", 0},
                 {"0x10", 0},  {"99999999999999999999", 0},
                 {"+-7", 0},   {"7.0", 0},
                 {"-0", 0}};
    for (const auto& sample : cases) {
        const script_preference_data data =
            parsed(document(std::string("<major_version>") + sample.text +
                            "</major_version><minor_version>" + sample.text + "</minor_version>"));
        EXPECT_EQ(data.major_version, sample.value) << '"' << sample.text << '"';
        EXPECT_EQ(data.minor_version, sample.value) << '"' << sample.text << '"';
    }
}

TEST(ScriptPreference, SwitchesAreTrueOnlyForExactlyTrue) {
    EXPECT_TRUE(parsed(document("<preference>true</preference>")).preference);
    EXPECT_TRUE(parsed(document("<callback><![CDATA[true]]></callback>")).callback);
    for (const char* text : {"True", "TRUE", "1", " true", "true ", "yes", ""}) {
        const script_preference_data data = parsed(document(
            std::string("<preference>") + text + "</preference><callback>" + text + "</callback>"));
        EXPECT_FALSE(data.preference) << text;
        EXPECT_FALSE(data.callback) << text;
    }
}

TEST(ScriptPreference, ReadsAShiftJisDocument) {
    // 名前 / 説明～ in code page 932.
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<plugin><name>\x96\xBC\x91\x4F</name>"
        "<description>\x90\xE0\x96\xBE\x81\x60</description><major_version>3</major_version></"
        "plugin>";
    const script_preference_data data = parsed(text);
    EXPECT_EQ(data.name, u"名前");
    EXPECT_EQ(data.description, u"説明～");
    EXPECT_EQ(data.major_version, 3);
}

TEST(ScriptPreference, ParsesOnce) {
    script_preference preference(document("<name>n</name><major_version>1</major_version>"));
    ASSERT_TRUE(preference.parse());
    EXPECT_FALSE(preference.parse());
    EXPECT_EQ(preference.get_preference().name, u"n");
    EXPECT_EQ(preference.get_preference().major_version, 1);
}

TEST(ScriptPreference, FailureLeavesTheDefaultRecord) {
    script_preference preference("<plugin><name>n</name><major_version>4</plugin>");
    EXPECT_FALSE(preference.parse());
    const script_preference_data data = preference.get_preference();
    EXPECT_EQ(data.name, u"");
    EXPECT_EQ(data.major_version, 0);
    EXPECT_FALSE(preference.get_diagnostic().empty());
}

TEST(ScriptPreference, ConstructorRefusesEmptyAndOversizedTexts) {
    EXPECT_THROW(script_preference(""), std::runtime_error);
    EXPECT_THROW(script_preference(std::string(10485761, ' ')), std::runtime_error);
}

}  // namespace
