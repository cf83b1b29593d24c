#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "tests/support/expect_error.h"
#include "tests/support/registry_fixture.h"
#include "utility/data_folder.h"
#include "utility/text_conversion.h"
#include "utility/vuro_file_path.h"

namespace {

using test_support::scoped_environment;
using utility::VuroFilePath;

using test_support::expect_runtime_error;

std::u16string u16(const std::filesystem::path& path) {
    return utility::utf8_to_utf16(path.string());
}

class FolderPaths : public test_support::registry_fixture {
protected:
    std::filesystem::path app_data() const { return folder().path() / "appdata"; }
    std::filesystem::path data_home() const { return folder().path() / "data home"; }
    std::filesystem::path product() const { return app_data() / "Halvane" / "Vuro"; }

    void set_folder_mode(const std::string& root, const std::string& value) {
        const auto file = root == "HKEY_CURRENT_USER" ? user_hive() : machine_hive();
        write_file(file,
                   hive_text("[" + root +
                             "\\Software\\Halvane\\VURO\\23.0]\n\"FolderMode\"=" + value + "\n"));
    }
    // A folder below the scratch folder whose path is `length` characters long.
    std::filesystem::path folder_of_length(std::size_t length) const {
        std::filesystem::path path = data_home();
        while (path.string().size() + 101 < length) path /= std::string(100, 'd');
        return path / std::string(length - path.string().size() - 1, 'e');
    }
    std::u16string resolved(int mode) {
        VuroFilePath path;
        EXPECT_EQ(path.resolve_app_data(mode), 0);
        return path.path();
    }

    scoped_environment appdata_{"APPDATA", app_data().string()};
    scoped_environment xdg_data_{"XDG_DATA_HOME", data_home().string()};
};

TEST_F(FolderPaths, ModeComesFromTheUserThenTheMachine) {
    EXPECT_EQ(utility::determine_folder_mode(), 4);
    set_folder_mode("HKEY_LOCAL_MACHINE", "dword:00000002");
    EXPECT_EQ(utility::determine_folder_mode(), 2);
    set_folder_mode("HKEY_CURRENT_USER", "dword:00000003");
    EXPECT_EQ(utility::determine_folder_mode(), 3);
    // A number out of range is taken and falls to the system's default, not to the machine.
    set_folder_mode("HKEY_CURRENT_USER", "dword:00000007");
    EXPECT_EQ(utility::determine_folder_mode(), 4);
    set_folder_mode("HKEY_CURRENT_USER", "\"3\"");
    EXPECT_EQ(utility::determine_folder_mode(), 2);
    set_folder_mode("HKEY_CURRENT_USER", "hex(4):01,00,00,00,00,00,00,00");
    EXPECT_EQ(utility::determine_folder_mode(), 2);
    set_folder_mode("HKEY_CURRENT_USER", "dword:00000000");
    EXPECT_EQ(utility::determine_folder_mode(), 0);
}

TEST_F(FolderPaths, EnvironmentModes) {
    EXPECT_EQ(resolved(3), u16(app_data()));
    EXPECT_EQ(resolved(4), u16(app_data()));
    {
        const scoped_environment inside_system("APPDATA", "/usr/share/appdata");
        EXPECT_EQ(resolved(3), u"/usr/share/appdata");
        EXPECT_EQ(resolved(4), u16(data_home()));
    }
    {
        const scoped_environment system_itself("APPDATA", "/USR");
        EXPECT_EQ(resolved(4), u16(data_home()));
    }
    {
        const scoped_environment sibling("APPDATA", "/usrdata");
        EXPECT_EQ(resolved(4), u"/usrdata");
    }
    for (const std::optional<std::string>& value :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("%appdata%"),
          std::optional<std::string>("/" + std::string(259, 'x'))}) {
        const scoped_environment unusable("APPDATA", value);
        EXPECT_EQ(resolved(3), u16(data_home()));
    }
}

TEST_F(FolderPaths, RegistryModesAndTheFallbacks) {
    write_file(
        user_hive(),
        hive_text("[HKEY_CURRENT_"
                  "USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
                  "\"AppData\"=\"/shell/appdata\"\n"
                  "[HKEY_CURRENT_USER\\Software\\Halvane\\VURO\\23.0]\n"
                  "\"ImageAppDataFolder\"=\"/image/appdata\"\n"));
    EXPECT_EQ(resolved(1), u"/shell/appdata");
    EXPECT_EQ(resolved(2), u"/image/appdata");
    EXPECT_FALSE(std::filesystem::exists(data_home()));
    EXPECT_EQ(resolved(0), u16(data_home()));
    EXPECT_TRUE(std::filesystem::is_directory(data_home()));
    EXPECT_EQ(resolved(5), u16(data_home()));

    write_file(user_hive(), hive_text("[HKEY_CURRENT_USER\\Software\\Halvane\\VURO\\23.0]\n"
                                      "\"ImageAppDataFolder\"=\"/" +
                                      std::string(259, 'x') + "\"\n"));
    EXPECT_EQ(resolved(2), u16(data_home()));
    EXPECT_EQ(resolved(1), u16(data_home()));

    write_file(
        user_hive(),
        hive_text(
            "[HKEY_CURRENT_USER\\Software\\Halvane\\VURO\\23.0]\n\"ImageAppDataFolder\"=\"\"\n"));
    EXPECT_EQ(resolved(2), u16(data_home()));
}

TEST_F(FolderPaths, NothingFoundIsAFailure) {
    const scoped_environment no_appdata("APPDATA", std::nullopt);
    const scoped_environment no_data_home("XDG_DATA_HOME", std::nullopt);
    const scoped_environment home("HOME", "/proc/no such home");
    VuroFilePath path;
    EXPECT_NE(path.resolve_app_data(4), 0);
    VuroFilePath other;
    EXPECT_NE(other.resolve_app_data(0), 0);
    EXPECT_FALSE(other.is_set());
}

TEST(VuroFilePath, AppendPutsExactlyOneSlashBetween) {
    VuroFilePath path;
    path.append(u"/data/");
    path.append(u"/Halvane/Vuro");
    EXPECT_EQ(path.path(), u"/data/Halvane/Vuro");
    VuroFilePath other;
    other.append(u"/data");
    other.append(u"Halvane/Vuro");
    EXPECT_EQ(other.path(), u"/data/Halvane/Vuro");
    other.append(u"");
    EXPECT_EQ(other.path(), u"/data/Halvane/Vuro/");
    EXPECT_FALSE(other.append(std::u16string(VuroFilePath::max_length(), u'x')));
    EXPECT_EQ(other.path(), u"/data/Halvane/Vuro/");
    VuroFilePath unset;
    EXPECT_FALSE(unset.is_set());
    EXPECT_FALSE(unset.append(std::u16string(VuroFilePath::max_length() + 1, u'x')));
    EXPECT_FALSE(unset.is_set());
}

TEST_F(FolderPaths, TheProductFolderMustExist) {
    expect_runtime_error([] { utility::get_vuro_direct_data_folder(); },
                         "utility::get_vuro_direct_data_folder() call error1");
    EXPECT_THROW(utility::get_vuro_direct_data_folder(), utility::data_folder_missing);
    EXPECT_FALSE(std::filesystem::exists(product()));
}

TEST_F(FolderPaths, TheDataFolderIsCreatedOnce) {
    std::filesystem::create_directories(product());
    const std::u16string expected = u16(product()) + u"/VURODIRECT/";
    EXPECT_EQ(utility::get_vuro_direct_data_folder(), expected);
    EXPECT_TRUE(std::filesystem::is_directory(product() / "VURODIRECT"));
    std::ofstream(product() / "VURODIRECT" / "kept") << "x";
    EXPECT_EQ(utility::get_vuro_direct_data_folder(), expected);
    EXPECT_TRUE(std::filesystem::exists(product() / "VURODIRECT" / "kept"));
}

TEST_F(FolderPaths, TheLegacyFolderIsMovedWithItsContents) {
    std::filesystem::create_directories(product() / "VURORIRECT" / "PLUGIN" / "old");
    EXPECT_EQ(utility::get_vuro_direct_data_folder(), u16(product()) + u"/VURODIRECT/");
    EXPECT_FALSE(std::filesystem::exists(product() / "VURORIRECT"));
    EXPECT_TRUE(std::filesystem::is_directory(product() / "VURODIRECT" / "PLUGIN" / "old"));
    EXPECT_EQ(utility::get_vuro_direct_data_folder(), u16(product()) + u"/VURODIRECT/");
}

TEST_F(FolderPaths, WithBothFoldersTheLegacyOneIsLeftAlone) {
    std::filesystem::create_directories(product() / "VURORIRECT" / "legacy");
    std::filesystem::create_directories(product() / "VURODIRECT" / "current");
    utility::get_vuro_direct_data_folder();
    EXPECT_TRUE(std::filesystem::is_directory(product() / "VURORIRECT" / "legacy"));
    EXPECT_FALSE(std::filesystem::exists(product() / "VURODIRECT" / "legacy"));
}

TEST_F(FolderPaths, ADataFolderThatCannotBeCreatedIsReported) {
    std::filesystem::create_directories(product());
    std::ofstream(product() / "VURODIRECT") << "a file in the way";
    expect_runtime_error([] { utility::get_vuro_direct_data_folder(); },
                         "utility::get_vuro_direct_data_folder() call error2");
}

TEST_F(FolderPaths, WithoutAnyApplicationDataFolderTheDataFolderIsRelative) {
    const scoped_environment no_appdata("APPDATA", std::nullopt);
    const scoped_environment no_data_home("XDG_DATA_HOME", std::nullopt);
    const scoped_environment home("HOME", "/proc/no such home");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder().path());
    const std::u16string data = utility::get_vuro_direct_data_folder();
    std::filesystem::current_path(previous);
    EXPECT_EQ(data, u"VURODIRECT/");
    EXPECT_TRUE(std::filesystem::is_directory(folder().path() / "VURODIRECT"));
}

TEST_F(FolderPaths, ALongApplicationDataPathIsUsedAndNeverTheCurrentFolder) {
    const scoped_environment no_appdata("APPDATA", std::nullopt);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder().path());
    const auto deep = folder_of_length(600);
    {
        const scoped_environment long_data_home("XDG_DATA_HOME", deep.string());
        std::filesystem::create_directories(deep / "Halvane" / "Vuro");
        EXPECT_EQ(utility::get_vuro_direct_data_folder(), u16(deep) + u"/Halvane/Vuro/VURODIRECT/");
    }
    {
        // Too long for the product folder to be appended: the data folder's own error.
        const scoped_environment at_the_limit(
            "XDG_DATA_HOME", folder_of_length(VuroFilePath::max_length() - 5).string());
        expect_runtime_error([] { utility::get_vuro_direct_data_folder(); },
                             "utility::get_vuro_direct_data_folder() call error1");
    }
    std::filesystem::current_path(previous);
    EXPECT_FALSE(std::filesystem::exists(folder().path() / "VURODIRECT"));
}

TEST_F(FolderPaths, PreferenceFoldersAreCreatedPerPlugin) {
    std::filesystem::create_directories(product());
    const std::u16string data = u16(product()) + u"/VURODIRECT/";
    EXPECT_EQ(utility::create_plugin_preference_path(u"辞書 plug-in"),
              data + u"PLUGIN/辞書 plug-in/");
    EXPECT_TRUE(
        std::filesystem::is_directory(product() / "VURODIRECT" / "PLUGIN" / "辞書 plug-in"));
    std::ofstream(product() / "VURODIRECT" / "PLUGIN" / "辞書 plug-in" / "settings") << "kept";
    EXPECT_EQ(utility::create_plugin_preference_path(u"辞書 plug-in"),
              data + u"PLUGIN/辞書 plug-in/");
    EXPECT_TRUE(
        std::filesystem::exists(product() / "VURODIRECT" / "PLUGIN" / "辞書 plug-in" / "settings"));
    // A plug-in without a preference document has an empty name: the PLUGIN folder itself.
    EXPECT_EQ(utility::create_plugin_preference_path(u""), data + u"PLUGIN//");
}

TEST_F(FolderPaths, PreferenceNamesCannotLeaveThePluginFolder) {
    std::filesystem::create_directories(product());
    const std::u16string names[] = {u"..",  u".",    u"../../escape",
                                    u"a/b", u"a\\b", std::u16string(u"a\0b", 3)};
    for (const std::u16string& name : names)
        expect_runtime_error([&] { utility::create_plugin_preference_path(name); },
                             "utility::create_plugin_preference_path() call error2");
    EXPECT_FALSE(std::filesystem::exists(folder().path() / "escape"));
}

TEST_F(FolderPaths, APluginFolderInTheWayIsReported) {
    std::filesystem::create_directories(product() / "VURODIRECT");
    std::ofstream(product() / "VURODIRECT" / "PLUGIN") << "a file in the way";
    expect_runtime_error([] { utility::create_plugin_preference_path(u"name"); },
                         "utility::create_plugin_preference_path() call error1");
}

}  // namespace
