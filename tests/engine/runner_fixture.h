#pragma once
// A plug-in whose "bridge" is a small shell script, for runner tests that need a real
// child process but no real bridge.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/script_instance_data.h"
#include "tests/support/child_probe.h"
#include "tests/support/scratch.h"
#include "utility/url_encoding.h"

namespace runner_test {

inline std::u16string widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Every test leaves no child behind and no descriptor open.
class runner_fixture : public ::testing::Test {
protected:
    void SetUp() override { descriptors_before_ = test_support::open_descriptors(); }
    void TearDown() override {
        EXPECT_FALSE(test_support::has_child_processes()) << "a child was left unreaped";
        EXPECT_EQ(test_support::open_descriptors(), descriptors_before_) << "a descriptor leaked";
    }

    // A plug-in file "plugin.sh" and an empty data folder; `bridge` is the shell text
    // stored (form-encoded) as the bridge. The bridge sees $1 = encoded plug-in path,
    // $2 = method, then the arguments.
    vuro_plugin::script_instance_data shell_plugin(const std::string& bridge) {
        const std::filesystem::path plugins = folder_.path() / "plugin";
        std::filesystem::create_directories(plugins);
        std::filesystem::create_directories(folder_.path() / "data");
        std::ofstream(plugins / "plugin.sh") << "# plug-in\n";
        vuro_plugin::script_instance_data data;
        data.interpreter = u"sh";
        data.extension = u".sh";
        data.bridge_template = utility::url_encode(bridge);
        data.file_name = u"plugin.sh";
        data.script_path = widen((plugins / "plugin.sh").string());
        data.data_folder = widen((folder_.path() / "data").string() + "/");
        data.language_name = u"Shell";
        data.usable = true;
        return data;
    }

    // Names of the files left in the data folder.
    std::size_t files_in_data_folder() const {
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(folder_.path() / "data"))
            ++count;
        return count;
    }

    test_support::scratch_folder folder_;

private:
    std::set<int> descriptors_before_;
};

}  // namespace runner_test
