#pragma once
// The interface through which a host drives a plug-in, whatever language it is written
// in. Hosts hold instances, and the messages they make, through boost::shared_ptr and
// test concrete classes with dynamic_cast. The order of the virtual operations is part
// of the interface (the slot numbers below): never reorder, insert or remove one. The two
// set_plugin_request_data overloads stay adjacent; compilers of the Itanium C++ ABI (GCC,
// Clang, MinGW) lay them out in declaration order.
//
// Every operation runs on the caller's thread; a plug-in call blocks it for the length
// of the plug-in's run. Failures the user should see are kept as a text (get_message);
// misuse raises std::runtime_error with a fixed English text.
#include <boost/shared_ptr.hpp>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "engine/plugin_request.h"
#include "plugin_message/abstract_vuro_plugin_message.h"
#include "plugin_message/vuro_plugin_message_quit_flag.h"

namespace vuro_plugin {

using message_handle = boost::shared_ptr<abstract_vuro_plugin_message>;

// What get_plugin_receive_data gives back.
struct plugin_receive_data {
    std::string xml;          // the viewer document (UTF-8), filled when status is 0
    std::string reserved;     // left empty by script plug-ins
    std::int32_t status = 2;  // receive_data_filled or receive_data_empty
};

enum : std::int32_t {
    receive_data_filled = 0,  // at least one candidate; `xml` holds them
    receive_data_empty = 2,   // no candidate; `xml` is empty
};

class abstract_vuro_plugin_instance {
public:
    virtual ~abstract_vuro_plugin_instance() = default;  // slot 0

    virtual bool is_usable() const = 0;              // 1
    virtual std::u16string get_message() const = 0;  // 2: last failure text, empty if none

    // 3: looks up candidates for `request` and appends them to `message`, which must come
    // from this instance's create_plugin_message. The quit flag is accepted for hosts
    // that have one; a script plug-in is ended only by its time limit.
    virtual void run_processing(message_handle message, const processing_request& request,
                                vuro_plugin_message_quit_flag& quit_flag) = 0;
    // 4: tells the plug-in which candidate was committed. `message` and `quit_flag`
    // (which may be null) are not used by script plug-ins. Never throws for a failed run.
    virtual void run_callback(message_handle message, const callback_request& request,
                              vuro_plugin_message_quit_flag* quit_flag) = 0;
    virtual bool prepare_processing() = 0;   // 5: before create_plugin_message
    virtual void complete_processing() = 0;  // 6: after run_processing

    virtual std::u16string get_plugin_name() const = 0;         // 7
    virtual std::u16string get_plugin_name_short() const = 0;   // 8: at most 16 units
    virtual std::u16string get_plugin_description() const = 0;  // 9
    virtual std::u16string get_plugin_copyright() const = 0;    // 10
    virtual std::u16string get_language_name() const = 0;       // 11
    virtual std::int32_t get_major_version() const = 0;         // 12
    virtual std::int32_t get_minor_version() const = 0;         // 13
    virtual bool query_flag_one() const = 0;                    // 14
    virtual bool query_flag_two() const = 0;                    // 15
    virtual bool has_callback() const = 0;                      // 16
    // 17: a fresh set on every call.
    virtual std::set<std::u16string> get_function_names() const = 0;
    virtual bool has_preference() const = 0;    // 18
    virtual bool query_flag_three() const = 0;  // 19
    virtual bool query_flag_four() const = 0;   // 20

    // 21: lets the plug-in show or save its settings; false when that failed. The host
    // passes its window (as an integer) and 0; script plug-ins use neither.
    virtual bool run_preference(std::int64_t parent_window, std::int32_t reserved) = 0;
    // 22: a new, empty result message on every call (arguments as for 21).
    virtual message_handle create_plugin_message(std::int64_t parent_window,
                                                 std::int32_t reserved) = 0;
    // 23: the candidates of `message` as the viewer document. Note the order: the
    // generation comes before the plug-in index.
    virtual plugin_receive_data get_plugin_receive_data(message_handle message,
                                                        std::int32_t generation_id,
                                                        std::int32_t plugin_index) = 0;

    // Palette operations (24 to 27).
    virtual void set_plugin_request_data(message_handle message) = 0;              // 24
    virtual void set_plugin_request_data(const void* data, std::size_t size) = 0;  // 25
    virtual void set_plugin_message(message_handle message) = 0;                   // 26
    virtual void set_quit_request_for_palette(bool quit) = 0;                      // 27
};

using instance_handle = boost::shared_ptr<abstract_vuro_plugin_instance>;

}  // namespace vuro_plugin
