#pragma once
// A plug-in written in Perl, Ruby or Python. Every call runs the language's interpreter
// on the stored bridge in a child process (run_script.h); the script is never loaded into
// this process.
//
// Construction never runs the plug-in: it checks the file name's extension (without
// regard to case) and that the file exists, and reads the preference document beside it
// (same name, ".xml"). A file of another language gives an unusable instance without a
// message; a missing file one with the message
// "<file name> : [SCRIPT] ファイルが見つかりませんでした". A missing or broken preference
// document is no failure: the plug-in is named after its file and has no callback and no
// preference command.
#include <memory>
#include <string>

#include "engine/abstract_vuro_plugin_instance.h"
#include "engine/call_record.h"
#include "engine/execute_command.h"
#include "engine/script_instance_data.h"

namespace vuro_plugin {

class vuro_plugin_instance_script : public abstract_vuro_plugin_instance {
public:
    // `plugin_folder` ends with a path separator. The language's values come from
    // script_languages(). `settings` holds the time limit of limited runs (60 s unless a
    // test shortens it) and the cancel token that stops any run of this instance. Throws
    // the data folder's errors (utility::data_folder_missing,
    // "utility::get_vuro_direct_data_folder() call error1", and "... call error2").
    vuro_plugin_instance_script(const std::u16string& plugin_folder,
                                const std::u16string& file_name, const std::u16string& interpreter,
                                const std::u16string& extension,
                                const std::u16string& language_name,
                                const std::string& stored_bridge,
                                const runner_settings& settings = {});
    ~vuro_plugin_instance_script() override;
    vuro_plugin_instance_script(const vuro_plugin_instance_script&) = delete;
    vuro_plugin_instance_script& operator=(const vuro_plugin_instance_script&) = delete;

    // Runs the bridge's syntax check under the time limit (see run_script.h): true when
    // the interpreter answered "syntax ok". A failure without an earlier message sets
    // one and makes the instance unusable; a cancelled check does neither.
    bool check_syntax();
    // Standard output and error of the last interpreter run that completed (UTF-8 bytes as
    // the interpreter wrote them, up to the first 0 byte). A time-out or failed start keeps
    // the earlier ones.
    std::string get_standard_output() const;
    std::string get_standard_error() const;
    // Whether that run printed more than the capture limit, so that the output above ends
    // where the capture was cut (capture_cut_notice() in run_script.h says so).
    bool standard_output_cut() const;
    bool standard_error_cut() const;
    // The last interpreter run (syntax check, processing, callback or preference),
    // whatever its outcome: a time-out or cancel keeps what the child wrote before it was
    // ended here, and leaves the stored outputs above as they were.
    const call_record& last_call() const;

    bool is_usable() const override;
    std::u16string get_message() const override;

    // Throws "vuro_plugin_instance_script::run_processing() : fault1." for an empty message
    // and "... : fault2." for one that is not a message_script; the errors of the preference
    // folder and of text conversion pass through, and so does the document size limit
    // (xml_access_library::document_too_large, "xml_access_utility_impl::impl() : failed").
    // A run that fails, times out, is cancelled or prints no candidate document adds
    // nothing.
    void run_processing(message_handle message, const processing_request& request,
                        vuro_plugin_message_quit_flag& quit_flag) override;
    // Runs only when the preference document enables the callback; without time limit.
    void run_callback(message_handle message, const callback_request& request,
                      vuro_plugin_message_quit_flag* quit_flag) override;
    bool prepare_processing() override;
    void complete_processing() override;

    std::u16string get_plugin_name() const override;
    // The short name, else the name, cut to 15 units and "…" when longer than 16.
    std::u16string get_plugin_name_short() const override;
    std::u16string get_plugin_description() const override;
    std::u16string get_plugin_copyright() const override;
    std::u16string get_language_name() const override;
    std::int32_t get_major_version() const override;
    std::int32_t get_minor_version() const override;
    bool query_flag_one() const override;  // false
    bool query_flag_two() const override;  // true
    bool has_callback() const override;
    std::set<std::u16string> get_function_names() const override;  // {"候補取得"}
    bool has_preference() const override;
    bool query_flag_three() const override;  // true
    bool query_flag_four() const override;   // false

    // Runs only when the preference document enables it (true otherwise), without time
    // limit. False when an error was raised on the way (the preference folder could not
    // be made, say); a run that failed to start is reported through get_message only.
    bool run_preference(std::int64_t parent_window, std::int32_t reserved) override;
    message_handle create_plugin_message(std::int64_t parent_window,
                                         std::int32_t reserved) override;
    // Status 0 and the document when the message holds candidates, else status 2. Throws
    // "vuro_plugin_instance_script::get_plugin_receive_data() : fault1." / "... : fault2."
    // as run_processing does.
    plugin_receive_data get_plugin_receive_data(message_handle message, std::int32_t generation_id,
                                                std::int32_t plugin_index) override;

    // The palette is not supported: 24, 25 and 27 throw
    // "vuro_plugin_instance_script::set_plugin_request_data() : fault." and
    // "vuro_plugin_instance_script::set_quit_request_for_palette() : fault."; 26 only
    // lets go of the message.
    void set_plugin_request_data(message_handle message) override;
    void set_plugin_request_data(const void* data, std::size_t size) override;
    void set_plugin_message(message_handle message) override;
    void set_quit_request_for_palette(bool quit) override;

private:
    std::unique_ptr<script_instance_data> data_;
    runner_settings settings_;
};

}  // namespace vuro_plugin
