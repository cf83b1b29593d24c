#pragma once
// Every test process runs with HOME, XDG_CONFIG_HOME, XDG_CONFIG_DIRS and XDG_DATA_HOME
// inside a scratch home of its own (set up by test_main.cpp); APPDATA is unset.
#include <filesystem>
#include <string>

namespace test_support {

std::filesystem::path scratch_home();

// A fresh, empty folder below the scratch home, removed with everything in it when the
// object goes.
class scratch_folder {
public:
    scratch_folder();
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path() / name as UTF-16 text, the form the utility functions take.
    std::u16string u16(const std::string& name = {}) const;

private:
    std::filesystem::path path_;
};

}  // namespace test_support
