#pragma once
// The debugger's one dialog: the plug-in list, the text to look up, the Run command and
// the plug-in's standard output and standard error.
#include <QDialog>
#include <QIcon>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_layout.h"
#include "app/dialog_template.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vuro_plugin {
class candidate_preview;
class dialog_view;
class run_session;
struct controller_options;
}  // namespace vuro_plugin

class Cvuro_direct_script_plugin_testDlg : public QDialog {
    Q_OBJECT

public:
    // Builds the window from the dialog template and lists the scripts of
    // `plugin_folder` (ending with "/"), showing the message for an empty list.
    explicit Cvuro_direct_script_plugin_testDlg(const std::u16string& plugin_folder,
                                                const vuro_plugin::controller_options& options);
    Cvuro_direct_script_plugin_testDlg();  // the folder "plugin" beside the program
    ~Cvuro_direct_script_plugin_testDlg() override;

    bool run_in_progress() const;
    // The font's dialog base units, which every position and size is converted with.
    vuro_plugin::dialog_base_units base_units() const { return base_units_; }
    // The widget of a control of the template, by its identifier.
    QWidget* control(vuro_plugin::control_id id) const;
    // The size of the template, the least the window takes.
    QSize template_size() const;
    // The notice beside the "表記" box that says a text was cut to fit.
    QWidget* cut_notice() const;

    // The link to the candidate preview and its window.
    vuro_plugin::candidate_preview& preview() const { return *preview_; }

    // Escape during a run: the run stops, the window stays.
    void stop_run();
    // From any thread (a termination signal's): the run stops and the dialog closes.
    void close_from_any_thread();
    // Ends the dialog; a run still going is stopped first (its child processes ended, its
    // bridge file deleted).
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void OnRefresh();
    void OnRun();

private:
    void create_controls();
    QWidget* create_control(const vuro_plugin::template_control& control, QWidget*& buddy_for);
    void OnInitDialog();
    void restore_size();
    void lay_out();
    void show_cut_notice();

    QIcon m_hIcon;
    QPlainTextEdit* m_output = nullptr;
    QPlainTextEdit* m_error = nullptr;
    QLineEdit* m_lookup = nullptr;
    QPushButton* m_run = nullptr;
    QPushButton* m_refresh = nullptr;
    QProgressBar* m_progress = nullptr;
    QComboBox* m_plugins = nullptr;
    QLabel* m_hint = nullptr;

    vuro_plugin::dialog_base_units base_units_{};
    // The controls that follow the window's size, with their place at the template's size.
    struct growing_control {
        QWidget* widget;
        QRect at_minimum;
        vuro_plugin::control_growth growth;
    };
    std::vector<growing_control> growing_;
    QSize restored_size_;  // the size when last neither maximised nor minimised
    QLabel* cut_notice_ = nullptr;
    QTimer* cut_notice_timer_ = nullptr;
    std::unique_ptr<vuro_plugin::dialog_view> view_;
    // Hands a call to this dialog's thread; the only way there from another thread.
    std::function<void(std::function<void()>)> post_;
    std::unique_ptr<vuro_plugin::run_session> session_;
    vuro_plugin::candidate_preview* preview_ = nullptr;  // a child of the dialog
};
