#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QAbstractItemView>
#include <algorithm>
#include <filesystem>
#include <map>
#include <fstream>

#include "app/debugger_controller.h"
#include "app/debugger_texts.h"
#include "app/dialog/vuro_direct_script_plugin_test_dlg.h"
#include "tests/support/child_probe.h"
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
    };
    message_boxes() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            seen_.push_back({box->windowTitle(), box->text(), box->standardButtons()});
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
        fs::create_directories(plugins());
        fs::create_directories(data_home() / "Halvane" / "Vuro");
    }
    fs::path plugins() const { return folder_.path() / "plugin"; }
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

TEST_F(dialog_test, window_keeps_painting_during_a_run_and_closing_it_ends_the_run) {
    add_plugin("slow.rb",
               "module Vuro_plugin\n  def run_process(request)\n    sleep 30\n"
               "    {}\n  end\nend\n");
    auto d = open();
    d->show();
    part<QLineEdit>(*d, id_lookup_text)->setText(QStringLiteral("x"));
    QElapsedTimer clock;
    qint64 last_tick = 0, longest_gap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest_gap = std::max(longest_gap, clock.elapsed() - last_tick);
        last_tick = clock.elapsed();
    });
    clock.start();
    ticker.start(20);
    click_run(*d);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return part<QProgressBar>(*d, id_progress)->value() == 60; }, 30000));
    QTest::qWait(1500);  // the plug-in sleeps; the window must not
    EXPECT_LT(longest_gap, 1000);
    EXPECT_FALSE(part<QPushButton>(*d, id_run)->isEnabled());
    EXPECT_FALSE(part<QPushButton>(*d, id_refresh)->isEnabled());
    EXPECT_TRUE(d->run_in_progress());

    clock.restart();
    d->reject();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(d->run_in_progress());
    EXPECT_FALSE(test_support::has_child_processes());
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(data_folder())) left.push_back(entry.path());
    EXPECT_TRUE(left.empty()) << left.front();
}

}  // namespace
