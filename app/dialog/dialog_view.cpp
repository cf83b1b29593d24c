#include "app/dialog/dialog_view.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>
#include <utility>

#include "app/debugger_texts.h"

namespace vuro_plugin {
namespace {

// Text given to a box in one piece; more waits for the next turn of the event loop.
constexpr std::size_t slice_units = 8 * 1024;
// How long one turn may spend filling the boxes.
constexpr qint64 turn_budget_ms = 20;

QString to_qt(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::u16string from_qt(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

// A message box centred on the dialog that owns it, wherever that stands.
class centred_message_box final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    // The box has its final size once its own handling is done; it is placed before the
    // window system shows it.
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        if (const QWidget* owner = parentWidget())
            move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    }
};

// Box text ends every line with CR LF; the text box breaks lines at LF.
QString for_display(std::u16string_view text) {
    QString shown = to_qt(text);
    shown.remove(QLatin1Char('\r'));
    return shown;
}

}  // namespace

QString message_caption() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

dialog_view::dialog_view(const dialog_widgets& widgets) : widgets_(widgets) {
    feeder_.setInterval(0);
    QObject::connect(&feeder_, &QTimer::timeout, [this] { feed(); });
}

run_request dialog_view::request() const {
    return {from_qt(widgets_.lookup->text()), widgets_.plugins->currentIndex(),
            static_cast<std::int64_t>(widgets_.dialog->winId())};
}

QPlainTextEdit* dialog_view::edit(output_box box) const {
    return box == output_box::standard_output ? widgets_.standard_output : widgets_.standard_error;
}

void dialog_view::clear_boxes() {
    feed_.clear();
    feeder_.stop();
    widgets_.standard_output->clear();
    widgets_.standard_error->clear();
}

void dialog_view::append_to_box(output_box box, const box_piece& piece) {
    feed_.add(box, piece);
    feed();
}

// Gives the boxes their waiting text, a slice each in turn, until this turn's budget is
// spent; the rest waits for the next turn.
void dialog_view::feed() {
    QElapsedTimer turn;
    turn.start();
    while (feed_.pending() && turn.elapsed() < turn_budget_ms) {
        for (const output_box box : {output_box::standard_output, output_box::standard_error}) {
            const std::u16string_view slice = feed_.next_slice(box, slice_units);
            if (slice.empty()) continue;
            QTextCursor cursor(edit(box)->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(for_display(slice));
        }
    }
    if (feed_.pending()) {
        feeder_.start();
    } else {
        feeder_.stop();
    }
}

void dialog_view::enable_refresh(bool enabled) { widgets_.refresh->setEnabled(enabled); }

void dialog_view::enable_run(bool enabled) { widgets_.run->setEnabled(enabled); }

void dialog_view::set_progress(int percent) { widgets_.progress->setValue(percent); }

void dialog_view::show_run_going(bool going) {
    QString title = QString::fromUtf16(texts::dialog_title);
    if (going) title += QString::fromUtf16(texts::run_going_title_suffix);
    widgets_.dialog->setWindowTitle(title);
}

// Each item needs its text plus an average character; the frame and scroll bar surround
// them. The drop-down is never narrower than the closed list.
void dialog_view::show_plugin_list(const std::vector<std::u16string>& names) {
    QComboBox* list = widgets_.plugins;
    list->clear();
    const QFontMetrics metrics(list->font());
    std::vector<int> widths;
    for (const std::u16string& name : names) {
        list->addItem(to_qt(name));
        widths.push_back(metrics.horizontalAdvance(to_qt(name)) + metrics.averageCharWidth());
    }
    if (names.empty()) return;
    list->setCurrentIndex(0);
    const QStyle* style = list->style();
    const int frame = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, list) +
                      style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    const int current = std::max(list->width(), list->view()->minimumWidth());
    const int needed = drop_down_width_for(current, widths, frame);
    if (needed > current) list->view()->setMinimumWidth(needed);
}

void dialog_view::repaint() { widgets_.dialog->repaint(); }

void dialog_view::show_message(const std::u16string& text) {
    centred_message_box box(QMessageBox::Warning, message_caption(), for_display(text),
                            QMessageBox::Ok, widgets_.dialog);
    box.exec();
}

}  // namespace vuro_plugin
