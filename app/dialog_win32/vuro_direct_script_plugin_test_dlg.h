#pragma once
// The debugger's one dialog, made from template 102: the plug-in list, the text to look
// up, the Run command and the plug-in's standard output and standard error.
#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/dialog_layout.h"

namespace vuro_plugin {
class run_session;
class win32_candidate_preview;
class win32_dialog_view;
struct controller_options;
}  // namespace vuro_plugin

class Cvuro_direct_script_plugin_testDlg {
public:
    // Lists the scripts of `plugin_folder` (ending with a separator) once the window is
    // made, showing the message for an empty list.
    Cvuro_direct_script_plugin_testDlg(std::u16string plugin_folder,
                                       const vuro_plugin::controller_options& options);
    Cvuro_direct_script_plugin_testDlg();  // the folder "plugin" beside the program
    // A run still going is stopped first; a window still open is destroyed.
    ~Cvuro_direct_script_plugin_testDlg();
    Cvuro_direct_script_plugin_testDlg(const Cvuro_direct_script_plugin_testDlg&) = delete;
    Cvuro_direct_script_plugin_testDlg& operator=(const Cvuro_direct_script_plugin_testDlg&) =
        delete;

    // Shows the dialog and returns when it has been closed.
    INT_PTR DoModal();
    // Makes the dialog without waiting for it (the caller's message loop drives it);
    // null when the window could not be made.
    HWND Create();

    HWND window() const { return m_hWnd; }
    bool run_in_progress() const;
    // The notice beside the "表記" box that says a text was cut to fit (a tool tip);
    // null until the first cut.
    HWND cut_notice() const { return cut_notice_; }
    // The link to the candidate preview and its window; null before the window is made.
    vuro_plugin::win32_candidate_preview* preview() const { return preview_.get(); }

private:
    static INT_PTR CALLBACK dialog_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam);
    INT_PTR on_message(UINT message, WPARAM wparam, LPARAM lparam);
    BOOL OnInitDialog();
    bool OnPaint();
    void OnRefresh();
    void OnRun();
    void OnCancel();
    void OnClose();
    void OnSize(UINT kind, int width, int height);
    void OnGetMinMaxInfo(MINMAXINFO* limits) const;
    void OnDestroy();
    void prepare_layout();
    void restore_size();
    void OnLookupChange();
    void show_cut_notice();
    void post(std::function<void()> call);
    void run_posted();

    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HWND m_hWnd = nullptr;
    bool modal_ = false;
    std::u16string plugin_folder_;
    std::unique_ptr<vuro_plugin::controller_options> options_;
    std::unique_ptr<vuro_plugin::win32_dialog_view> view_;
    std::unique_ptr<vuro_plugin::run_session> session_;
    std::unique_ptr<vuro_plugin::win32_candidate_preview> preview_;
    std::mutex posted_mutex_;
    std::deque<std::function<void()>> posted_;  // calls from the run for this thread

    // The controls that follow the window's size, with their place at the template's size.
    struct growing_control {
        HWND window;
        vuro_plugin::dialog_rect at_minimum;
        vuro_plugin::control_growth growth;
    };
    std::vector<growing_control> growing_;
    vuro_plugin::window_size minimum_client_{};   // the template's size in pixels
    SIZE minimum_window_{};                       // the same with the frame; 0 until made
    vuro_plugin::window_size restored_client_{};  // when last neither maximised nor minimised
    HWND cut_notice_ = nullptr;
};
