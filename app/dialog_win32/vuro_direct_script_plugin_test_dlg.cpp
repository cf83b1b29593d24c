#include "app/dialog_win32/vuro_direct_script_plugin_test_dlg.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "app/debugger_texts.h"
#include "app/dialog_win32/candidate_preview_window.h"
#include "app/dialog_win32/resource.h"
#include "app/dialog_win32/win32_dialog_view.h"
#include "app/lookup_text_fit.h"
#include "app/plugin_discovery.h"
#include "app/run_session.h"
#include "app/window_size_store.h"

using namespace vuro_plugin;

namespace {

// Posted when calls from the run's worker wait.
constexpr UINT wake_message = WM_APP + 1;
// Hides the notice of a cut "表記" text; how long it shows.
constexpr UINT_PTR cut_notice_timer = 0x7e1e;
constexpr UINT cut_notice_ms = 8000;

HINSTANCE resources() { return ::GetModuleHandleW(nullptr); }

HICON load_icon(int size) {
    return static_cast<HICON>(::LoadImageW(resources(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                           size, size, LR_DEFAULTCOLOR));
}

const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

RECT rect_in_parent(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The one tool of the notice beside the "表記" box, placed by the dialog.
TOOLINFOW cut_notice_tool(HWND dialog) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(dialog, id_lookup_text));
    tool.lpszText = const_cast<wchar_t*>(wide(texts::lookup_text_cut));
    return tool;
}

// Ctrl+A selects the whole of an output box: the edit control leaves that key to its
// owner. (Shift with the arrows, Ctrl+Home and End, and Ctrl+C it handles itself.)
LRESULT CALLBACK output_box_keys(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                 DWORD_PTR) {
    if (message == WM_CHAR && wparam == 0x01) {
        ::SendMessageW(box, EM_SETSEL, 0, -1);
        return 0;
    }
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(box, output_box_keys, id);
    return ::DefSubclassProc(box, message, wparam, lparam);
}

}  // namespace

Cvuro_direct_script_plugin_testDlg::Cvuro_direct_script_plugin_testDlg()
    : Cvuro_direct_script_plugin_testDlg(prepare_plugin_folder(), controller_options{}) {}

Cvuro_direct_script_plugin_testDlg::Cvuro_direct_script_plugin_testDlg(
    std::u16string plugin_folder, const controller_options& options)
    : m_hIcon(load_icon(::GetSystemMetrics(SM_CXICON))),
      m_hSmallIcon(load_icon(::GetSystemMetrics(SM_CXSMICON))),
      plugin_folder_(std::move(plugin_folder)),
      options_(std::make_unique<controller_options>(options)) {}

Cvuro_direct_script_plugin_testDlg::~Cvuro_direct_script_plugin_testDlg() {
    if (session_) session_->stop_and_wait();
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
    if (m_hIcon != nullptr) ::DestroyIcon(m_hIcon);
    if (m_hSmallIcon != nullptr) ::DestroyIcon(m_hSmallIcon);
}

INT_PTR Cvuro_direct_script_plugin_testDlg::DoModal() {
    modal_ = true;
    return ::DialogBoxParamW(resources(),
                             MAKEINTRESOURCEW(IDD_VURO_DIRECT_SCRIPT_PLUGIN_TEST_DIALOG), nullptr,
                             dialog_procedure, reinterpret_cast<LPARAM>(this));
}

HWND Cvuro_direct_script_plugin_testDlg::Create() {
    modal_ = false;
    return ::CreateDialogParamW(resources(),
                                MAKEINTRESOURCEW(IDD_VURO_DIRECT_SCRIPT_PLUGIN_TEST_DIALOG),
                                nullptr, dialog_procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Cvuro_direct_script_plugin_testDlg::dialog_procedure(HWND window, UINT message,
                                                                      WPARAM wparam,
                                                                      LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<Cvuro_direct_script_plugin_testDlg*>(lparam);
        ::SetWindowLongPtrW(window, DWLP_USER, lparam);
        dialog->m_hWnd = window;
    }
    auto* dialog = reinterpret_cast<Cvuro_direct_script_plugin_testDlg*>(
        ::GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    return dialog->on_message(message, wparam, lparam);
}

INT_PTR Cvuro_direct_script_plugin_testDlg::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
    if (preview_ && preview_->handle(message, wparam, lparam)) return TRUE;
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog();
        case WM_PAINT: return OnPaint();
        case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(m_hIcon);
        case WM_HELP:         // F1 shows no help
        case WM_CONTEXTMENU:  // nor has the dialog a menu of its own
            return TRUE;
        case wake_message: run_posted(); return TRUE;
        case WM_CLOSE: OnClose(); return TRUE;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wparam), LOWORD(lparam), HIWORD(lparam));
            return TRUE;
        case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lparam)); return TRUE;
        case WM_DESTROY: OnDestroy(); return FALSE;
        case WM_TIMER:
            if (wparam == cut_notice_timer) {
                ::KillTimer(m_hWnd, cut_notice_timer);
                TOOLINFOW tool = cut_notice_tool(m_hWnd);
                ::SendMessageW(cut_notice_, TTM_TRACKACTIVATE, FALSE,
                               reinterpret_cast<LPARAM>(&tool));
                return TRUE;
            }
            if (wparam != win32_dialog_view::feed_timer || !view_) return FALSE;
            view_->feed();
            return TRUE;
        case WM_ENDSESSION:
            // Windows is ending: no child may outlive the program, nor a bridge file.
            if (wparam != FALSE) OnClose();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == id_lookup_text && HIWORD(wparam) == EN_CHANGE) {
                OnLookupChange();
                return TRUE;
            }
            if (HIWORD(wparam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wparam)) {
                case id_refresh: OnRefresh(); return TRUE;
                case id_run: OnRun(); return TRUE;
                case IDCANCEL: OnCancel(); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

BOOL Cvuro_direct_script_plugin_testDlg::OnInitDialog() {
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    const std::u16string hint = plugin_folder_hint(plugin_folder_);
    ::SetDlgItemTextW(m_hWnd, id_hint, reinterpret_cast<const wchar_t*>(hint.c_str()));
    // The request holds 200 units: the box takes all that is typed or pasted and then cuts
    // it (OnLookupChange), so that no half of a pair stays and the user learns of the cut.
    ::SendDlgItemMessageW(m_hWnd, id_lookup_text, EM_SETLIMITTEXT, 0, 0);
    // The boxes take whatever a plug-in printed, not the 30000 characters of the default.
    for (const control_id box : {id_standard_output, id_standard_error}) {
        ::SendDlgItemMessageW(m_hWnd, box, EM_SETLIMITTEXT, 0, 0);
        ::SetWindowSubclass(::GetDlgItem(m_hWnd, box), output_box_keys, 1, 0);
    }
    prepare_layout();
    restore_size();
    view_ = std::make_unique<win32_dialog_view>(m_hWnd);
    preview_ = std::make_unique<win32_candidate_preview>(m_hWnd);
    session_ = std::make_unique<run_session>(
        *view_, plugin_folder_, *options_,
        [this](std::function<void()> call) { post(std::move(call)); });
    OnRefresh();
    return TRUE;  // the first tab stop, the plug-in list, gets the focus
}

// Minimised, the client area shows the icon centred; otherwise the dialog paints as usual.
bool Cvuro_direct_script_plugin_testDlg::OnPaint() {
    if (!::IsIconic(m_hWnd)) return false;
    PAINTSTRUCT paint;
    const HDC context = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(context, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
    return true;
}

// Notes where the controls that follow the window's size stand at the template's size: the
// output boxes and the label of the lower one, the control just before it.
void Cvuro_direct_script_plugin_testDlg::prepare_layout() {
    RECT client, frame;
    ::GetClientRect(m_hWnd, &client);
    ::GetWindowRect(m_hWnd, &frame);
    minimum_client_ = {client.right, client.bottom};
    minimum_window_ = {frame.right - frame.left, frame.bottom - frame.top};
    restored_client_ = minimum_client_;
    const HWND lower = ::GetDlgItem(m_hWnd, id_standard_error);
    const std::pair<HWND, control_growth> growing[] = {
        {::GetDlgItem(m_hWnd, id_standard_output), control_growth::upper_box},
        {::GetWindow(lower, GW_HWNDPREV), control_growth::lower_label},
        {lower, control_growth::lower_box}};
    for (const auto& [window, growth] : growing) {
        const RECT r = rect_in_parent(window);
        growing_.push_back({window, {r.left, r.top, r.right - r.left, r.bottom - r.top}, growth});
    }
}

// The remembered size, never below the template's, centred on the monitor's work area as
// the template's own size was.
void Cvuro_direct_script_plugin_testDlg::restore_size() {
    const std::optional<remembered_window> remembered = load_window_size();
    if (!remembered) return;
    const window_size client = at_least({remembered->width, remembered->height}, minimum_client_);
    const int width = client.width + minimum_window_.cx - minimum_client_.width;
    const int height = client.height + minimum_window_.cy - minimum_client_.height;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int x = std::max<int>(work.left, (work.left + work.right - width) / 2);
    const int y = std::max<int>(work.top, (work.top + work.bottom - height) / 2);
    ::SetWindowPos(m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (remembered->maximized) ::ShowWindow(m_hWnd, SW_MAXIMIZE);
}

// The output boxes follow the window's size; the other controls keep their places.
void Cvuro_direct_script_plugin_testDlg::OnSize(UINT kind, int width, int height) {
    if (kind == SIZE_MINIMIZED || growing_.empty()) return;
    if (kind == SIZE_RESTORED) restored_client_ = {width, height};
    HDWP moves = ::BeginDeferWindowPos(static_cast<int>(growing_.size()));
    for (const growing_control& control : growing_) {
        const dialog_rect r =
            place(control.at_minimum, control.growth, minimum_client_, {width, height});
        if (moves != nullptr)
            moves = ::DeferWindowPos(moves, control.window, nullptr, r.x, r.y, r.width, r.height,
                                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves != nullptr) ::EndDeferWindowPos(moves);
}

void Cvuro_direct_script_plugin_testDlg::OnGetMinMaxInfo(MINMAXINFO* limits) const {
    if (minimum_window_.cx > 0) limits->ptMinTrackSize = {minimum_window_.cx, minimum_window_.cy};
}

void Cvuro_direct_script_plugin_testDlg::OnDestroy() {
    if (growing_.empty()) return;  // never laid out: nothing to remember
    save_window_size({restored_client_.width, restored_client_.height, ::IsZoomed(m_hWnd) != 0});
}

// Whatever put the text there (typing, a paste, a drop), it is cut to what the request
// holds, the insertion losing its tail.
void Cvuro_direct_script_plugin_testDlg::OnLookupChange() {
    const HWND box = ::GetDlgItem(m_hWnd, id_lookup_text);
    std::u16string text(static_cast<std::size_t>(::GetWindowTextLengthW(box)) + 1, u'\0');
    text.resize(static_cast<std::size_t>(
        std::max(0, ::GetWindowTextW(box, reinterpret_cast<wchar_t*>(text.data()),
                                     static_cast<int>(text.size())))));
    DWORD start = 0, end = 0;
    ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    std::size_t cursor = end;
    if (!fit_lookup_text(text, cursor, lookup_text_capacity)) return;
    ::SetWindowTextW(box, reinterpret_cast<const wchar_t*>(text.c_str()));
    ::SendMessageW(box, EM_SETSEL, cursor, static_cast<LPARAM>(cursor));
    show_cut_notice();
}

// A balloon below the box for a few seconds: a text cut to fit is no error, but the user
// should know that the lookup will not use all of what was pasted.
void Cvuro_direct_script_plugin_testDlg::show_cut_notice() {
    const HWND box = ::GetDlgItem(m_hWnd, id_lookup_text);
    TOOLINFOW tool = cut_notice_tool(m_hWnd);
    if (cut_notice_ == nullptr) {
        cut_notice_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | TTS_BALLOON,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        m_hWnd, nullptr, resources(), nullptr);
        if (cut_notice_ == nullptr) return;
        ::SendMessageW(cut_notice_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        const RECT r = rect_in_parent(box);
        ::SendMessageW(cut_notice_, TTM_SETMAXTIPWIDTH, 0, 3 * (r.right - r.left));
    }
    RECT r;
    ::GetWindowRect(box, &r);
    ::SendMessageW(cut_notice_, TTM_TRACKPOSITION, 0, MAKELPARAM(r.left, r.bottom));
    ::SendMessageW(cut_notice_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    ::SetTimer(m_hWnd, cut_notice_timer, cut_notice_ms, nullptr);
}

void Cvuro_direct_script_plugin_testDlg::OnRefresh() { session_->refresh(); }

// The run blocks on child processes for up to two minutes, so the session runs it on a
// worker thread while this one keeps the window answering.
void Cvuro_direct_script_plugin_testDlg::OnRun() {
    session_->start(view_->request(), [this](const run_result& run) { preview_->show_run(run); });
}

bool Cvuro_direct_script_plugin_testDlg::run_in_progress() const {
    return session_ && session_->running();
}

// The one way from a run's worker to this thread: the call is queued and the window woken
// by a posted message; one wake-up serves every call queued before it is answered.
void Cvuro_direct_script_plugin_testDlg::post(std::function<void()> call) {
    bool first;
    {
        const std::lock_guard<std::mutex> lock(posted_mutex_);
        first = posted_.empty();
        posted_.push_back(std::move(call));
    }
    if (first) ::PostMessageW(m_hWnd, wake_message, 0, 0);
}

// Makes the queued calls in order. A message box runs a message loop, which may come back
// here: each call is taken off the queue before it is made.
void Cvuro_direct_script_plugin_testDlg::run_posted() {
    for (;;) {
        std::function<void()> call;
        {
            const std::lock_guard<std::mutex> lock(posted_mutex_);
            if (posted_.empty()) return;
            call = std::move(posted_.front());
            posted_.pop_front();
        }
        call();
    }
}

// Escape (and the Cancel command) during a run stops the run and keeps the window;
// without a run it closes the dialog.
void Cvuro_direct_script_plugin_testDlg::OnCancel() {
    if (run_in_progress()) {
        session_->stop();
        return;
    }
    OnClose();
}

// The close box: ends a run still going, then the dialog, and with the modal one the
// program.
void Cvuro_direct_script_plugin_testDlg::OnClose() {
    session_->stop_and_wait();
    if (modal_) {
        ::EndDialog(m_hWnd, IDCANCEL);
    } else {
        ::DestroyWindow(m_hWnd);
    }
}
