#pragma once
// The debugger view over the dialog's Qt widgets. On the dialog's thread every call acts
// at once. A run executes on a worker thread (so that the window keeps painting): there
// the view answers from what the window showed when the run began and from what the run
// itself wrote, and hands every change to the dialog's thread without waiting for it.
#include <QString>

#include "app/debugger_view.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace vuro_plugin {

struct dialog_widgets {
    QWidget* dialog;
    QLineEdit* lookup;
    QPlainTextEdit* standard_output;
    QPlainTextEdit* standard_error;
    QPushButton* refresh;
    QPushButton* run;
    QProgressBar* progress;
    QComboBox* plugins;
};

class dialog_view final : public debugger_view {
public:
    explicit dialog_view(const dialog_widgets& widgets);

    // On the dialog's thread, right before a run starts on the worker.
    void prepare_worker_run();
    // From now on messages handed over by the worker are dropped (the dialog is closing).
    void drop_worker_messages() { dropping_messages_ = true; }

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
    // What the worker reads instead of the widgets.
    struct worker_state {
        std::u16string lookup;
        int selection = -1;
        std::u16string texts[2];
        std::int64_t window = 0;
    };

    bool on_dialog_thread() const;
    template <class Action>
    void on_dialog(Action action);

    dialog_widgets widgets_;
    std::u16string texts_[2];  // the boxes' exact texts; the widgets show them with line ends
                               // normalised
    worker_state worker_;
    bool dropping_messages_ = false;  // only touched on the dialog's thread
};

// The executable's base name, the caption of every message box.
QString message_caption();

}  // namespace vuro_plugin
