#include "engine/run_script.h"

#include <new>
#include <stdexcept>
#include <utility>

#include "engine/command_line.h"
#include "engine/file_presence.h"
#include "engine/script_file_access.h"
#include "engine/temporary_file_name.h"
#include "platform/child_process.h"
#include "utility/text_conversion.h"

namespace vuro_plugin {
namespace {

const std::u16string script_marker = u" : [SCRIPT] ";

// Cuts a captured buffer at its first 0 byte (at the latest the closing one).
std::string up_to_first_zero(std::string buffer) {
    const std::size_t zero = buffer.find('\0');
    if (zero == std::string::npos) return buffer;
    // Spare capacity past the written bytes is only reserved, but what was written and
    // cut away is real memory: a buffer cut early is not kept at full size.
    const bool cut_early = zero < buffer.size() / 2;
    buffer.resize(zero);
    if (cut_early) buffer.shrink_to_fit();
    return buffer;
}

// Stores the outputs of a completed run and returns the standard output. The returned
// copy is made before anything is stored, so running out of memory stores nothing.
std::string store_outputs(script_instance_data& data, std::string out, std::string err,
                          const capture_cut& cut) {
    std::string output = up_to_first_zero(std::move(out));
    std::string result = output;
    data.standard_output = std::move(output);
    data.standard_error = up_to_first_zero(std::move(err));
    data.standard_output_cut = cut.output;
    data.standard_error_cut = cut.error;
    return result;
}

}  // namespace

std::u16string capture_cut_notice() {
    const std::string mebibytes = std::to_string(platform::child_process::capture_limit >> 20);
    return u"（出力が " + std::u16string(mebibytes.begin(), mebibytes.end()) +
           u" MiB を超えたため、それ以降は破棄しました）";
}

std::string run_script(const std::u16string& method, const std::vector<std::u16string>& arguments,
                       script_instance_data& data, bool limit_time,
                       const runner_settings& settings) {
    if (!file_exists(data.script_path)) return {};
    const std::u16string name = create_temporary_file_name(data.data_folder, data.extension);
    if (name.empty()) return {};
    const std::vector<std::u16string> command_line =
        build_command_line(data, name, method, arguments);

    try {
        const script_file_access bridge(data.data_folder, name, data.bridge_template);
        std::string out;
        std::string err;
        capture_cut cut;
        switch (execute_command(command_line, data.data_folder, out, err, limit_time, settings,
                                &cut)) {
            case command_completed:
                return store_outputs(data, std::move(out), std::move(err), cut);
            case command_start_failure:
                data.message = data.file_name + script_marker + data.interpreter +
                               u"コマンドが実行できませんでした";
                return {};
            default:
                return {};
        }
    } catch (const std::runtime_error&) {
        data.message = data.file_name + script_marker + data.data_folder +
                       u" への一時ファイル生成に失敗しました";
        return {};
    } catch (const std::bad_alloc&) {
        return {};  // the output could not be handed over: as a failed pipe
    }
}

bool check_syntax(script_instance_data& data, const runner_settings& settings) {
    const std::string output = run_script(u"syntax_check", {}, data, true, settings);
    if (utility::to_upper(output).find("SYNTAX OK") == 0) return true;
    if (data.message.empty()) {
        data.message = data.file_name + script_marker +
                       u"スクリプトファイルのプラグインの文法チェックに失敗しました";
        data.usable = false;
    }
    return false;
}

}  // namespace vuro_plugin
