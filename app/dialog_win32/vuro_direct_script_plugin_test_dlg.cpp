#include "app/dialog_win32/vuro_direct_script_plugin_test_dlg.h"

#include <commctrl.h>

#include "app/debugger_texts.h"
#include "app/dialog_win32/candidate_preview_window.h"
#include "app/dialog_win32/resource.h"
#include "app/dialog_win32/win32_dialog_view.h"
#include "app/plugin_discovery.h"
#include "app/run_session.h"

using namespace vuro_plugin;

namespace {

// Posted when calls from the run's worker wait.
constexpr UINT wake_message = WM_APP + 1;

HINSTANCE resources() { return ::GetModuleHandleW(nullptr); }

HICON load_icon(int size) {
    return static_cast<HICON>(::LoadImageW(resources(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                           size, size, LR_DEFAULTCOLOR));
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
        case WM_TIMER:
            if (wparam != win32_dialog_view::feed_timer || !view_) return FALSE;
            view_->feed();
            return TRUE;
        case WM_ENDSESSION:
            // Windows is ending: no child may outlive the program, nor a bridge file.
            if (wparam != FALSE) OnClose();
            return TRUE;
        case WM_COMMAND:
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
    // The request holds no more: the box takes no more.
    ::SendDlgItemMessageW(m_hWnd, id_lookup_text, EM_LIMITTEXT, lookup_text_capacity, 0);
    // The boxes take whatever a plug-in printed, not the 30000 characters of the default.
    for (const control_id box : {id_standard_output, id_standard_error})
        ::SendDlgItemMessageW(m_hWnd, box, EM_SETLIMITTEXT, 0, 0);
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
