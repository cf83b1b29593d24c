#include "engine/run_script.h"

#include <new>
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

// Runs the interpreter and records the outcome in data.last_call; a completed run's
// outputs are stored as well, and its standard output copied to `returned` when given.
// Copies are made before anything is stored, so running out of memory stores nothing.
void run_interpreter(const std::vector<std::u16string>& command_line, script_instance_data& data,
                     bool limit_time, const runner_settings& settings, std::string* returned) {
    call_record& call = data.last_call;
    std::string out;
    std::string err;
    capture_cut cut;
    const std::int64_t start = steady_clock_ms();
    call.result = command_result::pipe_failure;  // stays so when the runner throws
    const command_result result =
        execute_command(command_line, data.data_folder, out, err, limit_time, settings, &cut);
    call.elapsed_ms = steady_clock_ms() - start;
    call.result = result;
    if (result == command_result::start_failure) {
        data.message =
            data.file_name + script_marker + data.interpreter + u"コマンドが実行できませんでした";
        return;
    }
    std::string output = up_to_first_zero(std::move(out));
    std::string error = up_to_first_zero(std::move(err));
    if (result == command_result::completed) {
        std::string stored_output = output;
        std::string stored_error = error;
        if (returned != nullptr) *returned = output;
        data.standard_output = std::move(stored_output);
        data.standard_error = std::move(stored_error);
        data.standard_output_cut = cut.output;
        data.standard_error_cut = cut.error;
    }
    call.output = std::move(output);
    call.error = std::move(error);
    call.cut = cut;
}

}  // namespace

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

std::u16string capture_cut_notice() {
    const std::string mebibytes = std::to_string(platform::child_process::capture_limit >> 20);
    return u"（出力が " + std::u16string(mebibytes.begin(), mebibytes.end()) +
           u" MiB を超えたため、それ以降は破棄しました）";
}

namespace {

// Holds a bridge file's name from its draw until after the file is deleted.
class held_name {
public:
    held_name(std::u16string folder, std::u16string name)
        : folder_(std::move(folder)), name_(std::move(name)) {}
    ~held_name() { release_temporary_file_name(folder_, name_); }
    held_name(const held_name&) = delete;
    held_name& operator=(const held_name&) = delete;

private:
    std::u16string folder_;
    std::u16string name_;
};

bool run_call(const std::u16string& method, const std::vector<std::u16string>& arguments,
              script_instance_data& data, bool limit_time, const runner_settings& settings,
              std::string* returned) {
    data.last_call = call_record{};
    call_record& call = data.last_call;
    call.method = method;
    call.result = command_result::start_failure;
    if (!file_exists(data.script_path)) {
        call.script_missing = true;
        return false;
    }
    const std::u16string name = create_temporary_file_name(data.data_folder, data.extension);
    if (name.empty()) {
        call.bridge_file_failure = true;
        return false;
    }
    const held_name hold(data.data_folder, name);
    const std::vector<std::u16string> command_line =
        build_command_line(data, name, method, arguments);

    try {
        const script_file_access bridge(data.data_folder, name, data.bridge_template);
        run_interpreter(command_line, data, limit_time, settings, returned);
    } catch (const bridge_file_failure&) {
        call.bridge_file_failure = true;
        data.message = data.file_name + script_marker + data.data_folder +
                       u" への一時ファイル生成に失敗しました";
    } catch (const std::bad_alloc&) {
        call.result = command_result::pipe_failure;  // the output could not be handed over
    }
    return call.result == command_result::completed && !call.bridge_file_failure;
}

}  // namespace

bool run_script_call(const std::u16string& method, const std::vector<std::u16string>& arguments,
                     script_instance_data& data, bool limit_time, const runner_settings& settings) {
    return run_call(method, arguments, data, limit_time, settings, nullptr);
}

std::string run_script(const std::u16string& method, const std::vector<std::u16string>& arguments,
                       script_instance_data& data, bool limit_time,
                       const runner_settings& settings) {
    std::string output;
    if (!run_call(method, arguments, data, limit_time, settings, &output)) output.clear();
    return output;
}

bool check_syntax(script_instance_data& data, const runner_settings& settings) {
    const std::string output = run_script(u"syntax_check", {}, data, true, settings);
    if (utility::to_upper(output).find("SYNTAX OK") == 0) return true;
    // Stopped by the user, the check said nothing about the plug-in.
    if (data.last_call.result == command_result::cancelled) return false;
    if (data.message.empty()) {
        data.message = data.file_name + script_marker +
                       u"スクリプトファイルのプラグインの文法チェックに失敗しました";
        data.usable = false;
    }
    return false;
}

}  // namespace vuro_plugin
