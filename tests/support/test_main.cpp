#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

#include "tests/support/environment.h"
#include "tests/support/scratch.h"

namespace test_support {
namespace {

std::filesystem::path& home() {
    static std::filesystem::path path;
    return path;
}

void set(const char* name, const std::filesystem::path& value) {
    std::filesystem::create_directories(value);
    set_environment(name, value.string());
}

// A new folder of a random name only this user may enter.
std::filesystem::path make_private_folder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto path =
            std::filesystem::temp_directory_path() / ("plugdebug-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path)) {
            std::filesystem::permissions(path, std::filesystem::perms::owner_all);
            return path;
        }
    }
    throw std::runtime_error("no scratch home could be made");
}

class scratch_environment : public ::testing::Environment {
public:
    void SetUp() override {
        home() = make_private_folder();
        set("HOME", home());
        set("XDG_CONFIG_HOME", home() / ".config");
        set("XDG_CONFIG_DIRS", home() / "etc" / "xdg");
        set("XDG_DATA_HOME", home() / ".local" / "share");
        set_environment("APPDATA", std::nullopt);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(home(), ignored);
    }
};

}  // namespace

std::filesystem::path scratch_home() { return home(); }

scratch_folder::scratch_folder() {
    static std::atomic<unsigned> counter{0};
    path_ = home() / ("scratch-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

scratch_folder::~scratch_folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::u16string scratch_folder::u16(const std::string& name) const {
    const std::string text = name.empty() ? path_.string() : (path_ / name).string();
    return std::u16string(text.begin(), text.end());  // scratch paths are ASCII
}

}  // namespace test_support

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::scratch_environment);
    return RUN_ALL_TESTS();
}
