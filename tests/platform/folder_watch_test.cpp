// The folder watch, on Linux and under Wine alike: what a save looks like to it.
#include "platform/folder_watch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>

#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;
using platform::folder_watch;

void write(const fs::path& path, const std::string& text,
           std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(path, std::ios::binary | std::ios::out | mode) << text;
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
// names before it, without waiting for nothing to happen.
TEST(folder_watch, reports_saves_of_watched_files_only) {
    const struct {
        const char* name;
        std::function<void(const fs::path&)> change;
        std::vector<std::u16string> expected;
    } cases[] = {
        {"write in place",
         [](const fs::path& f) { write(f / "a.rb", "more\n", std::ios::app); },
         {u"a.rb"}},
        {"new file renamed over",
         [](const fs::path& f) {
             write(f / "a.rb.new", "new\n");
             fs::rename(f / "a.rb.new", f / "a.rb");
         },
         {u"a.rb"}},
        {"delete", [](const fs::path& f) { fs::remove(f / "a.rb"); }, {u"a.rb"}},
        {"renamed away", [](const fs::path& f) { fs::rename(f / "a.rb", f / "a.rb~"); }, {u"a.rb"}},
        {"new files, each once, case ignored",
         [](const fs::path& f) {
             write(f / "B.PL", "1");
             write(f / "c.py", "1");
             write(f / "B.PL", "2");
         },
         {u"B.PL", u"c.py"}},
        {"a name outside ASCII",
         [](const fs::path& f) { write(f / fs::u8path("今日.rb"), "1"); },
         {u"今日.rb"}},
        {"other extensions and dot files ignored",
         [](const fs::path& f) {
             write(f / "notes.txt", "1");
             write(f / "a.rbw", "1");
             write(f / ".#a.rb", "1");  // an editor's lock file
         },
         {}},
        {"subfolders ignored",
         [](const fs::path& f) {
             fs::create_directory(f / "lib.rb");
             write(f / "lib.rb" / "helper.rb", "1");
             fs::remove_all(f / "lib.rb");
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test_support::scratch_folder folder;
        write(folder.path() / "a.rb", "old\n");
        folder_watch watch(folder.u16(), {u".rb", u".pl", u".py", u".xml"});
        c.change(folder.path());
        write(folder.path() / "end.xml", "<end/>");
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
    write(folder.path() / "a.rb", "1");
    EXPECT_EQ(watch.wait(names, wake, 30000), folder_watch::wait_result::woken);
    wake.clear();
    EXPECT_EQ(watch.wait(names, wake, 30000), folder_watch::wait_result::changed);
    EXPECT_EQ(names, std::vector<std::u16string>{u"a.rb"});
}

TEST(folder_watch, a_missing_folder_cannot_be_watched) {
    test_support::scratch_folder folder;
    EXPECT_THROW(folder_watch(folder.u16("missing"), {u".rb"}), std::runtime_error);
}

#ifndef _WIN32
// Windows keeps a watched folder from being deleted.
TEST(folder_watch, a_deleted_folder_ends_the_watch) {
    test_support::scratch_folder scratch;
    const fs::path folder = scratch.path() / "plugin";
    fs::create_directory(folder);
    folder_watch watch(scratch.u16("plugin"), {u".rb"});
    fs::remove_all(folder);
    const platform::wake_up never;
    std::vector<std::u16string> names;
    EXPECT_EQ(watch.wait(names, never, 30000), folder_watch::wait_result::gone);
}
#endif

}  // namespace
