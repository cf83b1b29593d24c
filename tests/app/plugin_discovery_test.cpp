#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/plugin_discovery.h"
#include "tests/support/scratch.h"

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
        EXPECT_EQ(has_plugin_extension(c.name, c.extension), c.matches)
            << std::string(c.extension);
}

}  // namespace
