#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "app/debugger_controller.h"
#include "app/debugger_texts.h"
#include "app/dialog/candidate_preview_window.h"
#include "app/dialog/vuro_direct_script_plugin_test_app.h"
#include "app/dialog/vuro_direct_script_plugin_test_dlg.h"
#include "platform/font_for_language_posix.h"
#include "platform/registry_store.h"
#include "tests/support/child_probe.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"

namespace {

using namespace vuro_plugin;
namespace fs = std::filesystem;
using dialog = Cvuro_direct_script_plugin_testDlg;

QApplication& application() {
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "dialog_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

QString display_text(const char16_t* text) {
    return QString::fromUtf16(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Presses OK on every message box that opens while it lives, noting what each showed.
class message_boxes {
public:
    struct seen {
        QString caption, text;
        QMessageBox::StandardButtons buttons;
        QPoint centre;
    };
    message_boxes() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen_.push_back({box->windowTitle(), box->text(), box->standardButtons(),
                             box->frameGeometry().center()});
            box->button(QMessageBox::Ok)->click();
        });
        timer_.start(10);
    }
    const std::vector<seen>& all() const { return seen_; }

private:
    QTimer timer_;
    std::vector<seen> seen_;
};

class dialog_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { application(); }
    void SetUp() override {
        fs::remove(hive());  // no size remembered by an earlier test
        fs::create_directories(plugins());
        fs::create_directories(data_home() / "Halvane" / "Vuro");
    }
    fs::path plugins() const { return folder_.path() / "plugin"; }
    static fs::path hive() {
        return platform::registry_hive_file(platform::registry_root::current_user);
    }
    static fs::path data_home() { return test_support::scratch_home() / ".local" / "share"; }
    static fs::path data_folder() { return data_home() / "Halvane" / "Vuro" / "VURODIRECT"; }
    void add_plugin(const std::string& name, const std::string& text) const {
        std::ofstream(plugins() / name) << text;
    }
    std::unique_ptr<dialog> open(const controller_options& options = {}) const {
        const std::string path = plugins().string() + "/";
        return std::make_unique<dialog>(std::u16string(path.begin(), path.end()), options);
    }
    template <class T>
    static T* part(const dialog& d, control_id id) {
        return static_cast<T*>(d.control(id));
    }
    static void click_run(dialog& d) {
        QTest::mouseClick(part<QPushButton>(d, id_run), Qt::LeftButton);
    }

    test_support::scratch_folder folder_;
};

TEST_F(dialog_test, empty_folder_says_so_at_start_and_refresh_finds_a_new_file) {
    message_boxes boxes;
    auto d = open();
    ASSERT_EQ(boxes.all().size(), 1u);
    EXPECT_EQ(boxes.all()[0].text, display_text(texts::no_plugin_found));
    EXPECT_EQ(boxes.all()[0].caption,
              QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    EXPECT_EQ(boxes.all()[0].buttons, QMessageBox::Ok);
    EXPECT_FALSE(part<QPushButton>(*d, id_run)->isEnabled());
    EXPECT_TRUE(part<QPushButton>(*d, id_refresh)->isEnabled());

    add_plugin("a.rb", "#\n");
    QTest::mouseClick(part<QPushButton>(*d, id_refresh), Qt::LeftButton);
    EXPECT_EQ(boxes.all().size(), 1u);
    EXPECT_EQ(part<QComboBox>(*d, id_plugin_list)->currentText(), "a.rb");
    EXPECT_TRUE(part<QPushButton>(*d, id_run)->isEnabled());
}

TEST_F(dialog_test, drop_down_widens_for_a_long_name_and_never_narrows) {
    const std::string long_name = std::string(60, 'w') + ".rb";
    add_plugin(long_name, "#\n");
    auto d = open();
    auto* list = part<QComboBox>(*d, id_plugin_list);
    const QFontMetrics metrics(list->font());
    const int widened = list->view()->minimumWidth();
    EXPECT_GT(widened, list->width());
    EXPECT_GE(widened, metrics.horizontalAdvance(QString::fromStdString(long_name)));

    fs::remove(plugins() / long_name);
    add_plugin("a.py", "#\n");
    QTest::mouseClick(part<QPushButton>(*d, id_refresh), Qt::LeftButton);
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->view()->minimumWidth(), widened);
}

TEST_F(dialog_test, controls_stand_where_the_template_puts_them_and_their_captions_fit) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    const dialog_base_units base = d->base_units();
    EXPECT_EQ(d->size(), QSize(horizontal_pixels(360, base), vertical_pixels(198, base)));
    EXPECT_TRUE(QFontMetrics(d->font()).inFont(QChar(u'表')));  // a Japanese font

    const struct {
        control_id id;
        dialog_rect rect;
    } placed[] = {{id_refresh, {112, 20, 28, 14}},         {id_hint, {8, 42, 132, 28}},
                  {id_lookup_text, {56, 92, 76, 12}},      {id_run, {84, 112, 48, 16}},
                  {id_progress, {12, 168, 104, 12}},       {id_standard_output, {152, 24, 200, 70}},
                  {id_standard_error, {152, 120, 200, 70}}};
    for (const auto& p : placed) {
        const dialog_rect px = to_pixels(p.rect, base);
        EXPECT_EQ(d->control(p.id)->geometry(), QRect(px.x, px.y, px.width, px.height)) << p.id;
    }

    const QFontMetrics metrics(d->font());
    for (QWidget* widget : d->findChildren<QWidget*>()) {
        QString caption;
        if (auto* label = qobject_cast<QLabel*>(widget)) caption = label->text();
        if (auto* button = qobject_cast<QPushButton*>(widget)) caption = button->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget)) caption = group->title();
        if (caption.isEmpty()) continue;
        caption.remove(QLatin1Char('&'));
        const QRect needed =
            metrics.boundingRect(QRect(0, 0, widget->width(), 10000), Qt::TextWordWrap, caption);
        EXPECT_LE(needed.width(), widget->width()) << caption.toStdString();
        EXPECT_LE(needed.height(), widget->height()) << caption.toStdString();
    }
}

TEST_F(dialog_test, keyboard_follows_the_template) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    // Tab order, starting on the plug-in list.
    const std::vector<QWidget*> stops{
        d->control(id_plugin_list), d->control(id_refresh),         d->control(id_lookup_text),
        d->control(id_run),         d->control(id_standard_output), d->control(id_standard_error)};
    std::vector<QWidget*> chain{stops[0]};
    for (QWidget* w = stops[0]->nextInFocusChain(); w != stops[0]; w = w->nextInFocusChain())
        if (std::find(stops.begin(), stops.end(), w) != stops.end()) chain.push_back(w);
    EXPECT_EQ(chain, stops);
    // Each label's mnemonic focuses the control after it.
    std::map<QString, control_id> buddies{{"テスト対象プラグイン一覧(&L)", id_plugin_list},
                                          {"表記(&H)", id_lookup_text},
                                          {"標準出力結果(&S)", id_standard_output},
                                          {"標準エラー出力結果(&E)", id_standard_error}};
    for (QLabel* label : d->findChildren<QLabel*>()) {
        if (!buddies.count(label->text())) continue;
        EXPECT_EQ(label->buddy(), d->control(buddies[label->text()]))
            << label->text().toStdString();
    }
    EXPECT_TRUE(part<QPushButton>(*d, id_run)->isDefault());
    auto* lookup = part<QLineEdit>(*d, id_lookup_text);
    lookup->setText(QString(250, QChar(u'あ')));
    EXPECT_EQ(lookup->text().size(), 200);

    // F1 and the context-menu key open nothing.
    d->show();
    const auto windows = QApplication::topLevelWidgets().size();
    QTest::keyClick(d.get(), Qt::Key_F1);
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(5, 5), d->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(d.get(), &menu);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const QIcon icon = d->windowIcon();
    EXPECT_FALSE(icon.pixmap(16, 16).isNull());
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
}

TEST_F(dialog_test, sample_plugin_runs_through_the_dialog) {
    for (const char* file : {"today.rb", "today.xml"})
        fs::copy_file(fs::path(SAMPLES_DIR) / file, plugins() / file);
    auto d = open();
    d->show();
    part<QLineEdit>(*d, id_lookup_text)->setText(QStringLiteral("きょう"));
    click_run(*d);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->run_in_progress(); }, 60000));

    const QString output = part<QPlainTextEdit>(*d, id_standard_output)->toPlainText();
    EXPECT_TRUE(output.startsWith("syntax ok\n<?xml")) << output.toStdString();
    EXPECT_EQ(output.count("<item type=\"script_candidate\">"), 5) << output.toStdString();
    EXPECT_EQ(part<QPlainTextEdit>(*d, id_standard_error)->toPlainText(), "");
    EXPECT_EQ(part<QProgressBar>(*d, id_progress)->value(), 100);
    EXPECT_TRUE(part<QPushButton>(*d, id_run)->isEnabled());
    EXPECT_TRUE(part<QPushButton>(*d, id_refresh)->isEnabled());
    EXPECT_TRUE(d->grab().save(QStringLiteral(SCREENSHOT_PATH)));
}

// A plug-in that prints a little, says (in the file `marker`) which process it runs in,
// and hangs.
class hanging_run : public dialog_test {
protected:
    void SetUp() override {
        dialog_test::SetUp();
        add_plugin("slow.rb",
                   "module Vuro_plugin\n  def run_process(request)\n"
                   "    print 'before'\n    STDERR.print 'error before'\n"
                   "    $stdout.flush\n    $stderr.flush\n"
                   "    File.write(ENV['DIALOG_TEST_MARKER'], Process.pid.to_s)\n"
                   "    sleep 30\n    {}\n  end\nend\n");
    }
    // Starts the run and returns the interpreter's process id once the plug-in hangs.
    int start_run(dialog& d) {
        d.show();
        part<QLineEdit>(d, id_lookup_text)->setText(QStringLiteral("x"));
        click_run(d);
        EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(marker_); }, 30000));
        int pid = 0;
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return (std::ifstream(marker_) >> pid) && pid > 0; }, 30000));
        return pid;
    }
    // No interpreter left (waited for by its id) and no bridge file.
    static void expect_nothing_left(int pid) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !test_support::process_running(pid); }, 30000));
        std::vector<fs::path> left;
        for (const auto& entry : fs::directory_iterator(data_folder()))
            left.push_back(entry.path());
        EXPECT_TRUE(left.empty()) << left.front();
    }

    test_support::scratch_folder marker_folder_;
    const fs::path marker_ = marker_folder_.path() / "pid";
    test_support::scoped_environment marker_variable_{"DIALOG_TEST_MARKER", marker_.string()};
};

TEST_F(hanging_run, escape_stops_the_run_and_keeps_the_window_then_closes_it) {
    auto d = open();
    const QString title = QString::fromUtf16(texts::dialog_title);
    const int pid = start_run(*d);
    EXPECT_EQ(d->windowTitle(), title + QString::fromUtf16(texts::run_going_title_suffix));
    EXPECT_FALSE(part<QPushButton>(*d, id_run)->isEnabled());
    EXPECT_FALSE(part<QPushButton>(*d, id_refresh)->isEnabled());

    QTest::keyClick(part<QLineEdit>(*d, id_lookup_text), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->run_in_progress(); }, 30000));
    EXPECT_TRUE(d->isVisible());
    expect_nothing_left(pid);
    EXPECT_EQ(part<QPlainTextEdit>(*d, id_standard_output)->toPlainText(), "syntax ok\nbefore\n");
    EXPECT_EQ(part<QPlainTextEdit>(*d, id_standard_error)->toPlainText(),
              "error before\n" + QString::fromUtf16(texts::run_stopped) + "\n");
    EXPECT_EQ(part<QProgressBar>(*d, id_progress)->value(), 0);
    EXPECT_TRUE(part<QPushButton>(*d, id_run)->isEnabled());
    EXPECT_TRUE(part<QPushButton>(*d, id_refresh)->isEnabled());
    EXPECT_EQ(d->windowTitle(), title);

    // With no run going, Escape closes the dialog as ever.
    QTest::keyClick(part<QLineEdit>(*d, id_lookup_text), Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);
}

// The close box, and a termination signal's call from a thread of its own.
TEST_F(hanging_run, closing_the_window_ends_the_run_and_leaves_nothing_behind) {
    const struct {
        const char* name;
        std::function<void(dialog&)> close;
    } cases[] = {
        {"close box", [](dialog& d) { d.reject(); }},
        {"termination signal",
         [](dialog& d) { std::thread([&d] { d.close_from_any_thread(); }).join(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(marker_);
        auto d = open();
        const int pid = start_run(*d);
        c.close(*d);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d->isVisible(); }, 30000));
        EXPECT_FALSE(d->run_in_progress());
        EXPECT_EQ(d->result(), QDialog::Rejected);
        expect_nothing_left(pid);
    }
}

// A large output reaches its box whole and in order, however many turns of the event loop
// it takes: numbered lines of 100 bytes.
TEST_F(dialog_test, large_output_reaches_its_box_whole_and_in_order) {
    const int lines = 15000;  // 1.5 million units: under the display limit
    add_plugin("flood.rb",
               "module Vuro_plugin\n  def run_process(request)\n"
               "    15000.times { |i| STDERR.write(format(\"%099d\\n\", i)) }\n"
               "    {}\n  end\nend\n");
    auto d = open();
    d->show();
    part<QLineEdit>(*d, id_lookup_text)->setText(QStringLiteral("x"));
    click_run(*d);
    auto* error = part<QPlainTextEdit>(*d, id_standard_error);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d->run_in_progress(); }, 60000));
    // Every line, the closing line end, and the empty line after it: all is in.
    ASSERT_TRUE(QTest::qWaitFor([&] { return error->blockCount() == lines + 2; }, 60000));
    const QTextDocument& document = *error->document();
    for (const int line : {0, 1, 80, 81, lines / 2, lines - 1})
        EXPECT_EQ(document.findBlockByNumber(line).text(),
                  QString::number(line).rightJustified(99, '0'));
    EXPECT_EQ(document.findBlockByNumber(lines).text(), "");
}

// The geometry rule itself is tested in dialog_layout_test.cpp; here, that the window
// follows it.
TEST_F(dialog_test, resizing_grows_the_output_boxes_only_and_the_template_size_is_the_least) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    d->show();
    EXPECT_TRUE(d->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QLabel* error_label = nullptr;
    for (QLabel* label : d->findChildren<QLabel*>())
        if (label->buddy() == d->control(id_standard_error)) error_label = label;
    ASSERT_NE(error_label, nullptr);
    std::map<QWidget*, QRect> before;
    for (QWidget* widget : d->findChildren<QWidget*>()) before[widget] = widget->geometry();

    d->resize(d->template_size() + QSize(100, 61));
    const auto grew = [&](QWidget* w) { return w->geometry().size() - before[w].size(); };
    EXPECT_EQ(grew(d->control(id_standard_output)), QSize(100, 30));
    EXPECT_EQ(grew(d->control(id_standard_error)), QSize(100, 31));
    EXPECT_EQ(d->control(id_standard_error)->y() - before[d->control(id_standard_error)].y(), 30);
    EXPECT_EQ(error_label->geometry(), before[error_label].translated(0, 30));
    for (const control_id id :
         {id_plugin_list, id_refresh, id_hint, id_lookup_text, id_run, id_progress})
        EXPECT_EQ(d->control(id)->geometry(), before[d->control(id)]) << id;

    d->resize(100, 50);
    EXPECT_EQ(d->size(), d->template_size());
    for (QWidget* widget : d->findChildren<QWidget*>())
        EXPECT_EQ(widget->geometry(), before[widget]) << widget->metaObject()->className();
}

TEST_F(dialog_test, size_is_remembered_per_user_but_never_written_into_a_broken_settings_file) {
    add_plugin("a.rb", "#\n");
    QSize bigger;
    {
        auto d = open();
        bigger = d->template_size() + QSize(123, 45);
        d->show();
        d->resize(bigger);
        d->reject();
    }
    auto again = open();
    EXPECT_EQ(again->size(), bigger);
    EXPECT_EQ(again->control(id_standard_output)->width(),
              horizontal_pixels(200, again->base_units()) + 123);
    again->show();
    again->showMaximized();
    again->reject();
    again = open();
    EXPECT_TRUE(again->windowState().testFlag(Qt::WindowMaximized));
    EXPECT_EQ(again->size(), bigger);  // the size it returns to

    const std::string broken = "not a registry export\n";
    std::ofstream(hive(), std::ios::trunc) << broken;
    again = open();
    EXPECT_EQ(again->size(), again->template_size());
    again->show();
    again->resize(bigger + QSize(10, 10));
    again->reject();
    std::ifstream kept(hive());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), broken);
}

TEST_F(dialog_test, output_boxes_select_and_copy_from_the_keyboard) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    d->show();
    auto* box = part<QPlainTextEdit>(*d, id_standard_output);
    box->setPlainText(QStringLiteral("syntax ok\n<itemlist/>"));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 6; ++i) QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(box->textCursor().selectedText(), "syntax");
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "syntax");
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->textCursor().selectedText(), QStringLiteral("syntax ok\u2029<itemlist/>"));
    EXPECT_EQ(box->toPlainText(), "syntax ok\n<itemlist/>");  // still read-only
}

// The font, Qt's own texts, where a message box stands and what a paste that does not fit
// leaves: the parts of the window the toolkit would otherwise decide.
TEST_F(dialog_test, speaks_japanese_throughout_and_places_its_notices_by_the_window) {
    install_japanese_qt_texts(application());
    add_plugin("a.rb", "#\n");
    auto d = open();
    if (!QFontDatabase::hasFamily(dialog_font_family)) {
        EXPECT_EQ(QFontInfo(d->font()).family().toStdString(),
                  platform::font_family_for_language("ja"));
    }
    std::unique_ptr<QMenu> menu(
        part<QPlainTextEdit>(*d, id_standard_output)->createStandardContextMenu());
    QStringList actions;
    for (const QAction* action : menu->actions()) actions << action->text();
    EXPECT_TRUE(actions.join('|').contains(QStringLiteral("コピー(&C)")))
        << actions.join('|').toStdString();
    QMessageBox question(QMessageBox::Question, "", "", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(question.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));

    d->show();
    d->move(5, 7);
    message_boxes boxes;
    click_run(*d);  // nothing to look up: a message
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.all().empty(); }, 30000));
    const QPoint off = boxes.all()[0].centre - d->frameGeometry().center();
    EXPECT_LE(off.manhattanLength(), 2) << off.x() << ", " << off.y();

    auto* lookup = part<QLineEdit>(*d, id_lookup_text);
    lookup->setText(QString(195, QChar(u'a')));
    lookup->setFocus();
    lookup->end(false);
    QApplication::clipboard()->setText(QStringLiteral("bbbb\U00020BB7cc"));
    QTest::keyClick(lookup, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(lookup->text(), QString(195, QChar(u'a')) + "bbbb");
    ASSERT_NE(d->cut_notice(), nullptr);
    EXPECT_TRUE(d->cut_notice()->isVisible());
    EXPECT_EQ(static_cast<QLabel*>(d->cut_notice())->text(),
              QString::fromUtf16(texts::lookup_text_cut));
}

// The candidate preview after a run of the sample whose candidates have comments, and
// after the next run, which has none.
TEST_F(dialog_test, preview_lists_every_candidate_renders_a_comment_and_follows_the_next_run) {
    for (const char* file : {"today.rb", "today.xml"})
        fs::copy_file(fs::path(SAMPLES_DIR) / file, plugins() / file);
    auto d = open();
    d->show();
    const auto run = [&](const QString& text) {
        part<QLineEdit>(*d, id_lookup_text)->setText(text);
        click_run(*d);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !d->run_in_progress(); }, 60000));
    };
    candidate_preview& preview = d->preview();
    EXPECT_FALSE(preview.link()->isVisible());
    run(QStringLiteral("きょう"));
    EXPECT_TRUE(preview.link()->isVisible());
    EXPECT_TRUE(preview.link()->text().contains(QStringLiteral(">候補 5 件（構文チェック ")));

    QTest::keyClick(part<QLineEdit>(*d, id_lookup_text), Qt::Key_P, Qt::ControlModifier);
    candidate_preview_window* window = preview.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QString::fromUtf16(texts::preview_title));
    // Every title the plug-in printed, in its order.
    const QString output = part<QPlainTextEdit>(*d, id_standard_output)->toPlainText();
    QStringList titles;
    for (const auto& match : QRegularExpression("<title>([^<]*)</title>").globalMatch(output))
        titles << match.captured(1);
    ASSERT_EQ(titles.size(), 5);
    ASSERT_EQ(window->list()->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i)
        EXPECT_EQ(window->list()->item(i)->text(),
                  QStringLiteral("%1. %2　［日付］").arg(i + 1).arg(titles[i]));

    // The comment as rich text: its heading is a heading, its <br /> a line break.
    window->list()->setCurrentRow(1);
    const QTextDocument& comment = *window->comment()->document();
    EXPECT_EQ(comment.begin().blockFormat().headingLevel(), 2);
    EXPECT_EQ(comment.begin().text(), titles[1]);
    const QString body = comment.begin().next().text();
    EXPECT_TRUE(body.startsWith(QStringLiteral("きょうの日付"))) << body.toStdString();
    EXPECT_TRUE(body.endsWith(QChar(QChar::LineSeparator) + QStringLiteral("形式: 西暦")))
        << body.toStdString();
    EXPECT_FALSE(comment.toPlainText().contains('<'));
    EXPECT_FALSE(window->note()->isVisible());
    EXPECT_TRUE(window->grab().save(QStringLiteral(PREVIEW_SCREENSHOT_PATH)));

    run(QStringLiteral("abc"));
    EXPECT_TRUE(preview.link()->text().contains(QStringLiteral(">候補 0 件（")));
    EXPECT_EQ(window->list()->count(), 0);
    EXPECT_TRUE(window->note()->isVisible());
    EXPECT_EQ(window->note()->text(), QString::fromUtf16(texts::no_candidates_in_document));

    // Escape closes it; a closed window stays closed through later runs.
    QTest::keyClick(window->list(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    run(QStringLiteral("きょう"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(d->isVisible());
}

// A comment is the plug-in's: rendering it reads no file and no data address, and one the
// product's parser refuses is shown as the text it is.
TEST_F(dialog_test, preview_loads_nothing_a_comment_names_and_shows_a_refused_one_as_text) {
    const QString red_path = QString::fromStdString((folder_.path() / "red.png").string());
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(red_path));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    red.save(&buffer, "PNG");
    const QString html =
        QStringLiteral(
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>a</p><img src=\"%1\" />"
            "<img src=\"data:image/png;base64,%2\" /><a href=\"%1\">link</a></body></html>")
            .arg(QUrl::fromLocalFile(red_path).toString(), QString::fromLatin1(png.toBase64()));
    const auto red_pixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == QColor(Qt::red);
        return count;
    };
    // A browser left as it comes draws both images: the check below can see them.
    QTextBrowser plain;
    plain.resize(300, 200);
    plain.setHtml(html);
    plain.show();
    EXPECT_GT(red_pixels(plain.viewport()->grab().toImage()), 2 * 30 * 30);

    QWidget owner;
    owner.resize(300, 150);
    candidate_preview_window window(&owner);
    std::vector<viewer_candidate> candidates{{u"a", html.toStdU16String(), {}, {}, {}, {}},
                                             {u"b", u"<p>unclosed", {}, {}, {}, {}}};
    window.show_content({candidates, {u"1. a", u"2. b"}, {}});
    window.show();
    EXPECT_EQ(red_pixels(window.comment()->viewport()->grab().toImage()), 0);

    window.list()->setCurrentRow(1);
    EXPECT_EQ(window.comment()->toPlainText(), "<p>unclosed");
    EXPECT_TRUE(window.note()->isVisible());
    EXPECT_EQ(window.note()->text(), QString::fromUtf16(texts::preview_comment_not_xml));
}

}  // namespace
