#pragma once
// The candidate preview of the Win32 dialog: a link below the Run button that counts a
// run's candidates and gives its times, and the modeless window it opens (also Ctrl+P),
// which lists the candidates and shows the selected one's comment as text, its markup
// removed (there is no browser engine). The window follows every later run while open.
#include <windows.h>

#include "app/candidate_preview.h"

namespace vuro_plugin {

class win32_candidate_preview {
public:
    // Adds the link to `dialog` (hidden until a run has made its processing call).
    explicit win32_candidate_preview(HWND dialog);
    ~win32_candidate_preview();
    win32_candidate_preview(const win32_candidate_preview&) = delete;
    win32_candidate_preview& operator=(const win32_candidate_preview&) = delete;

    // The dialog hands each of its messages here first: true when it was the preview's.
    bool handle(UINT message, WPARAM wparam, LPARAM lparam);
    // After each run: the link says what the run came to, an open window shows it.
    void show_run(const run_result& run);
    // Shows the window with the last run's candidates and brings it to the front.
    void open();

    HWND link() const { return link_; }
    HWND window() const { return window_; }  // null until first opened

private:
    static INT_PTR CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam);
    static LRESULT CALLBACK key_hook(int code, WPARAM wparam, LPARAM lparam);
    INT_PTR on_window_message(UINT message, WPARAM wparam, LPARAM lparam);
    void place_beside_dialog();
    void show_content();
    void show_comment();
    void set_note(const std::u16string& text);
    void lay_out();

    HWND dialog_;
    HWND link_;
    HWND window_ = nullptr;
    HHOOK hook_;
    candidate_preview_content last_ = empty_preview_content();
};

}  // namespace vuro_plugin
