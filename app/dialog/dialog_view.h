#pragma once
// The debugger view over the dialog's Qt widgets, on the dialog's thread only. A large
// output goes into its box a few slices per turn of the event loop (box_feed.h), so that
// the window keeps answering meanwhile.
#include <QString>
#include <QTimer>
#include <string>

#include "app/box_feed.h"
#include "app/debugger_controller.h"

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

    // What the window shows for a Run.
    run_request request() const;
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
    QPlainTextEdit* edit(output_box box) const;
    void feed();

    dialog_widgets widgets_;
    box_feed feed_;
    QTimer feeder_;
};

// The executable's base name, the caption of every message box.
QString message_caption();

}  // namespace vuro_plugin
