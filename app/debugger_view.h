#pragma once
// What the debugger's controller asks of a window: it decides every state and writes
// every box text, a view only draws them. A view is called on one thread only. The
// dialogs, the command-line front end and the tests implement it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vuro_plugin {

enum class output_box { standard_output, standard_error };

// One piece the controller adds to the end of a box.
struct box_piece {
    enum class kind {
        output,      // what the interpreter wrote
        cut_notice,  // the output above was cut at the capture limit
        notice,      // the debugger's own line: why the run ended as it did
    };
    kind what = kind::output;
    std::string_view bytes;      // output: the bytes as captured (UTF-8, no zero byte)
    std::u16string_view notice;  // the notices: their line, without a line end
    // What the box gains: UTF-16 with every line end CR LF, closed by CR LF; null when the
    // view said it needs no box text. Shared, so that an output of tens of megabytes is
    // made once, on the controller's thread, and never copied on the way to the box.
    std::shared_ptr<const std::u16string> shown;
};

class debugger_view {
public:
    virtual ~debugger_view() = default;

    // False for a view that shows the bytes as captured rather than box texts: the
    // controller then makes none.
    virtual bool wants_box_text() const { return true; }
    virtual void clear_boxes() = 0;
    virtual void append_to_box(output_box box, const box_piece& piece) = 0;

    virtual void enable_refresh(bool enabled) = 0;
    virtual void enable_run(bool enabled) = 0;
    virtual void set_progress(int percent) = 0;  // 0 to 100
    // While a run goes the title says how to stop it.
    virtual void show_run_going(bool /*going*/) {}

    // The plug-in list (item i is plug-in i) with its first item selected; the drop-down
    // part as wide as the longest name needs (drop_down_width_for).
    virtual void show_plugin_list(const std::vector<std::u16string>& names) = 0;

    // Draws the window at once.
    virtual void repaint() = 0;
    // A message with only an OK button; returns when the user has dismissed it.
    virtual void show_message(const std::u16string& text) = 0;
};

// The drop-down's width that shows every item whole: the widest item plus the frame
// around the items, never narrower than it is now. All in the view's own units.
int drop_down_width_for(int current, const std::vector<int>& item_widths, int frame_width);

}  // namespace vuro_plugin
