#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/known_folders.h"
#include "platform/registry_store.h"
#include "tests/support/registry_fixture.h"

namespace {

using platform::registry_key;
using platform::registry_root;
namespace registry_type = platform::registry_type;

const registry_root user = registry_root::current_user;
const registry_root machine = registry_root::local_machine;

class RegistryStore : public test_support::registry_fixture {
protected:
    static std::vector<std::uint8_t> dword(std::uint32_t value) {
        return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    }
    static bool read(registry_root root, std::u16string_view key, std::u16string_view name,
                     std::uint32_t& type, std::vector<std::uint8_t>& data) {
        const auto opened = registry_key::open(root, key);
        return opened && opened->query(name, type, data);
    }
    static std::vector<std::uint8_t> read_data(registry_root root, std::u16string_view key,
                                               std::u16string_view name) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        EXPECT_TRUE(read(root, key, name, type, data)) << "no value";
        return data;
    }
    void expect_only_the_hive_and_its_lock() const {
        for (const auto& entry : std::filesystem::directory_iterator(user_hive().parent_path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "HKEY_CURRENT_USER.reg" || name == "HKEY_CURRENT_USER.reg.lock")
                << name;
        }
    }
};

// Runs `action` on a thread of its own; false when it has not returned within `limit`, in
// which case `release` is called to let it end.
bool returns_within(std::chrono::seconds limit, const std::function<void()>& action,
                    const std::function<void()>& release) {
    auto done = std::async(std::launch::async, action);
    if (done.wait_for(limit) == std::future_status::ready) return true;
    release();
    done.wait();
    return false;
}

TEST_F(RegistryStore, HiveFilesFollowTheConfigurationFolders) {
    EXPECT_EQ(std::filesystem::path(platform::registry_hive_file(user)), user_hive());
    EXPECT_EQ(std::filesystem::path(platform::registry_hive_file(machine)), machine_hive());
    // Relative and empty entries of the search path are skipped.
    const test_support::scoped_environment dirs(
        "XDG_CONFIG_DIRS", "relative/etc::" + (folder().path() / "etc").string());
    EXPECT_EQ(std::filesystem::path(platform::registry_hive_file(machine)), machine_hive());
}

TEST_F(RegistryStore, ARelativeHomeIsNoBaseForTheUsersFolders) {
    const test_support::scoped_environment no_config_home("XDG_CONFIG_HOME", std::nullopt);
    const test_support::scoped_environment no_data_home("XDG_DATA_HOME", std::nullopt);
    const test_support::scoped_environment home("HOME", "no such folder/home");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder().path());
    EXPECT_EQ(platform::registry_hive_file(user), "");
    EXPECT_EQ(registry_key::create(user, u"Software\\Test"), nullptr);
    std::u16string data;
    EXPECT_FALSE(platform::application_data_folder(true, data));
    std::filesystem::current_path(previous);
    EXPECT_TRUE(std::filesystem::is_empty(folder().path()));
}

TEST_F(RegistryStore, OpenFindsOnlyExistingKeysAndCreateMakesThem) {
    EXPECT_EQ(registry_key::open(user, u"Software\\Test"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(user_hive()));

    auto written = registry_key::create(user, u"Software\\Test\\Deep\\");
    ASSERT_NE(written, nullptr);
    EXPECT_NE(registry_key::open(user, u"SOFTWARE\\test"), nullptr);
    EXPECT_NE(registry_key::open(user, u"software\\test\\deep"), nullptr);
    EXPECT_EQ(registry_key::open(user, u"Software\\Test\\Deeper"), nullptr);
    EXPECT_EQ(registry_key::create(user, u"Software\\\\Test"), nullptr);

    ASSERT_TRUE(written->set(u"Value", registry_type::dword, dword(7)));
    EXPECT_EQ(read_data(user, u"Software\\Test\\Deep", u"VALUE"), dword(7));
    ASSERT_TRUE(written->set(u"value", registry_type::sz, {0x41, 0, 0, 0}));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(read(user, u"Software\\Test\\Deep", u"Value", type, data));
    EXPECT_EQ(type, registry_type::sz);
    EXPECT_EQ(data, (std::vector<std::uint8_t>{0x41, 0, 0, 0}));
    EXPECT_FALSE(read(user, u"Software\\Test\\Deep", u"missing", type, data));
}

TEST_F(RegistryStore, AccessFollowsTheModeTheKeyWasOpenedIn) {
    auto written = registry_key::create(user, u"Software\\Test");
    ASSERT_NE(written, nullptr);
    ASSERT_TRUE(written->set(u"v", registry_type::dword, dword(1)));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_FALSE(written->query(u"v", type, data));
    auto opened = registry_key::open(user, u"Software\\Test");
    ASSERT_NE(opened, nullptr);
    EXPECT_FALSE(opened->set(u"v", registry_type::dword, dword(2)));
    EXPECT_EQ(read_data(user, u"Software\\Test", u"v"), dword(1));
}

TEST_F(RegistryStore, LocalMachineIsReadOnly) {
    const std::string text =
        hive_text("[HKEY_LOCAL_MACHINE\\Software\\Halvane]\n\"FolderMode\"=dword:00000003\n");
    write_file(machine_hive(), text);
    EXPECT_EQ(read_data(machine, u"Software\\Halvane", u"FolderMode"), dword(3));
    EXPECT_EQ(registry_key::create(machine, u"Software\\Halvane"), nullptr);
    EXPECT_EQ(registry_key::open(user, u"Software\\Halvane"), nullptr);
    EXPECT_EQ(read_file(machine_hive()), text);
}

TEST_F(RegistryStore, AnUnparseableHiveIsNeverOverwritten) {
    const std::string text = hive_text(
        "[HKEY_CURRENT_USER\\Software\\Test]\n\"ok\"=dword:00000001\n\"broken\"=dword:xyz\n");
    write_file(user_hive(), text);
    EXPECT_EQ(registry_key::open(user, u"Software\\Test"), nullptr);
    EXPECT_EQ(registry_key::create(user, u"Software\\Test"), nullptr);
    EXPECT_EQ(registry_key::create(user, u"Software\\Other"), nullptr);
    EXPECT_EQ(read_file(user_hive()), text);
    EXPECT_EQ(platform::registry_hive_problem(user),
              user_hive().string() + ", line 5: a dword needs exactly eight hexadecimal digits");

    // A key opened while the hive was sound cannot write once the hive breaks.
    write_file(user_hive(), hive_text("[HKEY_CURRENT_USER\\Software\\Test]\n"));
    auto key = registry_key::create(user, u"Software\\Test");
    ASSERT_NE(key, nullptr);
    write_file(user_hive(), text);
    EXPECT_FALSE(key->set(u"new", registry_type::dword, dword(1)));
    EXPECT_EQ(read_file(user_hive()), text);
}

TEST_F(RegistryStore, ChangesMadeByOthersAreSeenAtOnce) {
    write_file(user_hive(), hive_text("[HKEY_CURRENT_USER\\S]\n\"v\"=dword:00000001\n"));
    EXPECT_EQ(read_data(user, u"S", u"v"), dword(1));
    // Same size, rewritten in place within the same instant: still noticed.
    write_file(user_hive(), hive_text("[HKEY_CURRENT_USER\\S]\n\"v\"=dword:00000002\n"));
    EXPECT_EQ(read_data(user, u"S", u"v"), dword(2));
    std::filesystem::remove(user_hive());
    EXPECT_EQ(registry_key::open(user, u"S"), nullptr);
}

TEST_F(RegistryStore, ReadsARealExportAndWritesItBackInItsOwnForm) {
    const auto utf16le = [](const std::u16string& text) {
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : text)
            bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        return bytes;
    };
    const std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Exported]\r\n"
        u"\"名前\"=\"値\"\r\n";
    write_file(user_hive(), utf16le(text + u"\r\n"));
    EXPECT_EQ(read_data(user, u"Software\\Exported", u"名前"),
              (std::vector<std::uint8_t>{0x24, 0x50, 0, 0}));
    auto key = registry_key::create(user, u"Software\\Exported");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->set(u"added", registry_type::dword, dword(1)));
    EXPECT_EQ(read_file(user_hive()), utf16le(text + u"\"added\"=dword:00000001\r\n\r\n"));
}

TEST_F(RegistryStore, WritesLeaveNoTemporaryFilesAndKeepPermissions) {
    auto key = registry_key::create(user, u"Software\\Test");
    ASSERT_NE(key, nullptr);
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(user_hive()).permissions() & perms::all,
              perms::owner_read | perms::owner_write);
    std::filesystem::permissions(user_hive(),
                                 perms::owner_read | perms::owner_write | perms::group_read);
    ASSERT_TRUE(key->set(u"v", registry_type::dword, dword(1)));
    EXPECT_EQ(std::filesystem::status(user_hive()).permissions() & perms::all,
              perms::owner_read | perms::owner_write | perms::group_read);
    expect_only_the_hive_and_its_lock();
}

TEST_F(RegistryStore, WritersKilledMidWriteLeaveNoCopyOfTheHiveBehind) {
    std::string script;
    for (int run = 1; run <= 8; ++run)
        script += "'" + std::string(REGISTRY_WRITER) + "' killed" + std::to_string(run) +
                  " 1000000 & p=$!; sleep 0." + std::to_string(100 + 40 * run) +
                  "; kill -KILL $p; wait $p; ";
    std::system(script.c_str());
    auto key = registry_key::create(user, u"Software\\Concurrency");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->set(u"after", registry_type::dword, dword(1)));
    expect_only_the_hive_and_its_lock();
}

TEST_F(RegistryStore, AHiveTheUserMayNotWriteStaysAsItIs) {
    write_file(user_hive(),
               hive_text("[HKEY_CURRENT_USER\\Software\\Test]\n\"v\"=dword:00000001\n"));
    auto key = registry_key::create(user, u"Software\\Test");
    ASSERT_NE(key, nullptr);
    const std::string text = read_file(user_hive());
    using std::filesystem::perms;
    const perms read_only = perms::owner_read | perms::group_read | perms::others_read;
    std::filesystem::permissions(user_hive(), read_only);
    EXPECT_FALSE(key->set(u"v", registry_type::dword, dword(2)));
    EXPECT_EQ(registry_key::create(user, u"Software\\Other"), nullptr);
    EXPECT_EQ(read_data(user, u"Software\\Test", u"v"), dword(1));
    EXPECT_EQ(read_file(user_hive()), text);
    EXPECT_EQ(std::filesystem::status(user_hive()).permissions() & perms::all, read_only);
}

TEST_F(RegistryStore, AHiveThatIsNoRegularFileOrFarTooLargeIsRefusedAtOnce) {
    std::filesystem::create_directories(user_hive().parent_path());
    const std::string hive = user_hive().string();
    const struct {
        const char* what;
        std::function<void()> make;
    } cases[] = {
        {"a named pipe", [&] { ASSERT_EQ(::mkfifo(hive.c_str(), 0600), 0); }},
        {"a link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", hive); }},
        {"a sparse file of 65 MiB",
         [&] {
             write_file(hive, hive_text(""));
             std::filesystem::resize_file(hive, 65 << 20);
         }},
    };
    for (const auto& each : cases) {
        each.make();
        const bool returned = returns_within(
            std::chrono::seconds(20),
            [] {
                EXPECT_EQ(registry_key::open(user, u""), nullptr);
                EXPECT_EQ(registry_key::create(user, u"Software\\Test"), nullptr);
            },
            [&] { ::close(::open(hive.c_str(), O_WRONLY | O_NONBLOCK)); });
        EXPECT_TRUE(returned) << each.what;
        EXPECT_NE(platform::registry_hive_problem(user), "") << each.what;
        std::filesystem::remove(hive);
    }
}

TEST_F(RegistryStore, AWriterGivesUpOnALockHeldTooLong) {
    auto key = registry_key::create(user, u"Software\\Test");
    ASSERT_NE(key, nullptr);
    const int held = ::open((user_hive().string() + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const auto wait = std::chrono::milliseconds(300);
    platform::set_registry_lock_wait(wait);
    bool written = true;
    std::chrono::steady_clock::duration waited{};
    const bool returned = returns_within(
        std::chrono::seconds(20),
        [&] {
            const auto start = std::chrono::steady_clock::now();
            written = key->set(u"v", registry_type::dword, dword(1));
            waited = std::chrono::steady_clock::now() - start;
        },
        [&] { ::flock(held, LOCK_UN); });
    platform::set_registry_lock_wait(std::chrono::seconds(30));
    EXPECT_TRUE(returned);
    EXPECT_FALSE(written);
    EXPECT_GE(waited, wait);
    ::close(held);
    EXPECT_TRUE(key->set(u"v", registry_type::dword, dword(1)));
}

TEST_F(RegistryStore, AHiveKeptAsASymbolicLinkIsWrittenThroughIt) {
    const auto real = folder().path() / "dotfiles" / "hive.reg";
    write_file(real, hive_text("[HKEY_CURRENT_USER\\Software\\Test]\n"));
    std::filesystem::create_directories(user_hive().parent_path());
    std::filesystem::create_symlink(real, user_hive());
    auto key = registry_key::create(user, u"Software\\Test");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->set(u"v", registry_type::dword, dword(9)));
    EXPECT_TRUE(std::filesystem::is_symlink(user_hive()));
    EXPECT_NE(read_file(real).find("\"v\"=dword:00000009"), std::string::npos);
}

TEST_F(RegistryStore, AHiveLinkedToAFileNotYetThereIsCreatedThroughTheLink) {
    const auto real = folder().path() / "dotfiles" / "hive.reg";
    std::filesystem::create_directories(real.parent_path());
    std::filesystem::create_directories(user_hive().parent_path());
    std::filesystem::create_symlink("../../dotfiles/hive.reg", user_hive());
    EXPECT_EQ(registry_key::open(user, u"Software\\Test"), nullptr);
    auto key = registry_key::create(user, u"Software\\Test");
    ASSERT_NE(key, nullptr);
    ASSERT_TRUE(key->set(u"v", registry_type::dword, dword(9)));
    EXPECT_TRUE(std::filesystem::is_symlink(user_hive()));
    EXPECT_NE(read_file(real).find("\"v\"=dword:00000009"), std::string::npos);
}

void expect_all_values(const std::vector<std::string>& prefixes, int count) {
    const auto key = registry_key::open(registry_root::current_user, u"Software\\Concurrency");
    ASSERT_NE(key, nullptr);
    int found = 0;
    for (const std::string& prefix : prefixes) {
        for (int i = 0; i < count; ++i) {
            const std::string name = prefix + "-" + std::to_string(i);
            std::uint32_t type = 0;
            std::vector<std::uint8_t> data;
            if (key->query(std::u16string(name.begin(), name.end()), type, data) &&
                type == registry_type::dword && data.size() == 4 && data[0] == (i & 0xFF) &&
                data[1] == (i >> 8))
                ++found;
        }
    }
    EXPECT_EQ(found, count * static_cast<int>(prefixes.size()));
}

TEST_F(RegistryStore, TwoProcessesWritingAtOnceKeepEveryValue) {
    const std::string writer = REGISTRY_WRITER;
    const std::string command = "'" + writer + "' first 200 & a=$!; '" + writer +
                                "' second 200 & b=$!; "
                                "wait $a && wait $b";
    ASSERT_EQ(std::system(("sh -c \"" + command + "\"").c_str()), 0);
    expect_all_values({"first", "second"}, 200);
}

TEST_F(RegistryStore, TwoThreadsWritingAtOnceKeepEveryValue) {
    auto write = [](const std::string& prefix) {
        auto key = registry_key::create(registry_root::current_user, u"Software\\Concurrency");
        for (int i = 0; key && i < 100; ++i) {
            const std::string name = prefix + "-" + std::to_string(i);
            key->set(std::u16string(name.begin(), name.end()), registry_type::dword, dword(i));
        }
    };
    std::thread first(write, "one");
    std::thread second(write, "two");
    first.join();
    second.join();
    expect_all_values({"one", "two"}, 100);
}

// Everything read within a scope comes from its one read of the file, and the scope says
// why the values read as none.
TEST_F(RegistryStore, AReadScopeSeesOneReadOfTheHiveAndItsFault) {
    using kind = platform::registry_fault::kind;
    const std::string sound =
        hive_text("[HKEY_CURRENT_USER\\Software\\Test]\n\"v\"=dword:00000001\n");
    const std::string broken = hive_text("[HKEY_CURRENT_USER\\Software\\Test]\n\"v\"=dword:1\n");
    const struct {
        const char* name;
        std::string bytes;  // empty: no file
        kind fault;
        std::size_t line;
        bool readable;
    } cases[] = {
        {"sound", sound, kind::none, 0, true},
        {"no file", "", kind::none, 0, false},
        {"does not parse", broken, kind::does_not_parse, 4, false},
        {"too large", std::string(65 << 20, ' '), kind::too_large, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(user_hive());
        if (!c.bytes.empty()) write_file(user_hive(), c.bytes);
        const platform::registry_read_scope scope(user);
        EXPECT_EQ(scope.fault().what, c.fault);
        EXPECT_EQ(scope.fault().line, c.line);
        EXPECT_EQ(scope.fault().file, user_hive().string());
        // The file changes under the scope: what is read does not.
        write_file(user_hive(), c.readable ? broken : sound);
        const auto key = registry_key::open(user, u"Software\\Test");
        EXPECT_EQ(key != nullptr, c.readable);
        if (key) {
            EXPECT_EQ(read_data(user, u"Software\\Test", u"v"), dword(1));
        }
    }
    // Outside every scope the file is read again.
    EXPECT_EQ(read_data(user, u"Software\\Test", u"v"), dword(1));
}

}  // namespace
