#include "app/box_feed.h"

#include <algorithm>

#include "app/box_text.h"
#include "app/debugger_texts.h"

namespace vuro_plugin {
namespace {

bool is_high_surrogate(char16_t unit) { return unit >= 0xd800 && unit <= 0xdbff; }

int index_of(output_box box) { return box == output_box::standard_output ? 0 : 1; }

}  // namespace

std::u16string box_limit_notice(std::size_t limit) {
    const std::string number = std::to_string(limit);
    return texts::box_display_limited_before + std::u16string(number.begin(), number.end()) +
           texts::box_display_limited_after;
}

void box_feed::clear() {
    for (box_state& box : boxes_) box = box_state{};
}

bool box_feed::pending() const { return !boxes_[0].waiting.empty() || !boxes_[1].waiting.empty(); }

void box_feed::add(output_box box, const box_piece& piece) {
    if (!piece.shown || piece.shown->empty()) return;
    boxes_[index_of(box)].waiting.push_back({piece.shown, piece.what == box_piece::kind::output});
}

std::u16string_view box_feed::next_slice(output_box which, std::size_t units) {
    box_state& box = boxes_[index_of(which)];
    while (!box.waiting.empty()) {
        const piece& first = box.waiting.front();
        std::size_t available = first.text->size() - box.offset;
        if (first.output) {
            if (box.limited) {
                box.waiting.pop_front();
                box.offset = 0;
                continue;
            }
            const std::size_t room = limit_ - box.output_shown;
            if (room == 0) {
                // From here on the output is left out, this piece's rest first; the notice
                // takes its place.
                box.limited = true;
                box.waiting.pop_front();
                box.offset = 0;
                box.waiting.push_front({std::make_shared<const std::u16string>(
                                            (box.ends_line ? u"" : u"\r\n") +
                                            box_text_of_notice(box_limit_notice(limit_))),
                                        false});
                continue;
            }
            available = std::min(available, room);
        }
        std::size_t length = std::min(available, units);
        const std::u16string& text = *first.text;
        if (length > 1 && is_high_surrogate(text[box.offset + length - 1])) --length;
        const std::u16string_view slice(text.data() + box.offset, length);
        if (first.output) box.output_shown += length;
        box.ends_line = slice.back() == u'\n';
        box.offset += length;
        // The slice stays valid: a piece leaves the queue only in a later call.
        if (box.offset == text.size()) {
            retired_ = first.text;
            box.waiting.pop_front();
            box.offset = 0;
        }
        return slice;
    }
    return {};
}

}  // namespace vuro_plugin
