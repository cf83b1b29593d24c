#pragma once
// What the debugger's controller asks of a window: it decides every state, a view only
// draws it. The dialog, the command-line front end and the tests implement it.
#include <cstdint>
#include <string>
#include <string_view>

namespace vuro_plugin {

enum class output_box { standard_output, standard_error };

class debugger_view {
public:
    virtual ~debugger_view() = default;

    // The "表記" box: the text to look up.
    virtual std::u16string lookup_text() const = 0;

    virtual std::u16string output_text(output_box box) const = 0;
    virtual void set_output_text(output_box box, std::u16string text) = 0;
    // Told after `bytes` (as the interpreter wrote them) were appended to `box`; views
    // that show the raw output rather than the box text use it.
    virtual void output_appended(output_box /*box*/, std::string_view /*bytes*/) {}
    // Told after `notice` was appended to `box` because the output above it was cut at
    // the capture limit.
    virtual void output_cut(output_box /*box*/, const std::u16string& /*notice*/) {}
    // Told after the debugger appended a notice of its own (not the plug-in's) to `box`.
    virtual void output_notice(output_box /*box*/, const std::u16string& /*notice*/) {}

    virtual void enable_refresh(bool enabled) = 0;
    virtual void enable_run(bool enabled) = 0;
    virtual void set_progress(int percent) = 0;  // 0 to 100

    // The plug-in list; item i is plug-in i.
    virtual void clear_plugin_items() = 0;
    virtual void add_plugin_item(const std::u16string& name) = 0;
    virtual void select_plugin_item(int index) = 0;
    virtual int selected_plugin_item() const = 0;  // -1 when none

    // Widening the list's drop-down part: the width an item needs (its text plus an
    // average character), the frame and scroll bar around the items, and the current
    // drop-down width, all in the view's own units.
    virtual int plugin_item_width(const std::u16string& name) const = 0;
    virtual int drop_down_frame_width() const = 0;
    virtual int drop_down_width() const = 0;
    virtual void set_drop_down_width(int width) = 0;

    // The window's native handle, handed to the plug-in instance's message factory.
    virtual std::int64_t window_handle() const { return 0; }
    // Draws the window at once, before the run blocks.
    virtual void repaint() = 0;
    // A message with only an OK button; returns when the user has dismissed it.
    virtual void show_message(const std::u16string& text) = 0;
};

}  // namespace vuro_plugin
