#pragma once
// The debugger view over the controls of the Win32 dialog, on the dialog's thread only. A
// large output goes into its box a few slices at a time (box_feed.h), each time the
// dialog's queue holds nothing else (a timer's turn), so that the window keeps answering.
#include <windows.h>

#include <string>

#include "app/box_feed.h"
#include "app/debugger_controller.h"
#include "app/dialog_template.h"

namespace vuro_plugin {

class win32_dialog_view final : public debugger_view {
public:
    // The dialog passes its WM_TIMER with `feed_timer` on to feed().
    static constexpr UINT_PTR feed_timer = 0x7e1d;

    // The edit control lays out its whole text again for each slice (under Wine at least,
    // seconds per slice once it holds a megabyte): it shows far less than a Qt box.
    static constexpr std::size_t display_limit = 64 * 1024;

    explicit win32_dialog_view(HWND dialog) : dialog_(dialog), feed_(display_limit) {}

    // What the window shows for a Run.
    run_request request() const;
    // Gives the boxes the next slices of their waiting text.
    void feed();
    // Whether box text handed over is still waiting for its turn.
    bool boxes_pending() const { return feed_.pending(); }

    void clear_boxes() override;
    void append_to_box(output_box box, const box_piece& piece) override;
    void enable_refresh(bool enabled) override;
    void enable_run(bool enabled) override;
    void set_progress(int percent) override;
    void show_run_going(bool going) override;
    void show_plugin_list(const std::vector<std::u16string>& names) override;
    void repaint() override;
    void show_message(const std::u16string& text) override;

private:
    HWND control(control_id id) const { return ::GetDlgItem(dialog_, id); }

    HWND dialog_;
    box_feed feed_;
};

// A message box with only an OK button, captioned with the executable's base name.
void show_message_box(HWND owner, const std::u16string& text);

}  // namespace vuro_plugin
