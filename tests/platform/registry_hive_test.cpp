#include <gtest/gtest.h>

#include <string>

#include "platform/registry_hive.h"
#include "platform/text_codec.h"

namespace {

using platform::registry_hive;
using platform::registry_value;
namespace registry_type = platform::registry_type;

const std::u16string key = u"HKEY_CURRENT_USER\\Software\\Test";

std::vector<std::uint8_t> sz(std::u16string_view text, bool terminated = true) {
    std::vector<std::uint8_t> data;
    for (char16_t unit : text) {
        data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (terminated) data.insert(data.end(), {0, 0});
    return data;
}

std::string utf16le_with_bom(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

// `text` with its LF line ends replaced by `line_end`, encoded as UTF-16LE with a byte-order
// mark, UTF-8 with one or plain UTF-8.
std::string file_of(const std::u16string& text, std::u16string_view line_end,
                    const std::string& encoding) {
    std::u16string lines;
    for (char16_t unit : text) lines += unit == u'\n' ? line_end : std::u16string_view(&unit, 1);
    if (encoding == "utf-16") return utf16le_with_bom(lines);
    std::string bytes;
    platform::utf16_to_bytes(platform::code_page::utf8, lines, bytes);
    return (encoding == "utf-8 bom" ? "\xEF\xBB\xBF" : "") + bytes;
}

registry_hive parsed(const std::string& bytes) {
    auto hive = registry_hive::parse(bytes);
    if (!hive) ADD_FAILURE() << "does not parse:\n" << bytes;
    return hive ? *hive : registry_hive();
}

void expect_value(const registry_hive& hive, std::u16string_view name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) {
    const registry_value* value = hive.find_value(key, name);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, type);
    EXPECT_EQ(value->data, data);
}

TEST(RegistryHive, ReadsAnExportInUtf16WithByteOrderMarkAndCrLf) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Test]\r\n"
        u"\"Text\"=\"値 \\\"q\\\" C:\\\\x\"\r\n"
        u"\"Number\"=dword:0000abcd\r\n"
        u"\"Bytes\"=hex:01,02,\\\r\n  ff\r\n"
        u"\"Multi\"=hex(7):61,00,00,00,00,00\r\n"
        u"\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        u"@=\"default\"\r\n";
    const registry_hive hive = parsed(utf16le_with_bom(text));
    expect_value(hive, u"Text", registry_type::sz, sz(u"値 \"q\" C:\\x"));
    expect_value(hive, u"Number", registry_type::dword, {0xcd, 0xab, 0, 0});
    expect_value(hive, u"Bytes", registry_type::binary, {1, 2, 0xff});
    expect_value(hive, u"Multi", 7, {0x61, 0, 0, 0, 0, 0});
    expect_value(hive, u"Quad", 0xb, {1, 0, 0, 0, 0, 0, 0, 0});
    expect_value(hive, u"", registry_type::sz, sz(u"default"));
}

TEST(RegistryHive, NamesCompareWithoutCaseAndAncestorsExist) {
    const registry_hive hive = parsed(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Test\\Deep]\n"
        "\"MixedCase\"=dword:00000001\n"
        "[HKEY_CURRENT_USER\\Software\\Ünï]\n\"ä\"=dword:00000002\n");
    EXPECT_NE(hive.find_value(u"hkey_current_user\\SOFTWARE\\test\\deep", u"mixedcase"), nullptr);
    EXPECT_NE(hive.find_value(u"HKEY_CURRENT_USER\\Software\\ÜNÏ", u"Ä"), nullptr);
    EXPECT_TRUE(hive.key_exists(u"HKEY_CURRENT_USER\\software\\TEST"));
    EXPECT_TRUE(hive.key_exists(u"HKEY_CURRENT_USER"));
    EXPECT_FALSE(hive.key_exists(u"HKEY_CURRENT_USER\\Software\\Tes"));
    EXPECT_FALSE(hive.key_exists(u"HKEY_CURRENT_USER\\Software\\Test\\Deeper"));
}

TEST(RegistryHive, AwkwardNamesAndTextsSurviveAWriteAndARead) {
    const std::u16string awkward = u"a\"b\\c]d\ne\r\nf 日本語 \\\" [x] @=;";
    registry_hive hive;
    hive.set_value(key, {awkward, registry_type::sz, sz(awkward)});
    hive.set_value(key, {u"plain", registry_type::sz, sz(u"C:\\Program Files\\\"quoted\"")});
    hive.set_value(key, {u"unterminated", registry_type::sz, sz(u"abc", false)});
    hive.set_value(key, {u"inner nul", registry_type::sz, sz(std::u16string(u"a\0b", 3))});
    hive.set_value(key, {u"lone surrogate", registry_type::sz, sz(u"x\xD800y")});
    hive.set_value(key, {u"odd", registry_type::sz, {0x41, 0, 0x42}});
    hive.set_value(key, {u"empty sz", registry_type::sz, {}});
    hive.set_value(key, {u"short dword", registry_type::dword, {1, 2}});
    hive.set_value(key, {u"empty binary", registry_type::binary, {}});
    hive.set_value(key, {u"", 0x20000, {9, 8}});
    hive.set_value(u"HKEY_CURRENT_USER\\Software\\odd]name [key]",
                   {u"v", registry_type::dword, {1, 0, 0, 0}});

    const std::string bytes = hive.serialise();
    const registry_hive again = parsed(bytes);
    EXPECT_EQ(again.serialise(), bytes);
    expect_value(again, awkward, registry_type::sz, sz(awkward));
    expect_value(again, u"plain", registry_type::sz, sz(u"C:\\Program Files\\\"quoted\""));
    expect_value(again, u"unterminated", registry_type::sz, sz(u"abc", false));
    expect_value(again, u"inner nul", registry_type::sz, sz(std::u16string(u"a\0b", 3)));
    expect_value(again, u"lone surrogate", registry_type::sz, sz(u"x\xD800y"));
    expect_value(again, u"odd", registry_type::sz, {0x41, 0, 0x42});
    expect_value(again, u"empty sz", registry_type::sz, {});
    expect_value(again, u"short dword", registry_type::dword, {1, 2});
    expect_value(again, u"empty binary", registry_type::binary, {});
    expect_value(again, u"", 0x20000, {9, 8});
    EXPECT_NE(again.find_value(u"HKEY_CURRENT_USER\\Software\\ODD]NAME [KEY]", u"v"), nullptr);
    // Every section on a line of its own, parents included, as an export lists them.
    EXPECT_NE(bytes.find("\n[HKEY_CURRENT_USER\\Software]\n"), std::string::npos);
}

TEST(RegistryHive, RewritingKeepsCommentsOtherRootsAndValueOrder) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n\n; exported by hand\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=dword:00000001\n\n"
        "[HKEY_CURRENT_USER\\Software\\Test]\n\"first\"=dword:00000001\n; note\n"
        "\"second\"=\"two\"\n\n";
    registry_hive hive = parsed(text);
    EXPECT_EQ(hive.serialise(), text);
    hive.set_value(key, {u"FIRST", registry_type::dword, {5, 0, 0, 0}});
    hive.set_value(key, {u"third", registry_type::binary, {0xab}});
    EXPECT_EQ(hive.serialise(),
              "Windows Registry Editor Version 5.00\n\n; exported by hand\n\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=dword:00000001\n\n"
              "[HKEY_CURRENT_USER\\Software\\Test]\n\"first\"=dword:00000005\n; note\n"
              "\"second\"=\"two\"\n\"third\"=hex:ab\n\n");
}

TEST(RegistryHive, AKeyThatOnlyExistsAsAnAncestorTakesValues) {
    registry_hive hive = parsed(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Test\\Deep]\n");
    EXPECT_FALSE(hive.create_key(key));
    hive.set_value(key, {u"v", registry_type::dword, {1, 0, 0, 0}});
    expect_value(parsed(hive.serialise()), u"v", registry_type::dword, {1, 0, 0, 0});
}

TEST(RegistryHive, EmptyFilesAreEmptyHives) {
    for (const std::string bytes : {"", "\xEF\xBB\xBF", "\xFF\xFE", " \n\r\n"}) {
        const auto hive = registry_hive::parse(bytes);
        ASSERT_TRUE(hive.has_value());
        EXPECT_FALSE(hive->key_exists(u"HKEY_CURRENT_USER\\Software"));
    }
}

TEST(RegistryHive, RefusesWhatItCannotReadExactly) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    const std::string section = header + "[HKEY_CURRENT_USER\\Software\\Test]\n";
    const std::string broken[] = {
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n",
        "[HKEY_CURRENT_USER\\Software]\n",
        header + "\"before any section\"=dword:00000001\n",
        header + "[HKEY_CURRENT_USER\\Software\n",
        header + "[HKEY_CURRENT_USER\\\\Software]\n",
        header + "[-HKEY_CURRENT_USER\\Software]\n",
        section + "\"unterminated=\"x\n",
        section + "\"a\"=\"unterminated\n",
        section + "\"a\"=\"bad escape \\n\"\n",
        section + "\"a\"=dword:\n",
        section + "\"a\"=dword:123456789\n",
        section + "\"a\"=dword:12 34\n",
        section + "\"a\"=hex:1g\n",
        section + "\"a\"=hex:01 02\n",
        section + "\"a\"=hex:123\n",
        section + "\"a\"=hex(:01\n",
        section + "\"a\"=-\n",
        section + "\"a\"=\"x\" trailing\n",
        section + "\"a\" \"b\"\n",
        section + "garbage\n",
        section + "\"bad utf-8 \xC3\x28\"=dword:00000001\n",
        section + "\"overlong \xC0\xAF\"=dword:00000001\n",
        // Values cut short, as a truncated file ends.
        section + "\"a\"=dword:000",
        section + "\"a\"=dword:1\n",
        section + "\"a\"=hex:01,02,",
        section + "\"a\"=hex:01,02,\n\"b\"=dword:00000001\n",
        section + "\"a\"=hex:01,\\\n",
        section + "\"a\"=hex:01,\\\n\n\"b\"=dword:00000001\n",
        section + "\"a\"=hex(7):61,0",
    };
    for (const std::string& text : broken)
        EXPECT_FALSE(registry_hive::parse(text).has_value()) << text;
    EXPECT_FALSE(registry_hive::parse("\xFF\xFEW\0i").has_value());  // odd length
    EXPECT_FALSE(registry_hive::parse(
                     utf16le_with_bom(
                         u"Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\S\xDC00]\n"))
                     .has_value());
}

TEST(RegistryHive, StrayBytesAfterTheLastLineAndDoubledCarriageReturnsAreAccepted) {
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Test]\n"
        u"\"v\"=dword:00000001\n\"b\"=hex:01,\\\n  02\n";
    const std::string files[] = {
        file_of(text, u"\n", "utf-8") + std::string(1, '\0'),
        file_of(text, u"\r\n", "utf-8 bom") + std::string(3, '\0') + " \t\r\n \r",
        file_of(text, u"\r\r\n", "utf-8"),
        file_of(text, u"\r\n", "utf-16") + std::string(2, '\0'),
        file_of(text, u"\r\n", "utf-16") + std::string(1, '\0'),
        file_of(text + u"  \n\t", u"\r\r\n", "utf-16"),
    };
    for (const std::string& file : files) {
        const registry_hive hive = parsed(file);
        expect_value(hive, u"v", registry_type::dword, {1, 0, 0, 0});
        expect_value(hive, u"b", registry_type::binary, {1, 2});
    }
}

TEST(RegistryHive, SaysOnWhichLineAndWhyAFileDoesNotParse) {
    const std::string section =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Test]\n";
    const struct {
        std::string file;
        std::size_t line;
        std::string what;
    } cases[] = {
        {"\nREGEDIT4\n", 2, "the first line is not \"Windows Registry Editor Version 5.00\""},
        {section + "\"a\"=dword:1\n", 4, "a dword needs exactly eight hexadecimal digits"},
        {section + "; note\r\n\"a\"=hex:01,\\\n  02,\n", 5,
         "the value is cut short: a byte list ends with a comma"},
        {section + "\"a\"=\"x\"\n\"b\"=hex:01,\\\n", 5,
         "the value is cut short: nothing follows its line continuation"},
        {section + "\"\xC3\x28\"=dword:00000001\n", 4, "invalid UTF-8"},
        {std::string("\xFF\xFEW\0i", 5), 0, "UTF-16 text of an odd number of bytes"},
    };
    for (const auto& each : cases) {
        platform::registry_parse_error error;
        EXPECT_FALSE(registry_hive::parse(each.file, &error).has_value()) << each.file;
        EXPECT_EQ(error.line, each.line) << each.file;
        EXPECT_EQ(error.what, each.what) << each.file;
    }
}

TEST(RegistryHive, IsWrittenBackInTheEncodingAndLineEndsItWasReadIn) {
    const std::u16string before =
        u"Windows Registry Editor Version "
        u"5.00\n\n[HKEY_CURRENT_USER\\Software\\Test]\n\"a\"=\"値\"\n\n";
    const std::u16string after =
        u"Windows Registry Editor Version "
        u"5.00\n\n[HKEY_CURRENT_USER\\Software\\Test]\n\"a\"=\"値\"\n"
        u"\"b\"=hex(2):25,00,00,00\n\n";
    const struct {
        std::u16string_view read_end, written_end;
        std::string encoding;
    } forms[] = {
        {u"\r\n", u"\r\n", "utf-16"},    {u"\n", u"\n", "utf-16"},
        {u"\r\n", u"\r\n", "utf-8 bom"}, {u"\n", u"\n", "utf-8"},
        {u"\r\r\n", u"\r\n", "utf-8"},
    };
    for (const auto& form : forms) {
        registry_hive hive = parsed(file_of(before, form.read_end, form.encoding));
        hive.set_value(key, {u"b", registry_type::expand_sz, {0x25, 0, 0, 0}});
        EXPECT_EQ(hive.serialise(), file_of(after, form.written_end, form.encoding))
            << form.encoding;
    }
    registry_hive created;
    created.set_value(key, {u"b", registry_type::dword, {1, 0, 0, 0}});
    EXPECT_EQ(created.serialise().substr(0, 38), "Windows Registry Editor Version 5.00\n\n");
}

// Found by fuzzing: a carriage return or NULs left at the end of a comment, and a line feed
// in a value name of a file with CR LF line ends, each came back changed from a rewrite.
TEST(RegistryHive, AHiveWrittenBackReadsBackUnchanged) {
    const std::u16string section =
        u"Windows Registry Editor Version 5.00\n\n; top\r\r\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Test]\n\"v\"=dword:00000001\n";
    // The comment comes last when written: the key after it was opened before.
    const std::u16string last_comment_with_nuls =
        u"[HKEY_CURRENT_USER\\Software\\Last]\n" + std::u16string(u"; nul\x01\0\0\n", 9) +
        u"[HKEY_CURRENT_USER\\Software\\Test]\n\"w\"=dword:00000002\n";
    const std::u16string name = u"a\nb\r\nc";
    const std::string files[] = {
        file_of(section + u"; note\r\r\r\n", u"\n", "utf-8"),
        file_of(section + u"; last\r", u"\n", "utf-8"),
        file_of(section, u"\r\n", "utf-16"),
        file_of(section, u"\r\n", "utf-8 bom"),
        file_of(section + last_comment_with_nuls, u"\r\n", "utf-16"),
    };
    for (const std::string& file : files) {
        registry_hive hive = parsed(file);
        hive.set_value(key, {name, registry_type::sz, sz(u"x")});
        const std::string written = hive.serialise();
        const registry_hive again = parsed(written);
        EXPECT_EQ(again.serialise(), written);
        expect_value(again, name, registry_type::sz, sz(u"x"));
        expect_value(again, u"v", registry_type::dword, {1, 0, 0, 0});
    }
}

TEST(RegistryHive, KeyPathsAreValidated) {
    EXPECT_EQ(registry_hive::normalise_key_path(u"Software\\Test\\"), u"Software\\Test");
    EXPECT_FALSE(registry_hive::normalise_key_path(u"Software\\\\Test").has_value());
    EXPECT_FALSE(registry_hive::normalise_key_path(u"\\Software").has_value());
    EXPECT_FALSE(registry_hive::normalise_key_path(u"Soft\nware").has_value());
    EXPECT_FALSE(registry_hive::normalise_key_path(std::u16string(256, u'k')).has_value());
    EXPECT_TRUE(registry_hive::normalise_key_path(std::u16string(255, u'k')).has_value());
}

}  // namespace
