#include "app/dialog_win32/win32_dialog_view.h"

#include <commctrl.h>

#include <algorithm>

#include "app/debugger_texts.h"
#include "platform/executable_path.h"

namespace vuro_plugin {
namespace {

// Text given to a box in one piece, and how long one turn may spend on the boxes.
constexpr std::size_t slice_units = 8 * 1024;
constexpr DWORD turn_budget_ms = 20;
constexpr UINT feed_interval_ms = 15;

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

std::u16string window_text(HWND window) {
    std::u16string text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, u'\0');
    const int length = ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()),
                                        static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

// The executable's file name without its folder and extension.
std::u16string executable_base_name() {
    std::u16string name = platform::executable_path();
    name.erase(0, name.find_last_of(u"\\/") + 1);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0) name.erase(dot);
    return name;
}

// The window whose next message box is to be centred on it, for the hook below.
thread_local HWND centring_owner = nullptr;

// Places `box` over the middle of `owner`, inside the work area of the owner's monitor.
void centre_on(HWND box, HWND owner) {
    RECT outer, inner;
    ::GetWindowRect(owner, &outer);
    ::GetWindowRect(box, &inner);
    const int width = inner.right - inner.left;
    const int height = inner.bottom - inner.top;
    int x = (outer.left + outer.right - width) / 2;
    int y = (outer.top + outer.bottom - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        x = std::clamp<int>(x, work.left, std::max<int>(work.left, work.right - width));
        y = std::clamp<int>(y, work.top, std::max<int>(work.top, work.bottom - height));
    }
    ::SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The system centres a message box on the screen; this one goes over its dialog.
LRESULT CALLBACK centre_message_box(int code, WPARAM wparam, LPARAM lparam) {
    const auto window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && centring_owner != nullptr &&
        ::GetWindow(window, GW_OWNER) == centring_owner) {
        centre_on(window, centring_owner);
        centring_owner = nullptr;
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

void show_message_box(HWND owner, const std::u16string& text) {
    const std::u16string caption = executable_base_name();
    centring_owner = owner;
    const HHOOK hook = owner == nullptr ? nullptr
                                        : ::SetWindowsHookExW(WH_CBT, centre_message_box, nullptr,
                                                              ::GetCurrentThreadId());
    ::MessageBoxW(owner, wide(text), wide(caption), MB_OK | MB_ICONEXCLAMATION);
    if (hook != nullptr) ::UnhookWindowsHookEx(hook);
    centring_owner = nullptr;
}

run_request win32_dialog_view::request() const {
    return {window_text(control(id_lookup_text)),
            static_cast<int>(::SendMessageW(control(id_plugin_list), CB_GETCURSEL, 0, 0)),
            static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(dialog_))};
}

void win32_dialog_view::clear_boxes() {
    feed_.clear();
    ::KillTimer(dialog_, feed_timer);
    for (const control_id box : {id_standard_output, id_standard_error})
        ::SetWindowTextW(control(box), L"");
}

void win32_dialog_view::append_to_box(output_box box, const box_piece& piece) {
    feed_.add(box, piece);
    feed();
}

// Box text already ends every line with CR LF, as an edit control needs; each slice goes
// in at the end, where the caret is put first.
void win32_dialog_view::feed() {
    const DWORD start = ::GetTickCount();
    while (feed_.pending() && ::GetTickCount() - start < turn_budget_ms) {
        for (const output_box box : {output_box::standard_output, output_box::standard_error}) {
            const std::u16string_view slice = feed_.next_slice(box, slice_units);
            if (slice.empty()) continue;
            const HWND edit = control(box == output_box::standard_output ? id_standard_output
                                                                         : id_standard_error);
            const std::u16string text(slice);
            const auto length = static_cast<WPARAM>(::GetWindowTextLengthW(edit));
            ::SendMessageW(edit, EM_SETSEL, length, static_cast<LPARAM>(length));
            ::SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide(text)));
        }
    }
    // A timer's message comes only when the queue holds nothing else: input and painting
    // go first. Not at once, so that the window's other timers get their turn too.
    if (feed_.pending()) {
        ::SetTimer(dialog_, feed_timer, feed_interval_ms, nullptr);
    } else {
        ::KillTimer(dialog_, feed_timer);
    }
}

void win32_dialog_view::enable_refresh(bool enabled) {
    ::EnableWindow(control(id_refresh), enabled);
}

void win32_dialog_view::enable_run(bool enabled) { ::EnableWindow(control(id_run), enabled); }

void win32_dialog_view::set_progress(int percent) {
    ::SendMessageW(control(id_progress), PBM_SETPOS, percent, 0);
}

void win32_dialog_view::show_run_going(bool going) {
    std::u16string title = texts::dialog_title;
    if (going) title += texts::run_going_title_suffix;
    ::SetWindowTextW(dialog_, wide(title));
}

// Each item needs its text, measured in the list's own font, plus the font's average
// character width; the edges and the scroll bar surround them.
void win32_dialog_view::show_plugin_list(const std::vector<std::u16string>& names) {
    const HWND list = control(id_plugin_list);
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& name : names)
        ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(name)));
    if (names.empty()) return;
    ::SendMessageW(list, CB_SETCURSEL, 0, 0);
    const HDC context = ::GetDC(list);
    if (context == nullptr) return;
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = ::SelectObject(context, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(context, &metrics);
    std::vector<int> widths;
    for (const std::u16string& name : names) {
        SIZE size{};
        ::GetTextExtentPoint32W(context, wide(name), static_cast<int>(name.size()), &size);
        widths.push_back(size.cx + metrics.tmAveCharWidth);
    }
    ::SelectObject(context, previous);
    ::ReleaseDC(list, context);
    const int frame = 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL);
    const int current = static_cast<int>(::SendMessageW(list, CB_GETDROPPEDWIDTH, 0, 0));
    const int needed = drop_down_width_for(current, widths, frame);
    if (needed > current) ::SendMessageW(list, CB_SETDROPPEDWIDTH, needed, 0);
}

void win32_dialog_view::repaint() {
    ::RedrawWindow(dialog_, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void win32_dialog_view::show_message(const std::u16string& text) {
    show_message_box(dialog_, text);
}

}  // namespace vuro_plugin
