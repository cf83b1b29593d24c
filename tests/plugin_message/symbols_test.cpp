// The shared library exports its message classes and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> output_lines(const std::string& command) {
    std::vector<std::string> lines;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return lines;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        lines.push_back(line);
    }
    ::pclose(pipe);
    return lines;
}

// "address type name" → name
std::set<std::string> defined_dynamic_symbols() {
    std::set<std::string> names;
    for (const auto& line :
         output_lines(std::string("nm -D --defined-only -C '") + VURO_PLUGIN_MESSAGE_FILE + "'")) {
        const auto type_end = line.find(' ', line.find(' ') + 1);
        if (type_end != std::string::npos) names.insert(line.substr(type_end + 1));
    }
    return names;
}

TEST(symbols_test, exactly_the_message_classes_are_exported) {
    const std::set<std::string> names = defined_dynamic_symbols();
    ASSERT_FALSE(names.empty()) << "nm gave nothing for " << VURO_PLUGIN_MESSAGE_FILE;
    const char* const expected[] = {
        "abstract_vuro_plugin_message::abstract_vuro_plugin_message()",
        "abstract_vuro_plugin_message::~abstract_vuro_plugin_message()",
        "typeinfo for abstract_vuro_plugin_message",
        "vtable for abstract_vuro_plugin_message",
        "vuro_plugin_message_quit_flag::vuro_plugin_message_quit_flag()",
        "vuro_plugin_message_quit_flag::~vuro_plugin_message_quit_flag()",
        "vuro_plugin_message_quit_flag::set_flag(bool)",
        "vuro_plugin_message_quit_flag::get_flag() const",
        "vuro_plugin_message_run_processing::set_error(unsigned short const*, unsigned int, "
        "unsigned short const*, unsigned int)",
        "vuro_plugin_message_run_processing::get_candidate_alternative(unsigned int, unsigned "
        "short*, unsigned int, int&) const",
        "typeinfo for vuro_plugin_message_run_processing",
        "vuro_plugin_message_run_palette::send_message(unsigned short const*, unsigned int)",
        "vuro_plugin_message_run_palette::set_observer(void (*)(vuro_plugin_request_data "
        "const&))",
        "vuro_plugin_message_run_palette::set_request_data(vuro_plugin_request_data const&)",
        "typeinfo for vuro_plugin_message_run_palette",
    };
    for (const char* name : expected) EXPECT_EQ(names.count(name), 1u) << name;

    const std::string exported_classes[] = {
        "abstract_vuro_plugin_message", "vuro_plugin_message_quit_flag",
        "vuro_plugin_message_run_processing", "vuro_plugin_message_run_palette"};
    for (const std::string& name : names) {
        bool belongs = false;
        for (const std::string& owner : exported_classes)
            belongs = belongs || name.rfind(owner + "::", 0) == 0 ||
                      name == "typeinfo for " + owner || name == "typeinfo name for " + owner ||
                      name == "vtable for " + owner;
        EXPECT_TRUE(belongs) << "exported by mistake: " << name;
        EXPECT_EQ(name.find("impl"), std::string::npos) << name;
        EXPECT_EQ(name.find("thread_utility"), std::string::npos) << name;
        EXPECT_EQ(name.find("signal_event"), std::string::npos) << name;
        EXPECT_EQ(name.find("thread_access"), std::string::npos) << name;
    }
}

TEST(symbols_test, the_library_reaches_x11_through_xcb_and_never_through_xlib) {
    // Xlib's error handlers are process-wide (and its default for a lost connection ends
    // the process); XCB reports every error to the request that caused it.
    std::vector<std::string> needed;
    for (const auto& line :
         output_lines(std::string("objdump -p '") + VURO_PLUGIN_MESSAGE_FILE + "'"))
        if (line.find("NEEDED") != std::string::npos) needed.push_back(line);
    ASSERT_FALSE(needed.empty());
    bool xcb = false;
    for (const std::string& line : needed) {
        xcb = xcb || line.find("libxcb.so") != std::string::npos;
        EXPECT_EQ(line.find("libX11"), std::string::npos) << line;
    }
    EXPECT_TRUE(xcb);
}

TEST(symbols_test, the_library_file_carries_a_versioned_soname) {
    bool found = false;
    for (const auto& line :
         output_lines(std::string("objdump -p '") + VURO_PLUGIN_MESSAGE_FILE + "'")) {
        if (line.find("SONAME") == std::string::npos) continue;
        found = true;
        EXPECT_NE(line.find("libVURO_PLUGIN_MESSAGE.so.1"), std::string::npos) << line;
    }
    EXPECT_TRUE(found);
}

}  // namespace
