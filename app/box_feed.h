#pragma once
// The text waiting to go into the two output boxes of a dialog, handed out a slice at a
// time so that the window can answer between slices. A box shows at most
// box_display_limit units of the plug-in's output: past it, the rest of the output is
// left out and a notice says so (the debugger's own notices are always shown). A text box
// needs noticeably longer for each doubling of its contents, so that a larger one would
// hold the window up however it is fed.
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "app/debugger_view.h"

namespace vuro_plugin {

inline constexpr std::size_t box_display_limit = 2'000'000;  // UTF-16 units of box text

// The notice line that takes the place of the output past `limit` units.
std::u16string box_limit_notice(std::size_t limit);

class box_feed {
public:
    explicit box_feed(std::size_t limit = box_display_limit) : limit_(limit) {}

    void clear();
    void add(output_box box, const box_piece& piece);
    bool pending() const;
    // The next slice for the end of `box` (at most `units` long, never splitting a
    // surrogate pair); empty when nothing waits. Valid until the next call.
    std::u16string_view next_slice(output_box box, std::size_t units);

private:
    struct piece {
        std::shared_ptr<const std::u16string> text;
        bool output;  // the plug-in's, and so counted against the limit
    };
    struct box_state {
        std::deque<piece> waiting;
        std::size_t offset = 0;        // how much of the first waiting piece is out
        std::size_t output_shown = 0;  // units of output handed out
        bool limited = false;          // the limit was reached: the rest of the output goes
        bool ends_line = true;         // the last unit handed out ended a line
    };

    std::size_t limit_;
    box_state boxes_[2];
    std::shared_ptr<const std::u16string> retired_;  // keeps the last slice handed out valid
};

}  // namespace vuro_plugin
