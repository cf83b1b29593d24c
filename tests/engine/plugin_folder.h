#pragma once
// A plug-in folder of its own for each test, with the product folder in place so that
// the data folder can be made, and instances built on it the way a host builds them.
#include <gtest/gtest.h>

#include <boost/shared_ptr.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/script_language.h"
#include "engine/vuro_plugin_instance_script.h"
#include "tests/support/scratch.h"
#include "utility/data_folder.h"
#include "utility/text_conversion.h"

namespace instance_test {

using script_handle = boost::shared_ptr<vuro_plugin::vuro_plugin_instance_script>;

// A preference document naming the plug-in `name`, with the two switches.
inline std::string preference_document(const std::string& name, bool preference, bool callback) {
    const auto flag = [](bool on) { return on ? "true" : "false"; };
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plugin><name>" + name +
           "</name><preference>" + flag(preference) + "</preference><callback>" + flag(callback) +
           "</callback></plugin>\n";
}

class plugin_folder_test : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(
            std::filesystem::u8path(utility::utf16_to_utf8(utility::product_data_folder())));
    }

    // Writes `bytes` as the file `name` in the plug-in folder.
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder_.path() / name, std::ios::binary) << bytes;
    }

    // Copies the fixture plug-in plugins/<fixture> into the folder as `name`.
    void copy_fixture(const std::string& fixture, const std::string& name) const {
        std::filesystem::copy_file(std::filesystem::path(PLUGDEBUG_ENGINE_FIXTURES) / fixture,
                                   folder_.path() / name);
    }

    script_handle instance(const std::string& file_name,
                           const vuro_plugin::script_language& language,
                           const vuro_plugin::runner_settings& settings = {}) const {
        return script_handle(new vuro_plugin::vuro_plugin_instance_script(
            folder_.u16() + u"/", utility::utf8_to_utf16(file_name), language.interpreter,
            language.extension, language.display_name, language.stored_bridge, settings));
    }

    test_support::scratch_folder folder_;
};

// Perl, Ruby, Python.
inline const vuro_plugin::script_language& language(std::size_t index) {
    return vuro_plugin::script_languages().at(index);
}

}  // namespace instance_test
