#pragma once
// A test with registry hives of its own: XDG_CONFIG_HOME and XDG_CONFIG_DIRS point into a
// fresh scratch folder for the test's duration.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/environment.h"
#include "tests/support/scratch.h"

namespace test_support {

class registry_fixture : public ::testing::Test {
protected:
    std::filesystem::path user_hive() const {
        return folder_.path() / "config/plugdebug/HKEY_CURRENT_USER.reg";
    }
    std::filesystem::path machine_hive() const {
        return folder_.path() / "etc/plugdebug/HKEY_LOCAL_MACHINE.reg";
    }

    static void write_file(const std::filesystem::path& file, const std::string& bytes) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string read_file(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // A hive of the given sections and value lines, e.g. "[HKEY_CURRENT_USER\\Software]\n...".
    static std::string hive_text(const std::string& body) {
        return "Windows Registry Editor Version 5.00\n\n" + body;
    }

    const scratch_folder& folder() const { return folder_; }

private:
    scratch_folder folder_;
    scoped_environment config_home_{"XDG_CONFIG_HOME", (folder_.path() / "config").string()};
    scoped_environment config_dirs_{"XDG_CONFIG_DIRS",
                                    (folder_.path() / "etc").string() + ":/nonexistent"};
};

}  // namespace test_support
