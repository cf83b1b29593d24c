// The folder watch, on Linux and under Wine alike: what a save looks like to it.
#include "platform/folder_watch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;
using platform::folder_watch;

enum class act { write, append, rename, remove, make_folder };
struct step {
    act what;
    const char* name;
    const char* to = nullptr;  // rename: the new name
};

void take(const fs::path& folder, const step& s) {
    const fs::path path = folder / fs::u8path(s.name);
    if (s.what == act::write || s.what == act::append)
        std::ofstream(path, s.what == act::append ? std::ios::app : std::ios::trunc) << "x\n";
    if (s.what == act::rename) fs::rename(path, folder / s.to);
    if (s.what == act::remove) fs::remove_all(path);
    if (s.what == act::make_folder) fs::create_directory(path);
}

// The names of the changes until `last` is among them, each once (on Windows one write may
// come as several changes, over several waits); a note instead when a wait ended otherwise.
std::vector<std::u16string> names_until(folder_watch& watch, const std::u16string& last) {
    const platform::wake_up never;
    std::vector<std::u16string> seen, names;
    while (std::find(seen.begin(), seen.end(), last) == seen.end()) {
        if (watch.wait(names, never, 30000) != folder_watch::wait_result::changed)
            return {u"wait ended otherwise"};
        for (const std::u16string& name : names)
            if (std::find(seen.begin(), seen.end(), name) == seen.end()) seen.push_back(name);
    }
    return seen;
}

// Each case ends by writing "end.xml", so that what is ignored shows as absent from the
// names before it, without waiting for nothing to happen. Subfolders are not watched.
TEST(folder_watch, reports_saves_of_watched_files_only) {
    const struct {
        const char* name;
        std::vector<step> steps;
        std::vector<std::u16string> expected;
    } cases[] = {
        {"write in place", {{act::append, "a.rb"}}, {u"a.rb"}},
        {"new file renamed over",
         {{act::write, "a.rb.new"}, {act::rename, "a.rb.new", "a.rb"}},
         {u"a.rb"}},
        {"delete", {{act::remove, "a.rb"}}, {u"a.rb"}},
        {"renamed away", {{act::rename, "a.rb", "a.rb~"}}, {u"a.rb"}},
        {"each name once, case ignored",
         {{act::write, "B.PL"}, {act::write, "c.py"}, {act::append, "B.PL"}},
         {u"B.PL", u"c.py"}},
        {"a name outside ASCII", {{act::write, "今日.rb"}}, {u"今日.rb"}},
        {"other extensions, an editor's lock file",
         {{act::write, "notes.txt"}, {act::write, "a.rbw"}, {act::write, ".#a.rb"}},
         {}},
        {"a subfolder",
         {{act::make_folder, "lib.rb"}, {act::write, "lib.rb/helper.rb"}, {act::remove, "lib.rb"}},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::scratch_folder folder;
        take(folder.path(), {act::write, "a.rb"});
        folder_watch watch(folder.u16() + u"/", {u".rb", u".pl", u".py", u".xml"});
        for (const step& s : c.steps) take(folder.path(), s);
        take(folder.path(), {act::write, "end.xml"});
        std::vector<std::u16string> expected = c.expected;
        expected.push_back(u"end.xml");
        EXPECT_EQ(names_until(watch, u"end.xml"), expected);
    }
}

TEST(folder_watch, a_raised_wake_up_ends_the_wait_and_wins_over_changes) {
    test_support::scratch_folder folder;
    folder_watch watch(folder.u16(), {u".rb"});
    platform::wake_up wake;
    std::vector<std::u16string> names;
    EXPECT_EQ(watch.wait(names, wake, 0), folder_watch::wait_result::timed_out);
    std::thread waker([&] { wake.raise(); });
    EXPECT_EQ(watch.wait(names, wake, 30000), folder_watch::wait_result::woken);
    waker.join();
    take(folder.path(), {act::write, "a.rb"});
    EXPECT_EQ(watch.wait(names, wake, 30000), folder_watch::wait_result::woken);
    wake.clear();
    EXPECT_EQ(watch.wait(names, wake, 30000), folder_watch::wait_result::changed);
    EXPECT_EQ(names, std::vector<std::u16string>{u"a.rb"});
    EXPECT_THROW(folder_watch(folder.u16("missing"), {u".rb"}), std::runtime_error);
}

#ifndef _WIN32
// Windows keeps a watched folder from being deleted.
TEST(folder_watch, a_deleted_folder_ends_the_watch) {
    test_support::scratch_folder scratch;
    fs::create_directory(scratch.path() / "plugin");
    folder_watch watch(scratch.u16("plugin"), {u".rb"});
    fs::remove_all(scratch.path() / "plugin");
    std::vector<std::u16string> names;
    EXPECT_EQ(watch.wait(names, platform::wake_up(), 30000), folder_watch::wait_result::gone);
}
#endif

}  // namespace
