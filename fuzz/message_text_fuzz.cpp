// The texts a plug-in hands the message library, through the exported setters and
// getters: a run of random calls is checked against a model of what each must store.
// Every value respects its cap and ends at a NUL, comments come out as escaped HTML, the
// result codes are the documented ones, and no getter writes past the size it is given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/support/fuzz_check.h"
#include "plugin_message/vuro_plugin_message_run_palette.h"
#include "plugin_message/vuro_plugin_message_run_processing.h"

namespace {

using fuzz_support::require;
using message = vuro_plugin_message_run_processing;

constexpr unsigned short canary = 0xA5A5;

// What a call given these units and this length stores: at most `cap` units, up to a NUL.
std::u16string stored_form(const std::u16string& units, unsigned int length, unsigned int cap) {
    std::u16string value = units.substr(0, std::min<std::size_t>(length, cap));
    return value.substr(0, value.find(u'\0'));
}

// A getter pair (size, copy) checked on a buffer of random size: false and untouched
// when the buffer is too small, else exactly the value and nothing after it.
template <class Copy>
void check_copy_out(FuzzedDataProvider& input, const std::u16string& expected,
                    unsigned int reported_size, Copy copy) {
    require(reported_size == expected.size(), "the size getter gives the stored length");
    const auto size = input.ConsumeIntegralInRange<unsigned int>(0, reported_size + 2);
    std::vector<unsigned short> buffer(size, canary);  // exactly `size`: ASan sees overruns
    const bool copied = copy(buffer.empty() ? nullptr : buffer.data(), size);
    require(copied == (size >= expected.size()), "a copy fails exactly when the buffer is short");
    for (std::size_t i = 0; i < size; ++i) {
        const bool written = copied && i < expected.size();
        require(buffer[i] == (written ? expected[i] : canary), "a copy writes the value only");
    }
}

const unsigned short* units_of(const std::u16string& text) {
    return reinterpret_cast<const unsigned short*>(text.data());
}

// A call's text: random units, possibly repeated to pass the caps, and a length that
// never exceeds them (the caller's side of the contract); sometimes a null pointer.
struct call_text {
    std::u16string units;
    unsigned int length = 0;
    bool null = false;

    const unsigned short* pointer() const { return null ? nullptr : units_of(units); }
    std::u16string stored(unsigned int cap) const {
        return null ? std::u16string() : stored_form(units, length, cap);
    }
    bool refused_as_null(unsigned int cap) const { return null && std::min(length, cap) > 0; }
};

call_text consume_call_text(FuzzedDataProvider& input, std::size_t max_repeat) {
    call_text text;
    const std::u16string piece = fuzz_support::consume_utf16(input, 80);
    const auto times = input.ConsumeIntegralInRange<std::size_t>(1, max_repeat);
    for (std::size_t i = 0; i < times; ++i) text.units += piece;
    text.length = input.ConsumeIntegralInRange<unsigned int>(0, text.units.size());
    text.null = input.ConsumeIntegralInRange(0, 15) == 0;
    if (text.null) text.units.clear();
    return text;
}

// One stored text of the processing message with its setter, getters, cap and refusal.
struct text_slot {
    int (message::*set)(const unsigned short*, unsigned int);
    unsigned int (message::*size)() const;
    bool (message::*copy)(unsigned short*, unsigned int) const;
    unsigned int cap;
    bool refuses_longer;  // over the cap: code 5, nothing stored
};

const text_slot slots[] = {
    {&message::set_text, &message::get_size_text, &message::get_text, 1024, false},
    {&message::set_text_url, &message::get_size_text_url, &message::get_text_url, 512, true},
    {&message::set_text_url_description, &message::get_size_text_url_description,
     &message::get_text_url_description, 100, false},
    {&message::set_tooltip, &message::get_size_tooltip, &message::get_tooltip, 512, false},
};

struct model {
    std::u16string slot_values[4];
    std::u16string error_on, error_off;
    bool error = false;
    std::vector<std::u16string> hyoki;
    std::vector<std::u16string> alternatives;
    std::vector<int> alternative_types;
    std::size_t comments = 0;
};

void set_slot(FuzzedDataProvider& input, message& target, model& expected) {
    const std::size_t which = input.ConsumeIntegralInRange<std::size_t>(0, 3);
    const text_slot& slot = slots[which];
    const call_text text = consume_call_text(input, 20);
    const int code = (target.*slot.set)(text.pointer(), text.length);
    if (slot.refuses_longer && text.length > slot.cap) {
        require(code == 5, "a text over the limit is refused with 5");
    } else if (text.refused_as_null(slot.cap)) {
        require(code == 2, "a null text is refused with 2");
    } else {
        require(code == 0, "a text is stored");
        expected.slot_values[which] = text.stored(slot.cap);
    }
}

void set_error(FuzzedDataProvider& input, message& target, model& expected) {
    const call_text on = consume_call_text(input, 2);
    const call_text off = consume_call_text(input, 20);
    const int code = target.set_error(on.pointer(), on.length, off.pointer(), off.length);
    expected.error = true;
    if (on.refused_as_null(64) || off.refused_as_null(1024)) {
        require(code == 2, "a null error text is refused with 2");
    } else {
        require(code == 0, "error texts are stored");
        expected.error_on = on.stored(64);
        expected.error_off = off.stored(1024);
    }
}

// Each candidate list answers 4 when full, before looking at anything else.
int expected_add_code(std::size_t count, const call_text& text, unsigned int cap) {
    if (count >= 100) return 4;
    return text.refused_as_null(cap) ? 2 : 0;
}

void add_hyoki(FuzzedDataProvider& input, message& target, model& expected) {
    const call_text text = consume_call_text(input, 3);
    const int code = target.add_candidate_hyoki(text.pointer(), text.length);
    require(code == expected_add_code(expected.hyoki.size(), text, 100), "hyoki result code");
    if (code == 0) expected.hyoki.push_back(text.stored(100));
}

void add_alternative(FuzzedDataProvider& input, message& target, model& expected) {
    const call_text text = consume_call_text(input, 10);
    const int type = input.ConsumeIntegralInRange(-1, 2);
    const int code = target.add_candidate_alternative(text.pointer(), text.length, type);
    int wanted = 0;
    if (expected.alternatives.size() >= 100) {
        wanted = 4;
    } else if (type != 0 && type != 1) {
        wanted = 2;
    } else if (type == 1 && text.length > 512) {
        wanted = 5;
    } else {
        wanted = expected_add_code(expected.alternatives.size(), text, 512);
    }
    require(code == wanted, "alternative result code");
    if (code != 0) return;
    expected.alternatives.push_back(text.stored(512));
    expected.alternative_types.push_back(type);
}

// Escaped HTML: with the three tags the conversion writes taken out, no markup character
// and no line feed is left, and every ampersand starts one of the five entities.
void check_comment_fragment(std::u16string html) {
    for (const std::u16string tag : {u"<br />", u"<font color=\"#ff0000\">", u"</font>"}) {
        for (auto at = html.find(tag); at != std::u16string::npos; at = html.find(tag, at))
            html.erase(at, tag.size());
    }
    require(html.find_first_of(u"<>\"'\n") == std::u16string::npos,
            "a comment carries no unescaped markup");
    for (auto at = html.find(u'&'); at != std::u16string::npos; at = html.find(u'&', at + 1)) {
        bool entity = false;
        for (const std::u16string name : {u"&amp;", u"&lt;", u"&gt;", u"&apos;", u"&quot;"})
            entity = entity || html.compare(at, name.size(), name) == 0;
        require(entity, "every ampersand in a comment starts an entity");
    }
}

void add_comment(FuzzedDataProvider& input, message& target, model& expected) {
    const call_text text = consume_call_text(input, 20);
    const int code = target.add_candidate_comment(text.pointer(), text.length);
    require(code == expected_add_code(expected.comments, text, 1024), "comment result code");
    if (code != 0) return;
    const unsigned int index = static_cast<unsigned int>(expected.comments++);
    std::u16string html(target.get_size_candidate_comment(index), u'\0');
    require(target.get_candidate_comment(index, reinterpret_cast<unsigned short*>(&html[0]),
                                         static_cast<unsigned int>(html.size())),
            "a stored comment copies out");
    check_comment_fragment(html);
    const std::u16string plain = text.stored(1024);
    if (plain.find_first_of(u"&<>\"'\n\\\x1b") == std::u16string::npos)
        require(html == plain, "a comment without special characters is stored as given");
}

void check_everything(FuzzedDataProvider& input, const message& target, const model& expected) {
    for (std::size_t i = 0; i < 4; ++i) {
        const text_slot& slot = slots[i];
        check_copy_out(input, expected.slot_values[i], (target.*slot.size)(),
                       [&](unsigned short* buffer, unsigned int size) {
                           return (target.*slot.copy)(buffer, size);
                       });
    }
    check_copy_out(
        input, expected.error_on, target.get_size_error_notify_on(),
        [&](unsigned short* b, unsigned int s) { return target.get_error_notify_on(b, s); });
    check_copy_out(
        input, expected.error_off, target.get_size_error_notify_off(),
        [&](unsigned short* b, unsigned int s) { return target.get_error_notify_off(b, s); });
    require(target.get_count_candidate_hyoki() == expected.hyoki.size(), "hyoki count");
    for (unsigned int i = 0; i < expected.hyoki.size(); ++i)
        check_copy_out(
            input, expected.hyoki[i], target.get_size_candidate_hyoki(i),
            [&](unsigned short* b, unsigned int s) { return target.get_candidate_hyoki(i, b, s); });
    require(target.get_count_candidate_alternative() == expected.alternatives.size(),
            "alternative count");
    for (unsigned int i = 0; i < expected.alternatives.size(); ++i) {
        int type = -1;
        check_copy_out(input, expected.alternatives[i], target.get_size_candidate_alternative(i),
                       [&](unsigned short* b, unsigned int s) {
                           return target.get_candidate_alternative(i, b, s, type);
                       });
        require(type == -1 || type == expected.alternative_types[i], "alternative type");
    }
    require(target.get_count_candidate_comment() == expected.comments, "comment count");
    const unsigned int past = input.ConsumeIntegral<unsigned int>();
    if (past >= expected.hyoki.size())
        require(target.get_size_candidate_hyoki(past) == 0xFFFFFFFFu &&
                    !target.get_candidate_hyoki(past, nullptr, 0xFFFFFFFFu),
                "an index past the list reads nothing");
    const bool has_result = !expected.hyoki.empty() || expected.comments != 0 ||
                            !expected.alternatives.empty() || !expected.slot_values[0].empty() ||
                            !expected.slot_values[3].empty();
    require(target.get_return_type() == (expected.error ? 1 : has_result ? 0 : 2), "return type");
}

// Without a display nothing is posted (3), but the text is stored all the same.
void send_palette_text(FuzzedDataProvider& input, vuro_plugin_message_run_palette& palette,
                       std::u16string& expected) {
    const call_text text = consume_call_text(input, 200);
    const int code = palette.send_message(text.pointer(), text.length);
    if (text.length == 0) {
        require(code == 3, "an empty palette text is not sent");
    } else if (text.null) {
        require(code == 2, "a null palette text is refused with 2");
    } else {
        require(code == 3, "without a display nothing is posted");
        expected = text.stored(10240);
    }
    check_copy_out(
        input, expected, palette.get_size_send_message(),
        [&](unsigned short* b, unsigned int s) { return palette.get_send_message(b, s); });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    unsetenv("DISPLAY");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    message target;
    model expected;
    vuro_plugin_message_run_palette palette(0, 0);
    std::u16string palette_text;
    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 6)) {
            case 0: set_slot(input, target, expected); break;
            case 1: set_error(input, target, expected); break;
            case 2: add_hyoki(input, target, expected); break;
            case 3: add_alternative(input, target, expected); break;
            case 4: add_comment(input, target, expected); break;
            case 5: send_palette_text(input, palette, palette_text); break;
            default: check_everything(input, target, expected); break;
        }
    }
    check_everything(input, target, expected);
    return 0;
}
