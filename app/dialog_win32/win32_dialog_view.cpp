#include "app/dialog_win32/win32_dialog_view.h"

#include <commctrl.h>

#include <utility>

#include "platform/executable_path.h"

namespace vuro_plugin {
namespace {

int index_of(output_box box) { return box == output_box::standard_output ? 0 : 1; }

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// An edit control breaks lines at CR LF only; interpreters end them with LF, and a lone
// CR would show as nothing: each becomes CR LF on screen.
std::u16string edit_control_text(const std::u16string& text) {
    std::u16string shown;
    shown.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            shown += u"\r\n";
            ++i;
        } else if (unit == u'\r' || unit == u'\n') {
            shown += u"\r\n";
        } else {
            shown += unit;
        }
    }
    return shown;
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

}  // namespace

void show_message_box(HWND owner, const std::u16string& text) {
    const std::u16string caption = executable_base_name();
    ::MessageBoxW(owner, wide(text), wide(caption), MB_OK | MB_ICONEXCLAMATION);
}

win32_dialog_view::win32_dialog_view(HWND dialog, UINT wake_message)
    : dialog_(dialog),
      dialog_thread_(::GetWindowThreadProcessId(dialog, nullptr)),
      wake_message_(wake_message) {}

void win32_dialog_view::on_dialog(std::function<void()> action) {
    if (on_dialog_thread()) {
        action();
        return;
    }
    bool first;
    {
        const std::lock_guard<std::mutex> lock(posted_mutex_);
        first = posted_.empty();
        posted_.push_back(std::move(action));
    }
    // One wake-up serves every change queued before it is answered.
    if (first) ::PostMessageW(dialog_, wake_message_, 0, 0);
}

void win32_dialog_view::run_posted_actions() {
    for (;;) {
        std::function<void()> action;
        {
            const std::lock_guard<std::mutex> lock(posted_mutex_);
            if (posted_.empty()) return;
            action = std::move(posted_.front());
            posted_.pop_front();
        }
        action();  // a message box runs a message loop, which may come back here
    }
}

void win32_dialog_view::drop_posted_actions() {
    const std::lock_guard<std::mutex> lock(posted_mutex_);
    posted_.clear();
}

void win32_dialog_view::prepare_worker_run() {
    worker_.lookup = lookup_text();
    worker_.selection = selected_plugin_item();
    worker_.texts[0] = texts_[0];
    worker_.texts[1] = texts_[1];
}

std::u16string win32_dialog_view::lookup_text() const {
    return on_dialog_thread() ? window_text(control(id_lookup_text)) : worker_.lookup;
}

std::u16string win32_dialog_view::output_text(output_box box) const {
    return on_dialog_thread() ? texts_[index_of(box)] : worker_.texts[index_of(box)];
}

void win32_dialog_view::set_output_text(output_box box, std::u16string text) {
    if (!on_dialog_thread()) worker_.texts[index_of(box)] = text;
    on_dialog([this, box, text = std::move(text)]() mutable {
        const std::u16string shown = edit_control_text(text);
        ::SetWindowTextW(control(box == output_box::standard_output ? id_standard_output
                                                                    : id_standard_error),
                         wide(shown));
        texts_[index_of(box)] = std::move(text);
    });
}

void win32_dialog_view::enable_refresh(bool enabled) {
    on_dialog([this, enabled] { ::EnableWindow(control(id_refresh), enabled); });
}

void win32_dialog_view::enable_run(bool enabled) {
    on_dialog([this, enabled] { ::EnableWindow(control(id_run), enabled); });
}

void win32_dialog_view::set_progress(int percent) {
    on_dialog([this, percent] { ::SendMessageW(control(id_progress), PBM_SETPOS, percent, 0); });
}

void win32_dialog_view::clear_plugin_items() {
    on_dialog([this] { ::SendMessageW(control(id_plugin_list), CB_RESETCONTENT, 0, 0); });
}

void win32_dialog_view::add_plugin_item(const std::u16string& name) {
    on_dialog([this, name] {
        ::SendMessageW(control(id_plugin_list), CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(wide(name)));
    });
}

void win32_dialog_view::select_plugin_item(int index) {
    on_dialog([this, index] { ::SendMessageW(control(id_plugin_list), CB_SETCURSEL, index, 0); });
}

int win32_dialog_view::selected_plugin_item() const {
    if (!on_dialog_thread()) return worker_.selection;
    return static_cast<int>(::SendMessageW(control(id_plugin_list), CB_GETCURSEL, 0, 0));
}

// The text measured in the list's own font, plus the font's average character width.
int win32_dialog_view::plugin_item_width(const std::u16string& name) const {
    const HWND list = control(id_plugin_list);
    const HDC context = ::GetDC(list);
    if (context == nullptr) return 0;
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = ::SelectObject(context, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(context, &metrics);
    SIZE size{};
    ::GetTextExtentPoint32W(context, wide(name), static_cast<int>(name.size()), &size);
    ::SelectObject(context, previous);
    ::ReleaseDC(list, context);
    return size.cx + metrics.tmAveCharWidth;
}

int win32_dialog_view::drop_down_frame_width() const {
    return 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL);
}

int win32_dialog_view::drop_down_width() const {
    return static_cast<int>(::SendMessageW(control(id_plugin_list), CB_GETDROPPEDWIDTH, 0, 0));
}

void win32_dialog_view::set_drop_down_width(int width) {
    ::SendMessageW(control(id_plugin_list), CB_SETDROPPEDWIDTH, width, 0);
}

std::int64_t win32_dialog_view::window_handle() const {
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(dialog_));
}

void win32_dialog_view::repaint() {
    on_dialog([this] {
        ::RedrawWindow(dialog_, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
}

void win32_dialog_view::show_message(const std::u16string& text) {
    on_dialog([this, text] { show_message_box(dialog_, text); });
}

}  // namespace vuro_plugin
