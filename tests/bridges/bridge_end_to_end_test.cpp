// Every bridge run with its real interpreter through run_script on the fixture plug-ins
// in plugins/. The shared table runs each case in all three languages and compares the
// outputs with each other and with the expected text; the second table holds the cases
// where the languages are meant to differ.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>

#include "tests/bridges/bridge_runner.h"
#include "tests/bridges/xml_check.h"
#include "tests/support/environment.h"
#include "utility/text_conversion.h"
#include "utility/url_encoding.h"

namespace bridge_test {
namespace {

std::string repeat(const std::string& text, int count) {
    std::string result;
    for (int index = 0; index < count; ++index) result += text;
    return result;
}

const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n";
const std::string empty_list = declaration + "</itemlist>\n";

std::string item(std::initializer_list<std::string> children) {
    std::string text = "\t<item type=\"script_candidate\">\n";
    for (const auto& child : children) text += "\t\t" + child + "\n";
    return text + "\t</item>\n";
}

std::string candidates(const std::vector<std::string>& items) {
    std::string text = declaration;
    for (const auto& each : items) text += each;
    return text + "</itemlist>\n";
}

std::string element(const std::string& name, const std::string& content) {
    return "<" + name + ">" + content + "</" + name + ">";
}

std::string title(const std::string& text) { return element("title", text); }

std::string alternative(const std::string& type, const std::string& text) {
    return "<alternative type=\"" + type + "\">" + text + "</alternative>";
}

// The plain comment wrapped into an XHTML document, as it stands inside <comment>.
std::string wrapped_comment(const std::string& twice_escaped_title,
                            const std::string& twice_escaped_body) {
    return "<comment>&lt;?xml version=&quot;1.0&quot; encoding=&quot;UTF-8&quot; ?&gt;"
           "&lt;html xmlns=&quot;http://www.w3.org/1999/xhtml&quot;&gt;&lt;head&gt;"
           "&lt;meta http-equiv=&quot;Content-Type&quot; content=&quot;text/html; "
           "charset=UTF-8&quot; /&gt;&lt;/head&gt;&lt;body&gt;&lt;h2&gt;" +
           twice_escaped_title + "&lt;/h2&gt;" + twice_escaped_body +
           "&lt;/body&gt;&lt;/html&gt;</comment>";
}

// One line of the fixture's request listing.
std::string listed(const std::string& key, const std::string& utf8) {
    return key + "=text:" + std::to_string(characters(utf8)) + ":" + utf8 + "\n";
}

std::string listed_port(int port) { return "proxy_port=int:" + std::to_string(port) + "\n"; }

std::vector<std::u16string> scenario(const std::string& name) {
    return request_arguments(name, "", "", 0, "", "");
}

std::string xml_part(const std::string& output) {
    const auto start = output.find("<?xml");
    return start == std::string::npos ? std::string() : output.substr(start);
}

struct shared_case {
    std::string name;
    std::string fixture;
    std::u16string method;
    std::vector<std::u16string> arguments;
    std::string expected_output;
};

void PrintTo(const shared_case& c, std::ostream* out) { *out << c.name; }

std::string walk_expected() {
    std::vector<std::string> items;
    for (int index = 0; index < 100; ++index) {
        const int kind = index % 10;
        if (kind != 3 && kind != 7 && kind != 8)
            items.push_back(item({title("c" + std::to_string(index))}));
    }
    return candidates(items);
}

const std::string echo_text = "きょう は +100% \"quoted\" 'single' & <tag>";
const std::string echo_title =
    "きょう は +100% &quot;quoted&quot; &apos;single&apos; &amp; &lt;tag&gt;";
const std::string user_name = "ユーザー 名";
const std::string password = "p+a%s s";
const std::string preference_path = "/home/user/.local/share/データ/PLUGIN/日付 plug-in/";

std::vector<shared_case> shared_cases() {
    const std::string controls_item_one =
        item({title("a b c d e f g"), element("comment", "a\tb\nc\rd e f"),
              alternative("definite_string", "x y z"), element("info", "i j")});
    const std::string controls_item_two =
        item({title("alias"), alternative("definite_string", "x\ty\r\nz "),
              element("alternative_alias", "al ias")});
    return {
        {"SyntaxCheck", "scenario", u"syntax_check", {}, "syntax ok"},
        {"SyntaxCheckIgnoresFurtherArguments",
         "scenario",
         u"syntax_check",
         {u"x", u"y"},
         "syntax ok"},
        {"SyntaxCheckDoesNotLoadABrokenPlugin", "syntax_error", u"syntax_check", {}, "syntax ok"},
        {"NoMethod", "scenario", u"", {}, "error : argument error."},
        {"UnknownMethod", "scenario", u"run_processing", {}, "error : plugin method load error."},
        {"MethodInOtherCase", "scenario", u"Run_process", scenario("x"),
         "error : plugin method load error."},
        {"ProcessWithTooFewArguments",
         "scenario",
         u"run_process",
         {u"a", u"b", u"c", u"0", u"d"},
         "error : run_process() argument error."},
        {"ProcessWithTooManyArguments",
         "scenario",
         u"run_process",
         {u"a", u"b", u"c", u"0", u"d", u"e", u"f", u"g"},
         "error : run_process() argument error."},
        {"CallbackWithTooFewArguments",
         "scenario",
         u"run_callback",
         {u"a", u"b", u"c", u"0", u"d"},
         "error : run_callback() argument error."},
        {"PreferenceWithoutPath",
         "scenario",
         u"run_preference",
         {},
         "error : run_preference() argument error."},
        {"PreferenceWithTwoArguments",
         "scenario",
         u"run_preference",
         {u"a", u"b"},
         "error : run_preference() argument error."},

        {"ProcessRequest", "scenario", u"run_process",
         request_arguments(echo_text, "", "proxy.example.com", 8080, user_name, password),
         listed("composition_string", echo_text) + listed("proxy_name", "proxy.example.com") +
             listed("proxy_password", password) + listed_port(8080) +
             listed("proxy_username", user_name) + listed("reading_string", "") +
             candidates({item({title(echo_title)})})},
        {"ProcessRequestWithPath", "scenario", u"run_process",
         request_arguments("今日", "きょう", "", 3128, "", "", preference_path.c_str()),
         listed("composition_string", "今日") + listed("path", preference_path) +
             listed("proxy_name", "") + listed("proxy_password", "") + listed_port(3128) +
             listed("proxy_username", "") + listed("reading_string", "きょう") +
             candidates({item({title("今日")})})},
        {"ProcessRequestAllEmpty", "scenario", u"run_process",
         request_arguments("", "", "", 0, "", ""),
         listed("composition_string", "") + listed("proxy_name", "") +
             listed("proxy_password", "") + listed_port(0) + listed("proxy_username", "") +
             listed("reading_string", "") + empty_list},
        {"TextThatIsNotUtf8", "scenario", u"run_process",
         request_arguments("a\xFF"
                           "b",
                           "", "", 0, "", ""),
         listed("composition_string", "a\uFFFDb") + listed("proxy_name", "") +
             listed("proxy_password", "") + listed_port(0) + listed("proxy_username", "") +
             listed("reading_string", "") + candidates({item({title("a\uFFFDb")})})},
        {"PortReadAsLeadingDigits",
         "scenario",
         u"run_process",
         {text_argument("p"), u"", u"", u"12ab", u"", u""},
         listed("composition_string", "p") + listed("proxy_name", "") +
             listed("proxy_password", "") + listed_port(12) + listed("proxy_username", "") +
             listed("reading_string", "") + candidates({item({title("p")})})},
        {"PreferenceRequest",
         "scenario",
         u"run_preference",
         {text_argument(preference_path)},
         listed("path", preference_path)},
        {"CallbackRequest", "scenario", u"run_callback",
         request_arguments("今日", "きょう", "proxy", 80, "", ""),
         listed("candidate_string", "今日") + listed("composition_string", "きょう") +
             listed("proxy_name", "proxy") + listed("proxy_password", "") + listed_port(80) +
             listed("proxy_username", "")},
        {"CallbackRequestWithPath", "scenario", u"run_callback",
         request_arguments("今日", "きょう", "", 0, "", "", preference_path.c_str()),
         listed("candidate_string", "今日") + listed("composition_string", "きょう") +
             listed("path", preference_path) + listed("proxy_name", "") +
             listed("proxy_password", "") + listed_port(0) + listed("proxy_username", "")},

        {"FirstHundredEntriesOnly", "scenario", u"run_process", scenario("walk"), walk_expected()},
        {"CutBeforeEscaping", "scenario", u"run_process", scenario("cut"),
         candidates({item({title(repeat("&amp;", 100))}),
                     item({title(repeat("あ", 100)), element("alternative_alias", repeat("a", 100)),
                           element("info", repeat("i", 64))}),
                     item({title(repeat("&lt;", 100)), element("comment", repeat("x", 10240))})})},
        {"ControlCharacters", "scenario", u"run_process", scenario("controls"),
         candidates({controls_item_one, controls_item_two})},
        {"Alternatives", "scenario", u"run_process", scenario("alternatives"),
         candidates({item({title("d600"), alternative("definite_string", repeat("d", 512))}),
                     item({title("u600")}),
                     item({title("u512"), alternative("url_jump_string",
                                                      "http://example.com/" + repeat("u", 493))}),
                     item({title("research"), element("alternative_alias", "alias"),
                           element("info", "info")}),
                     item({title("untyped")}), item({title("capital")}),
                     item({title("amp"), alternative("definite_string", "a&amp;b")}),
                     item({title("wide513")}),
                     item({title("wide512"), alternative("url_jump_string", repeat("あ", 512))})})},
        {"Comments", "scenario", u"run_process", scenario("comments"),
         candidates({item({title("both"), element("comment", "&lt;p&gt;x&lt;/p&gt;")}),
                     item({title("T&amp;&lt;&gt;"),
                           wrapped_comment("T&amp;amp;&amp;lt;&amp;gt;",
                                           "line1&lt;br /&gt;line2 line3 &amp;amp; "
                                           "&amp;lt;b&amp;gt;&amp;apos;&amp;quot;")}),
                     item({title("long"), wrapped_comment("long", repeat("c", 1024))}),
                     item({title("none")})})},
        {"PluginRedirectsItsOwnOutput", "scenario", u"run_process", scenario("redirect"),
         candidates({item({title("x")})})},
        {"EncodingLayerOnStandardOutput", "scenario", u"run_process", scenario("layer"),
         "layer\n" + candidates({item({title("きょう")})})},
        {"PluginsOwnBufferedStandardOutput", "scenario", u"run_process", scenario("own_stdout"),
         "mine\n" + candidates({item({title("x")})})},
        {"RecordSeparatorOfThePlugin", "separator", u"run_process", scenario("x"),
         "mine\n" + candidates({item({title("x")})})},
        {"RecordSeparatorOnAnErrorText",
         "separator",
         u"run_process",
         {u"a"},
         "error : run_process() argument error."},
        {"CharactersXmlForbids", "scenario", u"run_process", scenario("xml_forbidden"),
         candidates({item({title("a b c"), element("comment", "d \te")})})},
        {"CodePointsThatAreNoCharacters", "scenario", u"run_process", scenario("not_characters"),
         candidates({item({title("a\uFFFDb\uFFFDc")})})},
        {"UnconvertibleTextIsNoText", "scenario", u"run_process", scenario("unconvertible"),
         candidates({item({title("ok")})})},
        {"CandidateNotAList", "scenario", u"run_process", scenario("candidate_not_list"),
         empty_list},
        {"NoCandidateKey", "scenario", u"run_process", scenario("no_candidate"), empty_list},
        {"ResultNotADictionary", "scenario", u"run_process", scenario("not_dictionary"),
         empty_list},
    };
}

class SameInEveryLanguage : public ::testing::TestWithParam<shared_case> {};

TEST_P(SameInEveryLanguage, PrintsTheExpectedText) {
    const shared_case& c = GetParam();
    std::vector<bridge_output> outputs;
    for (const auto& language : languages()) {
        SCOPED_TRACE(extension_of(language));
        outputs.push_back(
            run_bridge(language, fixture_path(c.fixture, language), c.method, c.arguments));
        EXPECT_EQ(outputs.back().standard_output, c.expected_output);
        EXPECT_EQ(outputs.back().standard_error, "");
    }
    for (std::size_t index = 1; index < outputs.size(); ++index)
        EXPECT_EQ(outputs[index - 1].standard_output, outputs[index].standard_output)
            << extension_of(languages()[index - 1]) << " and " << extension_of(languages()[index])
            << " differ";
    const std::string xml = xml_part(outputs.back().standard_output);
    if (!xml.empty()) {
        EXPECT_EQ(xml_error(xml), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Bridges, SameInEveryLanguage, ::testing::ValuesIn(shared_cases()),
                         [](const auto& info) { return info.param.name; });

// What one language prints: its standard output, and a text its standard error must
// contain (nullopt: standard error must be empty).
struct expectation {
    std::string standard_output;
    std::optional<std::string> error_contains;
};

struct per_language_case {
    std::string name;
    std::string fixture;
    std::u16string method;
    std::vector<std::u16string> arguments;
    expectation perl, ruby, python;
};

void PrintTo(const per_language_case& c, std::ostream* out) { *out << c.name; }

// What the table's columns say for `language`.
template <class T>
const T& for_language(const vuro_plugin::script_language& language, const T& perl, const T& ruby,
                      const T& python) {
    const std::string extension = extension_of(language);
    return extension == "pl" ? perl : extension == "rb" ? ruby : python;
}

void expect_output(const bridge_output& output, const expectation& expected) {
    EXPECT_EQ(output.standard_output, expected.standard_output);
    if (expected.error_contains)
        EXPECT_NE(output.standard_error.find(*expected.error_contains), std::string::npos)
            << output.standard_error;
    else
        EXPECT_EQ(output.standard_error, "");
}

std::vector<per_language_case> per_language_cases() {
    const std::string load_error = "error : plugin module load error.";
    return {
        // The plug-in is loaded before the argument count is looked at.
        {"SyntaxErrorOnProcess",
         "syntax_error",
         u"run_process",
         scenario("x"),
         {load_error, "syntax error"},
         {"", "syntax error"},
         {"", "SyntaxError"}},
        {"SyntaxErrorBeforeArgumentCount",
         "syntax_error",
         u"run_preference",
         {},
         {load_error, "syntax error"},
         {"", "syntax error"},
         {"", "SyntaxError"}},
        {"EntryPointMissing",
         "no_entry_point",
         u"run_process",
         scenario("x"),
         {"error : plugin method [run_process] not found.", std::nullopt},
         {"", "NameError"},
         {"", "AttributeError"}},
        {"ExceptionInPlugin",
         "scenario",
         u"run_process",
         scenario("raise"),
         {"before", "boom from plug-in"},
         {"before", "boom from plug-in"},
         {"before", "boom from plug-in"}},
        {"ExceptionTextThatIsNotValidText",
         "scenario",
         u"run_process",
         scenario("raise_unencodable"),
         {"", "bad "},
         {"", "bad "},
         {"", "RuntimeError: bad \\udc80"}},
        // Perl and Ruby read byte strings as UTF-8; for Python only str is text.
        {"ByteStrings",
         "scenario",
         u"run_process",
         scenario("bytes"),
         {candidates({item({title("きょう")})}), std::nullopt},
         {candidates({item({title("きょう")})}), std::nullopt},
         {empty_list, std::nullopt}},
    };
}

class PerLanguage : public ::testing::TestWithParam<per_language_case> {};

TEST_P(PerLanguage, PrintsWhatTheLanguageIsMeantTo) {
    const per_language_case& c = GetParam();
    for (const auto& language : languages()) {
        SCOPED_TRACE(extension_of(language));
        expect_output(
            run_bridge(language, fixture_path(c.fixture, language), c.method, c.arguments),
            for_language(language, c.perl, c.ruby, c.python));
    }
}

INSTANTIATE_TEST_SUITE_P(Bridges, PerLanguage, ::testing::ValuesIn(per_language_cases()),
                         [](const auto& info) { return info.param.name; });

#ifndef _WIN32
TEST(PythonBridge, EntryPointThatIsNotCallable) {
    const auto& python = languages()[2];
    const auto output =
        run_bridge(python, fixture_path("not_callable", python), u"run_process", scenario("x"));
    expect_output(output, {"error : plugin module load error2.", std::nullopt});
}
#endif

// run_script never starts a bridge for a missing plug-in, so these run it directly.
TEST(MissingPlugin, PassesTheSyntaxCheckButCannotBeLoaded) {
    const expectation perl{"error : plugin module load error.", "missing.pl"};
    const expectation ruby{"", "LoadError"};
    const expectation python{"", "missing.py"};
    for (const auto& language : languages()) {
        SCOPED_TRACE(extension_of(language));
        const std::u16string path = fixture_path("missing", language);
        expect_output(run_bridge_directly(language, path, u"syntax_check", {}),
                      {"syntax ok", std::nullopt});
        expect_output(run_bridge_directly(language, path, u"run_process", scenario("x")),
                      for_language(language, perl, ruby, python));
    }
}

// A plug-in loads wherever the user keeps it: whatever the locale's code set or the
// interpreter's file-name encoding (on Windows, the ANSI code page the path is passed in),
// and whatever its name holds, a backslash included where it is no separator.
TEST(PluginPath, LoadsFromAnyFolderUnderAnyLocale) {
    struct place {
        std::string name;
        const char* locale;
        std::optional<std::string> python_utf8_mode;  // "0": file names in the locale's code set
        std::string folder;
        std::string file;
    };
    const place places[] = {
        {"JapaneseFolderUnderUtf8", "ja_JP.UTF-8", std::nullopt, "プラグ イン", "辞書 1"},
        {"JapaneseFolderUnderEucJp", "ja_JP.eucJP", std::nullopt, "プラグ イン", "辞書 1"},
        {"JapaneseFolderWithAsciiFileNames", "C", "0", "プラグ イン", "scenario"},
#ifndef _WIN32
        {"BackslashInTheFileName", "C.UTF-8", std::nullopt, "plugins", "back\\slash"},
#endif
    };
    for (const auto& each : places) {
        const test_support::scoped_locale locale(each.locale);
        const test_support::scoped_environment utf8_mode("PYTHONUTF8", each.python_utf8_mode);
        const test_support::scoped_environment coercion("PYTHONCOERCECLOCALE",
                                                        each.python_utf8_mode);
        const test_support::scratch_folder folder;
        for (const auto& language : languages()) {
            SCOPED_TRACE(each.name + " " + extension_of(language));
            const std::filesystem::path path =
                folder.path() / std::filesystem::u8path(each.folder) /
                std::filesystem::u8path(each.file + "." + extension_of(language));
            std::filesystem::create_directories(path.parent_path());
            std::filesystem::copy_file(
                std::filesystem::u8path(utility::utf16_to_utf8(fixture_path("scenario", language))),
                path);
            const auto output =
                run_bridge(language, utility::utf8_to_utf16(path.generic_u8string()),
                           u"run_process", scenario("x"));
            EXPECT_EQ(xml_part(output.standard_output), candidates({item({title("x")})}))
                << output.standard_error;
        }
    }
}

#ifndef _WIN32
// Perl and Ruby take the plug-in path as the bytes it arrived in (the ANSI code page on
// Windows), also bytes that are not UTF-8; Python is always handed UTF-8.
TEST(PluginPath, PerlAndRubyLoadAPathWhoseBytesAreNotUtf8) {
    const test_support::scratch_folder folder;
    for (const auto& language : {languages()[0], languages()[1]}) {
        SCOPED_TRACE(extension_of(language));
        const std::string path = folder.path().string() + "/caf\xE9." + extension_of(language);
        std::filesystem::copy_file(utility::utf16_to_utf8(fixture_path("scenario", language)),
                                   path);
        const std::string encoded = utility::url_encode(path);
        const auto output =
            run_bridge_with_encoded_path(language, std::u16string(encoded.begin(), encoded.end()),
                                         u"run_process", scenario("x"));
        EXPECT_EQ(xml_part(output.standard_output), candidates({item({title("x")})}))
            << output.standard_error;
    }
}

#endif

TEST(Candidates, WalkSkipsEntriesButCountsTheirPositions) {
    for (const auto& language : languages()) {
        SCOPED_TRACE(extension_of(language));
        const auto output = run_bridge(language, fixture_path("scenario", language), u"run_process",
                                       scenario("walk"));
        const auto titles = element_texts(output.standard_output, "title");
        ASSERT_EQ(titles.size(), 70u);
        EXPECT_EQ(titles.front(), "c0");
        EXPECT_EQ(titles.back(), "c99");
    }
}

TEST(Candidates, HundredAmpersandsBecomeFiveHundredCharacters) {
    for (const auto& language : languages()) {
        SCOPED_TRACE(extension_of(language));
        const auto output = run_bridge(language, fixture_path("scenario", language), u"run_process",
                                       scenario("cut"));
        const std::string raw_title = "<title>" + repeat("&amp;", 100) + "</title>";
        EXPECT_NE(output.standard_output.find(raw_title), std::string::npos);
        const auto titles = element_texts(output.standard_output, "title");
        ASSERT_EQ(titles.size(), 3u);
        EXPECT_EQ(titles[0], repeat("&", 100));
        EXPECT_EQ(characters(titles[1]), 100u);
    }
}

// The plain comment, unescaped once by the reader, is an XHTML document of its own.
TEST(Candidates, WrappedCommentIsWellFormedXhtml) {
    for (const auto& language : languages()) {
        SCOPED_TRACE(extension_of(language));
        const auto output = run_bridge(language, fixture_path("scenario", language), u"run_process",
                                       scenario("comments"));
        const auto comments = element_texts(output.standard_output, "comment");
        ASSERT_EQ(comments.size(), 3u);
        EXPECT_EQ(comments[0], "<p>x</p>");
        const std::string& document = comments[1];
        ASSERT_EQ(xml_error(document), "") << document;
        EXPECT_EQ(element_texts(document, "h2"), std::vector<std::string>{"T&<>"});
        EXPECT_EQ(element_texts(document, "br").size(), 1u);
        EXPECT_EQ(element_texts(document, "body"),
                  std::vector<std::string>{"T&<>line1line2 line3 & <b>'\""});
        EXPECT_EQ(xml_error(comments[2]), "");
    }
}

#ifndef _WIN32
// The request reaches the plug-in as text and the candidates leave as UTF-8 whatever the
// child's locale.
TEST(Locale, OutputDoesNotDependOnTheChildsLocale) {
    const char* saved = std::getenv("LC_ALL");
    const std::string saved_value = saved != nullptr ? saved : "";
    const auto arguments = request_arguments(echo_text, "よみ", "", 0, user_name, "");
    for (const auto& language : languages()) {
        SCOPED_TRACE(extension_of(language));
        std::vector<std::string> outputs;
        for (const char* locale : {"C", "POSIX", "C.UTF-8"}) {
            ::setenv("LC_ALL", locale, 1);
            const auto output =
                run_bridge(language, fixture_path("scenario", language), u"run_process", arguments);
            EXPECT_EQ(output.standard_error, "") << locale;
            outputs.push_back(output.standard_output);
        }
        EXPECT_NE(outputs[0].find(listed("composition_string", echo_text)), std::string::npos);
        EXPECT_NE(outputs[0].find(title(echo_title)), std::string::npos);
        EXPECT_EQ(outputs[0], outputs[1]);
        EXPECT_EQ(outputs[0], outputs[2]);
    }
    if (saved != nullptr)
        ::setenv("LC_ALL", saved_value.c_str(), 1);
    else
        ::unsetenv("LC_ALL");
}
#endif

}  // namespace
}  // namespace bridge_test
