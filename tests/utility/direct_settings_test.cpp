#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>
#include <string>
#include <thread>

#include "tests/support/registry_fixture.h"
#include "utility/credential_scramble.h"
#include "utility/direct_settings.h"
#include "utility/key_code_table.h"
#include "utility/registry_access.h"
#include "utility/text_conversion.h"

namespace {

using utility::direct_settings;
using utility::key_code_table;

TEST(KeyCodeTable, HoldsTheHundredAndEightyCodes) {
    const key_code_table& table = key_code_table::instance();
    EXPECT_EQ(table.size(), 180u);
    EXPECT_EQ(table.base_names().size(), 66u);
    std::size_t valid = 0;
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) valid += table.is_valid_key_code(code);
    EXPECT_EQ(valid, 180u);
    for (std::uint32_t code : {0x109u, 0x509u, 0x1109u, 0x1509u, 0x20u, 0x12Cu, 0x14Fu, 0x1401u,
                               0x1000u, 0x141Fu, 0x1030u, 0x1439u})
        EXPECT_TRUE(table.is_valid_key_code(code)) << std::hex << code;
    for (std::uint32_t code :
         {0x09u, 0x41u, 0x01u, 0x401u, 0x31u, 0x120u, 0x12Du, 0x16Au, 0x10000u + 0x109u})
        EXPECT_FALSE(table.is_valid_key_code(code)) << std::hex << code;
}

TEST(KeyCodeTable, NamesCarryTheModifiers) {
    const key_code_table& table = key_code_table::instance();
    EXPECT_EQ(table.name_of(0x1509), u"Tab【Shift】【Ctrl】");
    EXPECT_EQ(table.name_of(0x20), u"スペース");
    EXPECT_EQ(table.name_of(0x1401), u"A【Shift】【Ctrl】");
    EXPECT_EQ(table.name_of(0x101C), u"\\【Ctrl】");
    EXPECT_EQ(table.code_of(u"F10【Ctrl】"), 0x112Au);
    EXPECT_EQ(table.code_of(u"0【Shift】【Ctrl】"), 0x1430u);
    EXPECT_EQ(table.code_of(u"↓"), 0x168u);
    EXPECT_FALSE(table.code_of(u"A").has_value());
}

std::u16string credential_of_length(std::size_t length) {
    std::u16string text;
    const std::u16string pool = u"aZ9!\"\\ 日本語パスワード";
    for (std::size_t i = 0; i < length; ++i) text.push_back(pool[i % pool.size()]);
    return text;
}

TEST(CredentialScramble, EveryCredentialRoundTrips) {
    for (std::size_t length = 0; length <= 300; ++length) {
        const std::u16string text = credential_of_length(length);
        const auto blob = utility::scramble_credential(text, static_cast<std::uint32_t>(length));
        const std::size_t n = 20 + utility::utf16_to_ansi(text).size() + 1;
        ASSERT_EQ(blob.size(), 8 * ((n + 7) / 8) + 8) << length;
        EXPECT_TRUE(std::all_of(blob.end() - 8, blob.end(), [](auto byte) { return byte == 0; }));
        EXPECT_EQ(utility::read_scrambled_credential(blob), text) << length;
    }
    EXPECT_EQ(utility::scramble_credential(u"").size(), 32u);
}

TEST(CredentialScramble, UnscramblingRestoresTheSourceBytes) {
    auto blob = utility::scramble_credential(u"pw", 7);
    ASSERT_TRUE(utility::unscramble_credential(blob));
    std::vector<std::uint8_t> source(20, 0);
    source.insert(source.end(), {'p', 'w', 0});
    source.resize(32, 0);
    EXPECT_EQ(blob, source);
}

TEST(CredentialScramble, DifferentSeedsGiveDifferentBytes) {
    std::set<std::vector<std::uint8_t>> blobs;
    for (std::uint32_t second = 1700000000; second < 1700000010; ++second)
        blobs.insert(utility::scramble_credential(u"secret", second));
    EXPECT_GE(blobs.size(), 9u);
}

TEST(CredentialScramble, MalformedBlobsGiveAnEmptyCredential) {
    const auto good = utility::scramble_credential(u"secret", 1);
    auto wrong_length = good;
    wrong_length.push_back(0);
    EXPECT_EQ(utility::read_scrambled_credential(wrong_length), u"");
    EXPECT_EQ(utility::read_scrambled_credential({}), u"");
    auto bad_entry = good;
    bad_entry[3] = 0x00;  // decodes far above 7
    EXPECT_EQ(utility::read_scrambled_credential(bad_entry), u"");
    auto repeated = good;
    repeated[1] = repeated[0];  // not a permutation
    EXPECT_EQ(utility::read_scrambled_credential(repeated), u"");
    EXPECT_EQ(utility::read_scrambled_credential(
                  std::vector<std::uint8_t>(good.begin(), good.begin() + 16)),
              u"");
}

std::string blob_text(const std::vector<std::uint8_t>& blob) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : blob) {
        if (!text.empty()) text += ',';
        text += {digits[byte >> 4], digits[byte & 0xF]};
    }
    return text;
}

class DirectSettings : public test_support::registry_fixture {
protected:
    static constexpr const char* v1 =
        "[HKEY_CURRENT_USER\\Software\\Halvane\\Vuro\\VURODIRECT\\1.0]\n";
    static constexpr const char* v2 =
        "[HKEY_CURRENT_USER\\Software\\Halvane\\Vuro\\VURODIRECT\\2.0]\n";
    static constexpr const char* marker = "\"plugin_count\"=dword:00000003\n";
};

TEST_F(DirectSettings, NoSettingsGiveDefaultsAndWriteNothing) {
    EXPECT_EQ(utility::detect_settings_version(), 2);
    const direct_settings settings;
    EXPECT_FALSE(settings.using_candidate_viewer);
    EXPECT_TRUE(settings.automatically_displayed_candidate);
    EXPECT_EQ(settings.key_plugin_candidate_change, 265u);
    EXPECT_EQ(settings.proxy_port, 0u);
    EXPECT_TRUE(settings.proxy_password.empty());
    EXPECT_FALSE(std::filesystem::exists(user_hive()));
}

TEST_F(DirectSettings, ReadsEveryFieldOfTheSecondVersion) {
    write_file(user_hive(),
               hive_text(std::string(v2) + marker +
                         "\"using_candidate_viewer\"=dword:00000001\n"
                         "\"automatically_displayed_candidate\"=dword:00000000\n"
                         "\"key_plugin_candidate_change\"=dword:00001401\n"
                         "\"key_1_plugin_name\"=\"辞書\"\n\"key_5_plugin_name\"=\"five\"\n"
                         "\"enable_proxy\"=dword:00000001\n\"proxy_address\"=\"proxy.example\"\n"
                         "\"proxy_port\"=dword:00001f90\n\"enable_authentication\"=dword:00000001\n"
                         "\"proxy_username\"=hex:" +
                         blob_text(utility::scramble_credential(u"ユーザー", 3)) +
                         "\n"
                         "\"proxy_password\"=hex:" +
                         blob_text(utility::scramble_credential(u"p@ss", 4)) + "\n"));
    const std::string before = read_file(user_hive());
    const direct_settings settings;
    EXPECT_TRUE(settings.using_candidate_viewer);
    EXPECT_FALSE(settings.automatically_displayed_candidate);
    EXPECT_EQ(settings.key_plugin_candidate_change, 0x1401u);
    EXPECT_EQ(settings.key_1_plugin_name, u"辞書");
    EXPECT_EQ(settings.key_2_plugin_name, u"");
    EXPECT_EQ(settings.key_5_plugin_name, u"five");
    EXPECT_TRUE(settings.enable_proxy);
    EXPECT_EQ(settings.proxy_address, u"proxy.example");
    EXPECT_EQ(settings.proxy_port, 8080u);
    EXPECT_TRUE(settings.enable_authentication);
    EXPECT_EQ(settings.proxy_username, u"ユーザー");
    EXPECT_EQ(settings.proxy_password, u"p@ss");
    EXPECT_EQ(read_file(user_hive()), before);
}

TEST_F(DirectSettings, InvalidValuesKeepTheirDefaults) {
    auto bad_header = utility::scramble_credential(u"secret", 5);
    bad_header[0] = 0;
    write_file(user_hive(), hive_text(std::string(v2) + marker +
                                      "\"using_candidate_viewer\"=dword:00000002\n"
                                      "\"automatically_displayed_candidate\"=\"0\"\n"
                                      "\"key_plugin_candidate_change\"=dword:00000041\n"
                                      "\"key_1_plugin_name\"=dword:00000001\n"
                                      "\"proxy_port\"=dword:00011170\n"
                                      "\"proxy_username\"=hex:" +
                                      blob_text(utility::scramble_credential(u"user", 6)) +
                                      ",00\n"
                                      "\"proxy_password\"=hex:" +
                                      blob_text(bad_header) + "\n"));
    const direct_settings settings;
    EXPECT_FALSE(settings.using_candidate_viewer);
    EXPECT_TRUE(settings.automatically_displayed_candidate);
    EXPECT_EQ(settings.key_plugin_candidate_change, 265u);
    EXPECT_EQ(settings.key_1_plugin_name, u"");
    EXPECT_EQ(settings.proxy_port, 0u);
    EXPECT_EQ(settings.proxy_username, u"");
    EXPECT_EQ(settings.proxy_password, u"");
}

TEST_F(DirectSettings, TheFirstVersionIsCopiedOnEveryLoad) {
    const std::string old_settings =
        std::string(v1) + marker +
        "\"useing_candidate_viewer\"=dword:00000001\n"
        "\"using_candidate_viewer\"=dword:00000000\n"
        "\"proxy_address\"=\"old.example\"\n\"proxy_port\"=dword:00000050\n"
        "\"proxy_password\"=hex:" +
        blob_text(utility::scramble_credential(u"秘密", 9)) + "\n";
    write_file(user_hive(), hive_text(old_settings));
    EXPECT_EQ(utility::detect_settings_version(), 1);
    {
        const direct_settings settings;
        EXPECT_TRUE(settings.using_candidate_viewer);
        EXPECT_EQ(settings.proxy_address, u"old.example");
        EXPECT_EQ(settings.proxy_password, u"秘密");
    }
    {
        const utility::registry_access copy(utility::settings_key_path(2), 0);
        EXPECT_TRUE(copy.get_registry_bool(u"using_candidate_viewer"));
        EXPECT_TRUE(copy.get_registry_bool(u"automatically_displayed_candidate"));
        EXPECT_EQ(copy.get_registry_unsigned_int(u"key_plugin_candidate_change"), 265u);
        EXPECT_EQ(copy.get_registry_utf16(u"key_3_plugin_name"), u"");
        EXPECT_EQ(copy.get_registry_utf16(u"proxy_address"), u"old.example");
        EXPECT_EQ(copy.get_registry_unsigned_int(u"proxy_port"), 80u);
        EXPECT_EQ(copy.get_registry_binary(u"proxy_username").size(), 32u);
        EXPECT_EQ(utility::read_scrambled_credential(copy.get_registry_binary(u"proxy_password")),
                  u"秘密");
        EXPECT_FALSE(copy.has_registry_unsigned_int(u"plugin_count"));
    }
    EXPECT_EQ(utility::detect_settings_version(), 1);

    // Still only the first version carries the marker, so the next load copies again.
    {
        utility::registry_access old_key(utility::settings_key_path(1), 1);
        old_key.set_registry_unsigned_utf16(u"proxy_address", u"new.example");
    }
    const direct_settings again;
    EXPECT_EQ(again.proxy_address, u"new.example");
    const utility::registry_access copy(utility::settings_key_path(2), 0);
    EXPECT_EQ(copy.get_registry_utf16(u"proxy_address"), u"new.example");
}

TEST_F(DirectSettings, SavedSettingsReadBack) {
    write_file(user_hive(), hive_text(std::string(v2) + marker));
    direct_settings settings;
    settings.using_candidate_viewer = true;
    settings.key_plugin_candidate_change = 0x41;  // not a key code: saved as Tab
    settings.key_4_plugin_name = u"四";
    settings.enable_proxy = true;
    settings.proxy_port = 3128;
    settings.proxy_username = credential_of_length(250);
    settings.proxy_password = u"";
    settings.save_settings();
    const direct_settings loaded;
    EXPECT_TRUE(loaded.using_candidate_viewer);
    EXPECT_EQ(loaded.key_plugin_candidate_change, 265u);
    EXPECT_EQ(loaded.key_4_plugin_name, u"四");
    EXPECT_TRUE(loaded.enable_proxy);
    EXPECT_EQ(loaded.proxy_port, 3128u);
    EXPECT_EQ(loaded.proxy_username, credential_of_length(250));
    EXPECT_EQ(loaded.proxy_password, u"");
}

TEST_F(DirectSettings, SavesInDifferentSecondsStoreDifferentBytes) {
    direct_settings settings;
    settings.proxy_password = u"secret";
    auto stored = [] {
        const utility::registry_access key(utility::settings_key_path(2), 0);
        return key.get_registry_binary(u"proxy_password");
    };
    settings.save_settings();
    const auto first = stored();
    const std::time_t saved_by = std::time(nullptr);
    while (std::time(nullptr) <= saved_by)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    settings.save_settings();
    EXPECT_NE(stored(), first);
    EXPECT_EQ(utility::read_scrambled_credential(stored()), u"secret");
}

TEST_F(DirectSettings, AnUnreadableHiveGivesDefaultsAndStaysAsItWas) {
    const std::string broken = hive_text(std::string(v1) + marker + "\"proxy_port\"=dword:zz\n");
    write_file(user_hive(), broken);
    const direct_settings settings;
    EXPECT_EQ(settings.proxy_port, 0u);
    EXPECT_EQ(utility::detect_settings_version(), 2);
    settings.save_settings();
    EXPECT_EQ(read_file(user_hive()), broken);
}

}  // namespace
