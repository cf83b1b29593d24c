#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/debugger_texts.h"
#include "app/plugin_discovery.h"
#include "platform/executable_path.h"
#include "tests/support/scratch.h"
#include "utility/text_conversion.h"

namespace {

using namespace vuro_plugin;

TEST(plugin_discovery, lists_files_with_a_plugin_extension_directly_in_the_folder) {
    test_support::scratch_folder folder;
    for (const char* file : {"a.py", "b.txt", "c.PL", ".rb", "x.rbw", "TEST.RB", "e.rb.bak"})
        std::ofstream(folder.path() / file) << "#\n";
    std::filesystem::create_directories(folder.path() / "d.rb" / "inner.rb");

    const std::u16string path = folder.u16() + u"/";
    std::vector<std::u16string> names;
    for (const plugin_entry& entry : scan_plugin_folder(path)) {
        EXPECT_EQ(entry.folder, path);
        names.push_back(entry.file_name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"TEST.RB", u"a.py", u"c.PL"}));
    EXPECT_TRUE(scan_plugin_folder(folder.u16("absent") + u"/").empty());
}

TEST(plugin_discovery, extension_must_follow_at_least_one_character_and_ignores_case) {
    const struct {
        const char16_t* name;
        const char* extension;
        bool matches;
    } cases[] = {
        {u"a.rb", ".rb", true},      {u"a.RB", ".rb", true},  {u"日本語.Py", ".py", true},
        {u".rb", ".rb", false},      {u"rb", ".rb", false},   {u"x.rbw", ".rb", false},
        {u"a.pl.txt", ".pl", false}, {u"a_rb", ".rb", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(has_plugin_extension(c.name, c.extension), c.matches) << std::string(c.extension);
}

TEST(plugin_folder, a_new_folder_gets_the_samples_and_an_existing_one_is_left_alone) {
    test_support::scratch_folder samples;
    for (const char* file : {"a.rb", "a.xml", "b.py"}) std::ofstream(samples.path() / file) << file;
    std::filesystem::create_directories(samples.path() / "sub");
    test_support::scratch_folder home;
    const std::u16string folder = home.u16("new/plugin") + u"/";

    ASSERT_TRUE(fill_new_plugin_folder(folder, samples.u16() + u"/"));
    const auto files = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(home.path() / "new/plugin"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(files(), (std::vector<std::string>{"a.rb", "a.xml", "b.py"}));

    std::filesystem::remove(home.path() / "new/plugin/a.rb");
    EXPECT_TRUE(fill_new_plugin_folder(folder, samples.u16() + u"/"));
    EXPECT_EQ(files(), (std::vector<std::string>{"a.xml", "b.py"}));

    EXPECT_TRUE(fill_new_plugin_folder(home.u16("empty") + u"/", home.u16("absent") + u"/"));
    EXPECT_TRUE(std::filesystem::is_empty(home.path() / "empty"));
}

TEST(plugin_folder, texts_name_the_per_user_folder_only_while_it_is_in_use) {
    const std::u16string per_user = per_user_plugin_folder(true);
    ASSERT_FALSE(per_user.empty());
    const std::u16string shown = displayed_folder(per_user);
    EXPECT_EQ(shown.substr(shown.size() - 6), u"plugin");  // without the final separator
    EXPECT_EQ(plugin_folder_hint(per_user),
              texts::per_user_folder_hint_before + shown + texts::per_user_folder_hint_after);
    EXPECT_NE(no_plugin_found_message(per_user).find(shown), std::u16string::npos);

    test_support::scratch_folder other;
    EXPECT_EQ(plugin_folder_hint(other.u16() + u"/"), texts::folder_hint);
    EXPECT_EQ(no_plugin_found_message(other.u16() + u"/"), texts::no_plugin_found);
}

// On Windows every program of the build shares one folder, with the samples' "plugin"
// beside them; on Linux the test programs have none beside them.
TEST(plugin_folder, without_a_folder_beside_the_program_the_per_user_one_is_made) {
    const std::filesystem::path program =
        std::filesystem::u8path(utility::utf16_to_utf8(platform::executable_path()));
    if (std::filesystem::is_directory(program.parent_path() / "plugin"))
        GTEST_SKIP() << "a plugin folder lies beside this program";
    const std::u16string prepared = prepare_plugin_folder();
    EXPECT_EQ(prepared, per_user_plugin_folder(false));
    EXPECT_TRUE(
        std::filesystem::is_directory(std::filesystem::u8path(utility::utf16_to_utf8(prepared))));
    EXPECT_EQ(find_plugin_folder(), prepared);
}

}  // namespace
