#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "tests/support/scratch.h"

namespace test_support {
namespace {

std::filesystem::path& home() {
    static std::filesystem::path path;
    return path;
}

void set(const char* name, const std::filesystem::path& value) {
    std::filesystem::create_directories(value);
    ::setenv(name, value.c_str(), 1);
}

class scratch_environment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "plugdebug-test-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        home() = pattern;
        set("HOME", home());
        set("XDG_CONFIG_HOME", home() / ".config");
        set("XDG_CONFIG_DIRS", home() / "etc" / "xdg");
        set("XDG_DATA_HOME", home() / ".local" / "share");
        ::unsetenv("APPDATA");
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
