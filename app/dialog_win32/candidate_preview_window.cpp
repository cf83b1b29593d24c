#include "app/dialog_win32/candidate_preview_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "app/dialog_win32/resource.h"

namespace vuro_plugin {
namespace {

// Posted to the dialog by the key hook: Ctrl+P was pressed in it.
constexpr UINT open_message = WM_APP + 0x50;

// The previews of this thread's dialogs, for the key hook.
thread_local std::vector<win32_candidate_preview*> previews_here;

const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// An edit control breaks lines at CR LF only.
std::u16string with_crlf(const std::u16string& text) {
    std::u16string result;
    result.reserve(text.size() + text.size() / 16);
    for (const char16_t c : text) {
        if (c == u'\n') result += u'\r';
        result += c;
    }
    return result;
}

RECT dialog_pixels(HWND dialog, const dialog_rect& rect) {
    RECT pixels{rect.x, rect.y, rect.width, rect.height};
    ::MapDialogRect(dialog, &pixels);
    return pixels;  // left, top, width, height
}

}  // namespace

win32_candidate_preview::win32_candidate_preview(HWND dialog)
    : dialog_(dialog),
      hook_(::SetWindowsHookExW(WH_GETMESSAGE, key_hook, nullptr, ::GetCurrentThreadId())) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    const RECT place = dialog_pixels(dialog, preview_link_rect);
    link_ = ::CreateWindowExW(0, WC_LINK, L"", WS_CHILD | WS_TABSTOP, place.left, place.top,
                              place.right, place.bottom, dialog,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PREVIEW_LINK)),
                              ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(link_, WM_SETFONT, ::SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    previews_here.push_back(this);
}

win32_candidate_preview::~win32_candidate_preview() {
    previews_here.erase(std::find(previews_here.begin(), previews_here.end(), this));
    if (hook_ != nullptr) ::UnhookWindowsHookEx(hook_);
    if (window_ != nullptr) ::DestroyWindow(window_);
}

// Ctrl+P anywhere in the dialog opens the preview; Escape in the preview hides it (the
// dialog's message loop gives a modeless window no dialog keys). A key goes to the focused
// control, so it is taken off the queue before the loop hands it there.
LRESULT CALLBACK win32_candidate_preview::key_hook(int code, WPARAM wparam, LPARAM lparam) {
    auto* message = reinterpret_cast<MSG*>(lparam);
    if (code != HC_ACTION || wparam != PM_REMOVE || message->message != WM_KEYDOWN)
        return ::CallNextHookEx(nullptr, code, wparam, lparam);
    const bool control = ::GetKeyState(VK_CONTROL) < 0 && ::GetKeyState(VK_MENU) >= 0;
    const auto in = [message](HWND window) {
        return window != nullptr && (message->hwnd == window || ::IsChild(window, message->hwnd));
    };
    for (win32_candidate_preview* preview : previews_here) {
        if (message->wParam == 'P' && control && in(preview->dialog_)) {
            ::PostMessageW(preview->dialog_, open_message, 0, 0);
        } else if (message->wParam == VK_ESCAPE && in(preview->window_)) {
            ::PostMessageW(preview->window_, WM_CLOSE, 0, 0);
        } else {
            continue;
        }
        message->message = WM_NULL;
        break;
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

bool win32_candidate_preview::handle(UINT message, WPARAM /*wparam*/, LPARAM lparam) {
    if (message == open_message) {
        open();
        return true;
    }
    if (message != WM_NOTIFY) return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header->hwndFrom != link_ || (header->code != NM_CLICK && header->code != NM_RETURN))
        return false;
    open();
    return true;
}

void win32_candidate_preview::show_run(const run_result& run) {
    const std::u16string text = preview_link_text(run);
    ::SetWindowTextW(link_, wide(u"<a>" + text + u"</a>"));
    ::ShowWindow(link_, text.empty() ? SW_HIDE : SW_SHOW);
    last_ = preview_content_of(run);
    if (window_ != nullptr && ::IsWindowVisible(window_)) show_content();
}

// The window opens to the right of the dialog the first time; later where it was left.
void win32_candidate_preview::open() {
    if (window_ == nullptr) {
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CANDIDATE_PREVIEW),
                             dialog_, window_procedure, reinterpret_cast<LPARAM>(this));
        if (window_ == nullptr) return;
        place_beside_dialog();
    }
    show_content();
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
}

// To the right of the dialog, as far as its screen's work area allows.
void win32_candidate_preview::place_beside_dialog() {
    RECT dialog, own;
    ::GetWindowRect(dialog_, &dialog);
    ::GetWindowRect(window_, &own);
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    ::GetMonitorInfoW(::MonitorFromWindow(dialog_, MONITOR_DEFAULTTONEAREST), &screen);
    const RECT& work = screen.rcWork;
    const LONG x = std::max(work.left, std::min(dialog.right, work.right - (own.right - own.left)));
    const LONG y = std::max(work.top, std::min(dialog.top, work.bottom - (own.bottom - own.top)));
    ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK win32_candidate_preview::window_procedure(HWND window, UINT message, WPARAM wparam,
                                                           LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lparam);
        reinterpret_cast<win32_candidate_preview*>(lparam)->window_ = window;
    }
    auto* preview =
        reinterpret_cast<win32_candidate_preview*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (preview == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        preview->window_ = nullptr;
        return FALSE;
    }
    return preview->on_window_message(message, wparam, lparam);
}

// Closing only hides the window: it keeps its place and size for the next time.
INT_PTR win32_candidate_preview::on_window_message(UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_SIZE: lay_out(); return TRUE;
        case WM_CLOSE: ::ShowWindow(window_, SW_HIDE); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL) {
                ::ShowWindow(window_, SW_HIDE);
                return TRUE;
            }
            if (LOWORD(wparam) == IDC_PREVIEW_LIST && HIWORD(wparam) == LBN_SELCHANGE) {
                show_comment();
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

// The list keeps the selected row where there still is one.
void win32_candidate_preview::show_content() {
    const HWND list = ::GetDlgItem(window_, IDC_PREVIEW_LIST);
    const auto selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::u16string& row : last_.rows)
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(row)));
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    const auto rows = static_cast<LRESULT>(last_.rows.size());
    if (rows > 0)
        ::SendMessageW(list, LB_SETCURSEL, selected >= 0 && selected < rows ? selected : 0, 0);
    show_comment();
}

void win32_candidate_preview::show_comment() {
    const auto row = ::SendMessageW(::GetDlgItem(window_, IDC_PREVIEW_LIST), LB_GETCURSEL, 0, 0);
    if (row < 0 || row >= static_cast<LRESULT>(last_.candidates.size())) {
        ::SetDlgItemTextW(window_, IDC_PREVIEW_COMMENT, L"");
        return set_note(last_.why_none);
    }
    const comment_text shown =
        comment_as_text(last_.candidates[static_cast<std::size_t>(row)].comment);
    ::SetDlgItemTextW(window_, IDC_PREVIEW_COMMENT, wide(with_crlf(shown.text)));
    set_note(shown.note);
}

// The comment gives the note's place back when there is no note.
void win32_candidate_preview::set_note(const std::u16string& text) {
    const HWND note = ::GetDlgItem(window_, IDC_PREVIEW_NOTE);
    ::SetWindowTextW(note, wide(with_crlf(text)));
    const bool shown = (::GetWindowLongPtrW(note, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown == text.empty()) {
        ::ShowWindow(note, text.empty() ? SW_HIDE : SW_SHOW);
        lay_out();
    }
}

// The list takes a third of the height, the comment the rest, above two lines for a note
// when there is one.
void win32_candidate_preview::lay_out() {
    RECT client;
    ::GetClientRect(window_, &client);
    const RECT units = dialog_pixels(window_, {4, 4, 0, 20});
    const int margin = units.left;
    const HWND note = ::GetDlgItem(window_, IDC_PREVIEW_NOTE);
    const bool noted = (::GetWindowLongPtrW(note, GWL_STYLE) & WS_VISIBLE) != 0;
    const int note_height = noted ? units.bottom + margin : 0;
    const int width = std::max(0, static_cast<int>(client.right) - 2 * margin);
    const int free = std::max(0, static_cast<int>(client.bottom) - 3 * margin - note_height);
    const int list_height = free / 3;
    ::MoveWindow(::GetDlgItem(window_, IDC_PREVIEW_LIST), margin, margin, width, list_height, TRUE);
    const int comment_top = 2 * margin + list_height;
    ::MoveWindow(::GetDlgItem(window_, IDC_PREVIEW_COMMENT), margin, comment_top, width,
                 free - list_height, TRUE);
    ::MoveWindow(note, margin, comment_top + free - list_height + margin, width, units.bottom,
                 TRUE);
}

}  // namespace vuro_plugin
