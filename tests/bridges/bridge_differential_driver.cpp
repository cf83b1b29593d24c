// Runs a batch of generated plug-in cases through the script instances, in all three
// languages, the way a host drives them: one syntax check per language, then per case a
// processing call and a callback. scripts/fuzz-bridges writes the batch and compares
// what this program writes back (tests/bridges/fuzz_bridges.py).
//
//   bridge_differential_driver BATCH
//
// BATCH/plugin/ holds the preference document fuzzcase.xml; BATCH/cases one line per
// case: its folder name, then the composition text, reading, proxy address, proxy port,
// proxy user name, proxy password and callback candidate ("x": no callback), the texts as
// hexadecimal UTF-16 code units ("-" for an empty one), separated by blanks. The case folder holds
// fuzzcase.pl, fuzzcase.rb and fuzzcase.py; each run is copied to BATCH/plugin/ in turn,
// and its outputs are written beside it as <ext>.<what>: stdout, stderr, callback_stdout,
// callback_stderr, message (the instance's failure text and any error raised) and
// candidates (one line per candidate, its six texts in hex UTF-16).
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/message_script.h"
#include "engine/script_language.h"
#include "engine/vuro_plugin_instance_script.h"
#include "utility/text_conversion.h"

namespace {

namespace fs = std::filesystem;
using vuro_plugin::script_language;

const std::u16string plugin_base = u"fuzzcase";

struct case_request {
    std::string name;
    std::u16string composition, reading, proxy_address, proxy_username, proxy_password, candidate;
    std::int32_t proxy_port = 0;
    bool callback = true;
};

std::u16string from_hex(const std::string& hex) {
    std::u16string text;
    if (hex == "-") return text;
    for (std::size_t at = 0; at + 4 <= hex.size(); at += 4)
        text.push_back(static_cast<char16_t>(std::stoul(hex.substr(at, 4), nullptr, 16)));
    return text;
}

std::string to_hex(const std::u16string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char16_t unit : text)
        for (int shift = 12; shift >= 0; shift -= 4) hex.push_back(digits[(unit >> shift) & 0xF]);
    return hex.empty() ? "-" : hex;
}

std::vector<case_request> read_cases(const fs::path& file) {
    std::ifstream in(file);
    std::vector<case_request> cases;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        case_request c;
        std::string composition, reading, address, port, username, password, candidate;
        if (!(fields >> c.name >> composition >> reading >> address >> port >> username >>
              password >> candidate))
            throw std::runtime_error("bad case line: " + line);
        c.composition = from_hex(composition);
        c.reading = from_hex(reading);
        c.proxy_address = from_hex(address);
        c.proxy_port = static_cast<std::int32_t>(std::stol(port));
        c.proxy_username = from_hex(username);
        c.proxy_password = from_hex(password);
        c.callback = candidate != "x";
        if (c.callback) c.candidate = from_hex(candidate);
        cases.push_back(c);
    }
    return cases;
}

// Both records end with the proxy; a host uses 512 units of either address field.
template <typename request_type>
void assign_proxy(request_type& request, const case_request& c) {
    vuro_plugin::assign_request_text(request.proxy_address, 512, request.proxy_address_length,
                                     c.proxy_address);
    request.proxy_port = c.proxy_port;
    vuro_plugin::assign_request_text(request.proxy_username, request.proxy_username_length,
                                     c.proxy_username);
    vuro_plugin::assign_request_text(request.proxy_password, request.proxy_password_length,
                                     c.proxy_password);
}

vuro_plugin::processing_request processing_request_of(const case_request& c) {
    vuro_plugin::processing_request request{};
    vuro_plugin::fill_host_constants(request);
    vuro_plugin::assign_request_text(request.composition_text, request.composition_length,
                                     c.composition);
    vuro_plugin::assign_request_text(request.reading_text, request.reading_length, c.reading);
    assign_proxy(request, c);
    return request;
}

vuro_plugin::callback_request callback_request_of(const case_request& c) {
    vuro_plugin::callback_request request{};
    vuro_plugin::assign_request_text(request.candidate_text, request.candidate_length, c.candidate);
    vuro_plugin::assign_request_text(request.composition_text, request.composition_length,
                                     c.composition);
    assign_proxy(request, c);
    return request;
}

void write(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string candidate_lines(const vuro_plugin::message_script& message) {
    std::string lines;
    for (const auto& item : message.items())
        lines += to_hex(item.title) + " " + to_hex(item.comment) + " " + to_hex(item.alternative) +
                 " " + to_hex(item.alternative_alias) + " " + to_hex(item.alternative_type) + " " +
                 to_hex(item.info) + "\n";
    return lines;
}

std::string narrow(const std::u16string& ascii) { return {ascii.begin(), ascii.end()}; }

class language_runner {
public:
    language_runner(const script_language& language, const fs::path& plugin_folder)
        : language_(language), plugin_folder_(plugin_folder) {}

    // Copies the case's plug-in into the plug-in folder; the instance is made (and its
    // syntax checked) with the first.
    void run(const fs::path& case_folder, const case_request& c) {
        const std::string extension = narrow(language_.extension);
        fs::copy_file(case_folder / ("fuzzcase" + extension),
                      plugin_folder_ / ("fuzzcase" + extension),
                      fs::copy_options::overwrite_existing);
        if (!instance_) start();
        const std::string prefix = (case_folder / extension.substr(1)).string() + ".";

        vuro_plugin_message_quit_flag quit_flag;
        instance_->prepare_processing();
        const auto message = instance_->create_plugin_message(0, 0);
        // An error the instance raises (a document past its size limit, say) is part of
        // what the languages must agree on.
        std::string raised;
        try {
            instance_->run_processing(message, processing_request_of(c), quit_flag);
        } catch (const std::exception& error) {
            raised = std::string("\nraised: ") + error.what();
        }
        instance_->complete_processing();
        write(prefix + "stdout", instance_->get_standard_output());
        write(prefix + "stderr", instance_->get_standard_error());
        write(prefix + "message", utility::utf16_to_utf8(instance_->get_message()) + raised);
        write(prefix + "candidates",
              candidate_lines(dynamic_cast<const vuro_plugin::message_script&>(*message)));

        if (c.callback) instance_->run_callback(message, callback_request_of(c), nullptr);
        write(prefix + "callback_stdout", c.callback ? instance_->get_standard_output() : "");
        write(prefix + "callback_stderr", c.callback ? instance_->get_standard_error() : "");
    }

private:
    void start() {
        const std::u16string folder = utility::utf8_to_utf16(plugin_folder_.string() + "/");
        instance_ = std::make_unique<vuro_plugin::vuro_plugin_instance_script>(
            folder, plugin_base + language_.extension, language_.interpreter, language_.extension,
            language_.display_name, language_.stored_bridge);
        if (!instance_->check_syntax())
            throw std::runtime_error(
                "syntax check failed: " + utility::utf16_to_utf8(instance_->get_message()) + " " +
                instance_->get_standard_output() + instance_->get_standard_error());
    }

    const script_language& language_;
    fs::path plugin_folder_;
    std::unique_ptr<vuro_plugin::vuro_plugin_instance_script> instance_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: bridge_differential_driver BATCH\n";
        return 2;
    }
    try {
        const fs::path batch = fs::absolute(argv[1]);
        std::vector<language_runner> runners;
        for (const auto& language : vuro_plugin::script_languages())
            runners.emplace_back(language, batch / "plugin");
        for (const auto& c : read_cases(batch / "cases"))
            for (auto& runner : runners) runner.run(batch / c.name, c);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "bridge_differential_driver: " << error.what() << '\n';
        return 3;
    }
}
