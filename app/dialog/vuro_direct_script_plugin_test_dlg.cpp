#include "app/dialog/vuro_direct_script_plugin_test_dlg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QValidator>
#include <QtMath>
#include <functional>
#include <optional>
#include <utility>

#include "app/debugger_texts.h"
#include "app/dialog/candidate_preview_window.h"
#include "app/dialog/dialog_view.h"
#include "app/lookup_text_fit.h"
#include "app/plugin_discovery.h"
#include "app/run_session.h"
#include "app/window_size_store.h"
#include "platform/font_for_language_posix.h"

using namespace vuro_plugin;

// The icons live in a static library, whose resources the linker would otherwise drop.
// (Outside any namespace, as the resource's initialiser is a global function.)
static void load_resources() { Q_INIT_RESOURCE(plugdebug); }

namespace {

QString to_qt(const char16_t* text) { return QString::fromUtf16(text); }

// Where the template's font is not installed, the installed font that fontconfig finds
// for Japanese stands in for it, so that the captions are drawn and measured with it: a
// Latin fallback has metrics that cut them off.
QFont template_font() {
    if (!QFontDatabase::hasFamily(dialog_font_family)) {
        const std::string family = platform::font_family_for_language("ja");
        if (!family.empty())
            QFont::insertSubstitution(dialog_font_family, QString::fromStdString(family));
    }
    return QFont(dialog_font_family, dialog_font_points);
}

// Keeps the "表記" box within what the request holds, whatever put the text there (typing,
// a paste, a drop), and calls `on_cut` when it had to cut.
class lookup_validator final : public QValidator {
public:
    lookup_validator(QObject* parent, std::function<void()> on_cut)
        : QValidator(parent), on_cut_(std::move(on_cut)) {}

    State validate(QString& input, int& pos) const override {
        std::u16string text(reinterpret_cast<const char16_t*>(input.utf16()),
                            static_cast<std::size_t>(input.size()));
        std::size_t cursor = static_cast<std::size_t>(std::max(pos, 0));
        if (fit_lookup_text(text, cursor, lookup_text_capacity)) {
            input = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
            pos = static_cast<int>(cursor);
            on_cut_();
        }
        return Acceptable;
    }

private:
    std::function<void()> on_cut_;
};

// The height is the font's ascent plus descent rounded up, so that a line of text fits
// the 8 units the template gives a one-line label.
dialog_base_units measure_base_units(const QFont& font) {
    const QFontMetrics metrics(font);
    return base_units_from_letters(metrics.horizontalAdvance(QStringLiteral(
                                       "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")),
                                   qCeil(QFontMetricsF(font).height()));
}

QRect to_qt(const dialog_rect& rect, dialog_base_units base) {
    const dialog_rect pixels = to_pixels(rect, base);
    return QRect(pixels.x, pixels.y, pixels.width, pixels.height);
}

// Tab stops every 32 horizontal dialog units, as in the window system's edit boxes.
QPlainTextEdit* make_output_box(QWidget* parent, dialog_base_units base) {
    auto* box = new QPlainTextEdit(parent);
    box->setTabStopDistance(horizontal_pixels(32, base));
    box->setReadOnly(true);
    // Selectable from the keyboard too; the text cursor then shows where the focus is.
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->setUndoRedoEnabled(false);  // the text only ever grows: nothing to undo, no copies
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

}  // namespace

Cvuro_direct_script_plugin_testDlg::Cvuro_direct_script_plugin_testDlg()
    : Cvuro_direct_script_plugin_testDlg(prepare_plugin_folder(), controller_options{}) {}

Cvuro_direct_script_plugin_testDlg::Cvuro_direct_script_plugin_testDlg(
    const std::u16string& plugin_folder, const controller_options& options)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    load_resources();
    m_hIcon.addFile(QStringLiteral(":/plugdebug/icon-16.png"), QSize(16, 16));
    m_hIcon.addFile(QStringLiteral(":/plugdebug/icon-32.png"), QSize(32, 32));
    setFont(template_font());
    base_units_ = measure_base_units(font());
    setWindowTitle(to_qt(texts::dialog_title));
    setMinimumSize(template_size());
    resize(template_size());
    create_controls();
    restore_size();

    view_ = std::make_unique<dialog_view>(
        dialog_widgets{this, m_lookup, m_output, m_error, m_refresh, m_run, m_progress, m_plugins});
    // A call queued for the dialog's thread, dropped if the dialog goes first.
    post_ = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    session_ = std::make_unique<run_session>(*view_, plugin_folder, options, post_);
    preview_ = new candidate_preview(this, to_pixels(preview_link_rect, base_units_));
    connect(m_refresh, &QPushButton::clicked, this, &Cvuro_direct_script_plugin_testDlg::OnRefresh);
    connect(m_run, &QPushButton::clicked, this, &Cvuro_direct_script_plugin_testDlg::OnRun);
    OnInitDialog();
}

Cvuro_direct_script_plugin_testDlg::~Cvuro_direct_script_plugin_testDlg() {
    session_->stop_and_wait();
}

QSize Cvuro_direct_script_plugin_testDlg::template_size() const {
    return QSize(horizontal_pixels(dialog_width_units, base_units_),
                 vertical_pixels(dialog_height_units, base_units_));
}

void Cvuro_direct_script_plugin_testDlg::create_controls() {
    QWidget* pending_buddy = nullptr;
    const std::vector<control_growth> growth = growth_of(dialog_template());
    for (std::size_t i = 0; i < dialog_template().size(); ++i) {
        const template_control& control = dialog_template()[i];
        QWidget* widget = create_control(control, pending_buddy);
        if (growth[i] != control_growth::none)
            growing_.push_back({widget, widget->geometry(), growth[i]});
        if (auto* label = qobject_cast<QLabel*>(pending_buddy); label && widget != label) {
            label->setBuddy(widget);
            pending_buddy = nullptr;
        }
    }
}

// Creates one control at its template position. A label waits in `buddy_for` for the
// control that follows it, which its mnemonic then focuses.
QWidget* Cvuro_direct_script_plugin_testDlg::create_control(const template_control& control,
                                                            QWidget*& buddy_for) {
    const QString caption = to_qt(control.caption);
    const QRect rect = to_qt(control.rect, base_units_);
    QWidget* widget = nullptr;
    switch (control.kind) {
        case control_kind::label: widget = buddy_for = new QLabel(caption, this); break;
        case control_kind::hint:
            widget = m_hint = new QLabel(caption, this);
            m_hint->setWordWrap(true);
            m_hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            break;
        case control_kind::group_box: widget = new QGroupBox(caption, this); break;
        case control_kind::combo_box: {
            widget = m_plugins = new QComboBox(this);
            const int closed = m_plugins->sizeHint().height();
            const int item = QFontMetrics(font()).height();
            m_plugins->setMaxVisibleItems(std::max(1, (rect.height() - closed) / item));
            widget->setGeometry(rect.x(), rect.y(), rect.width(), closed);
            return widget;
        }
        case control_kind::push_button:
        case control_kind::default_button:
            widget = new QPushButton(caption, this);
            if (control.kind == control_kind::default_button) {
                m_run = static_cast<QPushButton*>(widget);
                m_run->setDefault(true);
            } else {
                m_refresh = static_cast<QPushButton*>(widget);
            }
            break;
        case control_kind::line_edit:
            widget = m_lookup = new QLineEdit(this);
            m_lookup->setValidator(new lookup_validator(m_lookup, [this] { show_cut_notice(); }));
            break;
        case control_kind::progress_bar:
            widget = m_progress = new QProgressBar(this);
            m_progress->setRange(0, 100);
            m_progress->setValue(0);
            m_progress->setTextVisible(false);
            break;
        case control_kind::output_box:
            widget = make_output_box(this, base_units_);
            (control.id == id_standard_output ? m_output : m_error) =
                static_cast<QPlainTextEdit*>(widget);
            break;
    }
    widget->setGeometry(rect);
    return widget;
}

QWidget* Cvuro_direct_script_plugin_testDlg::control(control_id id) const {
    switch (id) {
        case id_standard_output: return m_output;
        case id_standard_error: return m_error;
        case id_run: return m_run;
        case id_plugin_list: return m_plugins;
        case id_refresh: return m_refresh;
        case id_progress: return m_progress;
        case id_lookup_text: return m_lookup;
        case id_hint: return m_hint;
        default: return nullptr;
    }
}

// The remembered size, never below the template's; the window opens centred on its screen,
// as the template asks, so that a message box at start stands over where it will be.
void Cvuro_direct_script_plugin_testDlg::restore_size() {
    const std::optional<remembered_window> remembered = load_window_size();
    if (remembered) {
        const window_size size = at_least({remembered->width, remembered->height},
                                          {template_size().width(), template_size().height()});
        resize(size.width, size.height);
    }
    restored_size_ = size();
    lay_out();
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    // Last: moving a window not yet shown takes its maximised state away.
    if (remembered && remembered->maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void Cvuro_direct_script_plugin_testDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    lay_out();
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        restored_size_ = size();
}

// The output boxes follow the window's size; the other controls keep their places.
void Cvuro_direct_script_plugin_testDlg::lay_out() {
    const window_size minimum{template_size().width(), template_size().height()};
    const window_size client{width(), height()};
    for (const growing_control& control : growing_) {
        const QRect& r = control.at_minimum;
        const dialog_rect placed =
            place({r.x(), r.y(), r.width(), r.height()}, control.growth, minimum, client);
        control.widget->setGeometry(placed.x, placed.y, placed.width, placed.height);
    }
}

QWidget* Cvuro_direct_script_plugin_testDlg::cut_notice() const { return cut_notice_; }

// A notice below the box, for a few seconds: a text cut to fit is no error, but the user
// should know that the lookup will not use all of what was pasted. A tool tip of the
// toolkit's own would vanish with the release of the paste's key.
void Cvuro_direct_script_plugin_testDlg::show_cut_notice() {
    if (cut_notice_ == nullptr) {
        cut_notice_ = new QLabel(to_qt(texts::lookup_text_cut), this, Qt::ToolTip);
        cut_notice_->setWordWrap(true);
        cut_notice_->setFixedWidth(horizontal_pixels(160, base_units_));
        cut_notice_->setForegroundRole(QPalette::ToolTipText);
        cut_notice_->setBackgroundRole(QPalette::ToolTipBase);
        cut_notice_->setAutoFillBackground(true);
        cut_notice_->setFrameStyle(QFrame::Box | QFrame::Plain);
        cut_notice_->setMargin(horizontal_pixels(2, base_units_));
        cut_notice_timer_ = new QTimer(this);
        cut_notice_timer_->setSingleShot(true);
        cut_notice_timer_->setInterval(8000);
        connect(cut_notice_timer_, &QTimer::timeout, cut_notice_, &QWidget::hide);
    }
    cut_notice_->move(m_lookup->mapToGlobal(QPoint(0, m_lookup->height())));
    cut_notice_->show();
    cut_notice_timer_->start();
}

void Cvuro_direct_script_plugin_testDlg::OnInitDialog() {
    setWindowIcon(m_hIcon);
    m_hint->setText(to_qt(plugin_folder_hint(session_->controller().plugin_folder()).c_str()));
    OnRefresh();
    m_plugins->setFocus();
}

void Cvuro_direct_script_plugin_testDlg::OnRefresh() { session_->refresh(); }

// The run blocks on child processes for up to two minutes, so the session runs it on a
// worker thread while this one keeps the window answering.
void Cvuro_direct_script_plugin_testDlg::OnRun() {
    session_->start(view_->request(), [this](const run_result& run) { preview_->show_run(run); });
}

bool Cvuro_direct_script_plugin_testDlg::run_in_progress() const { return session_->running(); }

void Cvuro_direct_script_plugin_testDlg::stop_run() { session_->stop(); }

void Cvuro_direct_script_plugin_testDlg::close_from_any_thread() {
    session_->stop();
    post_([this] { reject(); });
}

void Cvuro_direct_script_plugin_testDlg::done(int result) {
    session_->stop_and_wait();
    if (cut_notice_ != nullptr) cut_notice_->hide();
    save_window_size({restored_size_.width(), restored_size_.height(),
                      windowState().testFlag(Qt::WindowMaximized)});
    QDialog::done(result);
}

// Escape during a run stops the run and keeps the window (without one it closes the
// dialog, as ever). F1 shows no help.
void Cvuro_direct_script_plugin_testDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        run_in_progress()) {
        stop_run();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// The dialog has no context menu (the edit boxes keep their own).
void Cvuro_direct_script_plugin_testDlg::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

bool Cvuro_direct_script_plugin_testDlg::event(QEvent* event) {
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::EnterWhatsThisMode) {
        event->accept();
        return true;
    }
    return QDialog::event(event);
}
