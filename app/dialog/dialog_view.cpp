#include "app/dialog/dialog_view.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <utility>

namespace vuro_plugin {
namespace {

QString to_qt(const std::u16string& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

std::u16string from_qt(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

// Interpreters end lines with LF, the boxes' own breaks are CR LF, and a lone CR would
// show as nothing: each becomes one line break on screen.
QString for_display(const std::u16string& text) {
    QString shown = to_qt(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int index_of(output_box box) { return box == output_box::standard_output ? 0 : 1; }

}  // namespace

QString message_caption() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

dialog_view::dialog_view(const dialog_widgets& widgets) : widgets_(widgets) {}

bool dialog_view::on_dialog_thread() const {
    return QThread::currentThread() == widgets_.dialog->thread();
}

template <class Action>
void dialog_view::on_dialog(Action action) {
    if (on_dialog_thread()) {
        action();
    } else {
        // Dropped unread if the dialog goes first.
        QMetaObject::invokeMethod(widgets_.dialog, std::move(action), Qt::QueuedConnection);
    }
}

void dialog_view::prepare_worker_run() {
    worker_.lookup = lookup_text();
    worker_.selection = selected_plugin_item();
    worker_.texts[0] = texts_[0];
    worker_.texts[1] = texts_[1];
    worker_.window = window_handle();
}

std::u16string dialog_view::lookup_text() const {
    return on_dialog_thread() ? from_qt(widgets_.lookup->text()) : worker_.lookup;
}

std::u16string dialog_view::output_text(output_box box) const {
    return on_dialog_thread() ? texts_[index_of(box)] : worker_.texts[index_of(box)];
}

void dialog_view::set_output_text(output_box box, std::u16string text) {
    if (!on_dialog_thread()) worker_.texts[index_of(box)] = text;
    on_dialog([this, box, text = std::move(text)]() mutable {
        QPlainTextEdit* edit =
            box == output_box::standard_output ? widgets_.standard_output : widgets_.standard_error;
        edit->setPlainText(for_display(text));
        texts_[index_of(box)] = std::move(text);
    });
}

void dialog_view::enable_refresh(bool enabled) {
    on_dialog([this, enabled] { widgets_.refresh->setEnabled(enabled); });
}

void dialog_view::enable_run(bool enabled) {
    on_dialog([this, enabled] { widgets_.run->setEnabled(enabled); });
}

void dialog_view::set_progress(int percent) {
    on_dialog([this, percent] { widgets_.progress->setValue(percent); });
}

void dialog_view::clear_plugin_items() {
    on_dialog([this] { widgets_.plugins->clear(); });
}

void dialog_view::add_plugin_item(const std::u16string& name) {
    on_dialog([this, name] { widgets_.plugins->addItem(to_qt(name)); });
}

void dialog_view::select_plugin_item(int index) {
    on_dialog([this, index] { widgets_.plugins->setCurrentIndex(index); });
}

int dialog_view::selected_plugin_item() const {
    return on_dialog_thread() ? widgets_.plugins->currentIndex() : worker_.selection;
}

int dialog_view::plugin_item_width(const std::u16string& name) const {
    const QFontMetrics metrics(widgets_.plugins->font());
    return metrics.horizontalAdvance(to_qt(name)) + metrics.averageCharWidth();
}

int dialog_view::drop_down_frame_width() const {
    const QStyle* style = widgets_.plugins->style();
    return 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widgets_.plugins) +
           style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, widgets_.plugins);
}

// The drop-down is never narrower than the closed list.
int dialog_view::drop_down_width() const {
    return std::max(widgets_.plugins->width(), widgets_.plugins->view()->minimumWidth());
}

void dialog_view::set_drop_down_width(int width) {
    widgets_.plugins->view()->setMinimumWidth(width);
}

std::int64_t dialog_view::window_handle() const {
    return on_dialog_thread() ? static_cast<std::int64_t>(widgets_.dialog->winId())
                              : worker_.window;
}

void dialog_view::repaint() {
    on_dialog([this] { widgets_.dialog->repaint(); });
}

void dialog_view::show_message(const std::u16string& text) {
    const bool from_worker = !on_dialog_thread();
    on_dialog([this, text, from_worker] {
        if (from_worker && dropping_messages_) return;
        QMessageBox box(QMessageBox::Warning, message_caption(), for_display(text), QMessageBox::Ok,
                        widgets_.dialog);
        box.exec();
    });
}

}  // namespace vuro_plugin
