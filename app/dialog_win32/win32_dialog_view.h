#pragma once
// The debugger view over the controls of the Win32 dialog. On the dialog's thread every
// call acts at once. A run executes on a worker thread (so that the window keeps
// painting): there the view answers from what the window showed when the run began and
// from what the run itself wrote, and queues every change for the dialog's thread, which
// it wakes with a posted message, without waiting for it.
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "app/debugger_view.h"
#include "app/dialog_template.h"

namespace vuro_plugin {

class win32_dialog_view final : public debugger_view {
public:
    // `wake_message` is posted to `dialog` whenever changes wait; the dialog answers it
    // with run_posted_actions().
    win32_dialog_view(HWND dialog, UINT wake_message);

    // On the dialog's thread, right before a run starts on the worker.
    void prepare_worker_run();
    // On the dialog's thread: applies the changes the worker queued, in order.
    void run_posted_actions();
    // Drops the changes queued so far (the dialog is closing); later ones still queue.
    void drop_posted_actions();
    // Runs `action` at once on the dialog's thread; from another thread, queues it behind
    // the changes already waiting.
    void on_dialog(std::function<void()> action);

    std::u16string lookup_text() const override;
    std::u16string output_text(output_box box) const override;
    void set_output_text(output_box box, std::u16string text) override;
    void enable_refresh(bool enabled) override;
    void enable_run(bool enabled) override;
    void set_progress(int percent) override;
    void clear_plugin_items() override;
    void add_plugin_item(const std::u16string& name) override;
    void select_plugin_item(int index) override;
    int selected_plugin_item() const override;
    int plugin_item_width(const std::u16string& name) const override;
    int drop_down_frame_width() const override;
    int drop_down_width() const override;
    void set_drop_down_width(int width) override;
    std::int64_t window_handle() const override;
    void repaint() override;
    void show_message(const std::u16string& text) override;

private:
    // What the worker reads instead of the controls.
    struct worker_state {
        std::u16string lookup;
        int selection = -1;
        std::u16string texts[2];
    };

    HWND control(control_id id) const { return ::GetDlgItem(dialog_, id); }
    bool on_dialog_thread() const { return ::GetCurrentThreadId() == dialog_thread_; }

    HWND dialog_;
    DWORD dialog_thread_;
    UINT wake_message_;
    std::u16string texts_[2];  // the boxes' exact texts; the controls show them with every
                               // line end as CR LF
    worker_state worker_;
    std::mutex posted_mutex_;
    std::deque<std::function<void()>> posted_;
};

// A message box with only an OK button, captioned with the executable's base name.
void show_message_box(HWND owner, const std::u16string& text);

}  // namespace vuro_plugin
