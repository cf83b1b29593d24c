#pragma once
// The candidate preview of the Qt dialog: the link under the Run button that counts a
// run's candidates and gives its times, and the modeless window it opens (also Ctrl+P),
// which lists the candidates and renders the selected one's comment. The window follows
// every later run while it is open.
#include <QObject>
#include <QTextBrowser>
#include <QWidget>

#include "app/candidate_preview.h"

class QDialog;
class QLabel;
class QListWidget;

namespace vuro_plugin {

// Renders a comment as rich text and nothing more: no network, no file or image, and a
// link is never followed.
class comment_browser final : public QTextBrowser {
public:
    explicit comment_browser(QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;
};

class candidate_preview_window final : public QWidget {
public:
    explicit candidate_preview_window(QWidget* owner);

    // Lists the candidates, keeping the selected row where there still is one.
    void show_content(candidate_preview_content content);

    QListWidget* list() const { return list_; }
    QTextBrowser* comment() const { return comment_; }
    // Why there are no candidates, or that the selected comment is shown as text.
    QLabel* note() const { return note_; }

private:
    void show_comment(int row);
    void set_note(const std::u16string& text);

    candidate_preview_content content_;
    QListWidget* list_;
    comment_browser* comment_;
    QLabel* note_;
};

// The link in the dialog and the window it opens, made when first asked for.
class candidate_preview final : public QObject {
public:
    candidate_preview(QDialog* dialog, const dialog_rect& link_pixels);

    // After each run: the link says what the run came to, an open window shows it.
    void show_run(const run_result& run);
    // Shows the window with the last run's candidates and brings it to the front.
    void open();

    QLabel* link() const { return link_; }
    candidate_preview_window* window() const { return window_; }

private:
    QDialog* dialog_;
    QLabel* link_;
    candidate_preview_window* window_ = nullptr;
    candidate_preview_content last_ = empty_preview_content();
};

}  // namespace vuro_plugin
