#include "app/dialog/candidate_preview_window.h"

#include <QDialog>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>
#include <utility>

#include "app/debugger_texts.h"

namespace vuro_plugin {
namespace {

QString to_qt(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

comment_browser::comment_browser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

// A value that is not null, so that the document does not go on to read a file or a data
// address itself: an image becomes a broken one, a style sheet an empty one.
QVariant comment_browser::loadResource(int /*type*/, const QUrl& /*name*/) {
    return QVariant(QByteArray());
}

candidate_preview_window::candidate_preview_window(QWidget* owner)
    : QWidget(owner, Qt::Window),
      list_(new QListWidget(this)),
      comment_(new comment_browser(this)),
      note_(new QLabel(this)) {
    setWindowTitle(to_qt(texts::preview_title));
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(list_);
    split->addWidget(comment_);
    split->setStretchFactor(1, 2);
    note_->setWordWrap(true);
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addWidget(note_);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { show_comment(row); });
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);
    resize(owner->width() * 2 / 3, owner->height() * 4 / 3);
}

void candidate_preview_window::show_content(candidate_preview_content content) {
    const int selected = list_->currentRow();
    content_ = std::move(content);
    const QSignalBlocker quiet(list_);
    list_->setUpdatesEnabled(false);
    list_->clear();
    for (const std::u16string& row : content_.rows) list_->addItem(to_qt(row));
    list_->setUpdatesEnabled(true);
    const int rows = static_cast<int>(content_.rows.size());
    if (rows > 0) list_->setCurrentRow(selected >= 0 && selected < rows ? selected : 0);
    show_comment(list_->currentRow());
}

void candidate_preview_window::show_comment(int row) {
    if (row < 0 || row >= static_cast<int>(content_.candidates.size())) {
        comment_->clear();
        return set_note(content_.why_none);
    }
    const std::u16string& comment = content_.candidates[static_cast<std::size_t>(row)].comment;
    if (comment_is_well_formed(comment)) {
        comment_->setHtml(to_qt(comment));
        return set_note({});
    }
    const comment_text shown = comment_as_text(comment);
    comment_->setPlainText(to_qt(shown.text));
    set_note(shown.note);
}

void candidate_preview_window::set_note(const std::u16string& text) {
    note_->setText(to_qt(text));
    note_->setVisible(!text.empty());
}

candidate_preview::candidate_preview(QDialog* dialog, const dialog_rect& link_pixels)
    : QObject(dialog), dialog_(dialog), link_(new QLabel(dialog)) {
    link_->setGeometry(link_pixels.x, link_pixels.y, link_pixels.width, link_pixels.height);
    link_->setWordWrap(true);
    link_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    link_->setTextFormat(Qt::RichText);
    link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link_->hide();
    connect(link_, &QLabel::linkActivated, this, [this] { open(); });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), dialog);
    connect(shortcut, &QShortcut::activated, this, [this] { open(); });
    // The window goes with the dialog.
    connect(dialog, &QDialog::finished, this, [this] {
        if (window_ != nullptr) window_->close();
    });
}

void candidate_preview::show_run(const run_result& run) {
    const std::u16string text = preview_link_text(run);
    link_->setText(QStringLiteral("<a href=\"#preview\">%1</a>").arg(to_qt(text).toHtmlEscaped()));
    link_->setVisible(!text.empty());
    last_ = preview_content_of(run);
    if (window_ != nullptr && window_->isVisible()) window_->show_content(last_);
}

void candidate_preview::open() {
    if (window_ == nullptr) window_ = new candidate_preview_window(dialog_);
    window_->show_content(last_);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace vuro_plugin
