// The Win32 dialog, driven from its own thread, and the program plugdebug.exe, with the
// stand-in ruby.exe (tests/support/stand_in_ruby_win32.cpp) as the interpreter.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/debugger_controller.h"
#include "app/debugger_texts.h"
#include "app/dialog_template.h"
#include "app/dialog_win32/candidate_preview_window.h"
#include "app/dialog_win32/resource.h"
#include "app/dialog_win32/vuro_direct_script_plugin_test_dlg.h"
#include "app/product_info.h"
#include "platform/executable_path.h"
#include "tests/app/win32_window_helpers.h"
#include "tests/support/environment.h"
#include "tests/support/scratch.h"
#include "utility/data_folder.h"
#include "utility/text_conversion.h"

// Rectangles compared and printed by the checks below.
inline bool operator==(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != 0; }
inline std::ostream& operator<<(std::ostream& out, const RECT& r) {
    return out << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
}

inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
inline std::ostream& operator<<(std::ostream& out, const SIZE& s) {
    return out << s.cx << "x" << s.cy;
}

namespace {

using namespace vuro_plugin;
using namespace std::chrono_literals;
using test_support::pump_until;
using test_support::window_text;
namespace fs = std::filesystem;
using dialog = Cvuro_direct_script_plugin_testDlg;

std::wstring wide(const char16_t* text) {
    return std::wstring(text, text + std::char_traits<char16_t>::length(text));
}

// The folder of this test program: the build's bin folder.
fs::path program_folder() {
    const std::u16string self = platform::executable_path();
    return fs::path(std::wstring(self.begin(), self.end())).parent_path();
}

HWND item(const dialog& d, control_id id) { return ::GetDlgItem(d.window(), id); }

int progress(const dialog& d) {
    return static_cast<int>(::SendMessageW(item(d, id_progress), PBM_GETPOS, 0, 0));
}

void click(const dialog& d, control_id id) { ::SendMessageW(item(d, id), BM_CLICK, 0, 0); }

// Where the dialog manager puts a control: position and size converted each on its own.
RECT in_dialog_units(HWND window, const dialog_rect& rect) {
    RECT pixels{rect.x, rect.y, rect.width, rect.height};
    ::MapDialogRect(window, &pixels);
    return {pixels.left, pixels.top, pixels.left + pixels.right, pixels.top + pixels.bottom};
}

// A border drawn by the control, or turned by it into an edge of its own.
bool has_border(HWND control) {
    return (::GetWindowLongPtrW(control, GWL_STYLE) & WS_BORDER) != 0 ||
           (::GetWindowLongPtrW(control, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE)) != 0;
}

RECT client_rect_of(HWND control) {
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class dialog_win32_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
    }
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\plugdebug");  // no size remembered
        fs::create_directories(plugins());
        const std::u16string product = utility::product_data_folder();
        fs::create_directories(fs::path(std::wstring(product.begin(), product.end())));
    }
    fs::path plugins() const { return folder_.path() / "plugin"; }
    static fs::path data_folder() {
        const std::u16string product = utility::product_data_folder();
        return fs::path(std::wstring(product.begin(), product.end())) / "VURODIRECT";
    }
    // The data folder is the Wine prefix's, shared with the other test programs that run
    // bridges (never at the same time: ctest's lock wine_data_folder); the preference
    // folders they make stay.
    static void expect_no_bridge_file() {
        for (const auto& left : fs::directory_iterator(data_folder()))
            EXPECT_FALSE(left.is_regular_file()) << left.path().filename().string();
    }
    void add_plugin(const std::string& name, const std::string& text) const {
        std::ofstream(plugins() / name) << text;
    }
    std::unique_ptr<dialog> open() const {
        const std::wstring path = plugins().wstring() + L"\\";
        auto d = std::make_unique<dialog>(std::u16string(path.begin(), path.end()),
                                          controller_options{});
        EXPECT_NE(d->Create(), nullptr);
        return d;
    }

    test_support::scratch_folder folder_;
    // The stand-in is the only ruby.exe on the search path.
    test_support::scoped_environment path_{
        "PATH", (program_folder() / "stand-in").string() + ";" + std::getenv("PATH")};
};

TEST_F(dialog_win32_test, empty_folder_says_so_at_start_and_refresh_finds_a_new_file) {
    test_support::message_box_answerer answerer;
    auto d = open();
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, wide(texts::no_plugin_found));
    EXPECT_EQ(answerer.seen()[0].caption, L"dialog_tests");
    EXPECT_EQ(answerer.seen()[0].buttons, 1);
    EXPECT_FALSE(::IsWindowEnabled(item(*d, id_run)));
    EXPECT_TRUE(::IsWindowEnabled(item(*d, id_refresh)));

    add_plugin("a.rb", "#\n");
    add_plugin("日本語.py", "#\n");
    click(*d, id_refresh);
    EXPECT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(::SendMessageW(item(*d, id_plugin_list), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(item(*d, id_plugin_list), CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(::IsWindowEnabled(item(*d, id_run)));
}

TEST_F(dialog_win32_test, window_and_controls_follow_template_102) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    const HWND window = d->window();
    EXPECT_EQ(window_text(window), wide(texts::dialog_title));
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    for (LONG_PTR bit : std::initializer_list<LONG_PTR>{WS_POPUP, WS_CAPTION, WS_SYSMENU,
                                                        WS_MINIMIZEBOX, DS_MODALFRAME})
        EXPECT_EQ(style & bit, bit) << std::hex << bit;
    EXPECT_EQ(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW, WS_EX_APPWINDOW);
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client, in_dialog_units(window, {0, 0, dialog_width_units, dialog_height_units}));
    LOGFONTW font{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font,
                 &font);
    EXPECT_STREQ(font.lfFaceName, L"MS UI Gothic");

    // Each control of the template, in template order, where the template puts it. (The
    // progress bar of the visual styles draws its own frame in place of the border.)
    const struct {
        control_kind kind;
        const wchar_t* window_class;
        LONG_PTR styles;
        bool border;
    } kinds[] = {
        {control_kind::label, WC_STATICW, WS_GROUP, false},
        {control_kind::hint, WC_STATICW, WS_GROUP, false},
        {control_kind::group_box, WC_BUTTONW, BS_GROUPBOX, false},
        {control_kind::combo_box, WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_TABSTOP, false},
        {control_kind::push_button, WC_BUTTONW, WS_TABSTOP, false},
        {control_kind::default_button, WC_BUTTONW, BS_DEFPUSHBUTTON | WS_TABSTOP, false},
        {control_kind::line_edit, WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, true},
        {control_kind::progress_bar, PROGRESS_CLASSW, 0, true},
        {control_kind::output_box, WC_EDITW,
         WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_NOHIDESEL | WS_TABSTOP, true},
    };
    HWND child = ::GetWindow(window, GW_CHILD);
    for (const template_control& control : dialog_template()) {
        ASSERT_NE(child, nullptr);
        const int id = control.id == id_none ? -1 : control.id;
        SCOPED_TRACE(id);
        EXPECT_EQ(::GetDlgCtrlID(child), id);
        const auto& kind = *std::find_if(std::begin(kinds), std::end(kinds),
                                         [&](const auto& k) { return k.kind == control.kind; });
        wchar_t name[64];
        ::GetClassNameW(child, name, 64);
        EXPECT_EQ(_wcsicmp(name, kind.window_class), 0) << name;
        EXPECT_EQ(::GetWindowLongPtrW(child, GWL_STYLE) & kind.styles, kind.styles);
        if (kind.kind != control_kind::progress_bar) {
            EXPECT_EQ(has_border(child), kind.border);
        }
        if (*control.caption && control.id != id_hint) {
            EXPECT_EQ(window_text(child), wide(control.caption));
        }
        RECT expected = in_dialog_units(window, control.rect);
        if (control.kind == control_kind::combo_box) {
            // The closed list is as high as the system makes it; the open one takes the
            // template's height (Wine leaves the closed part out of it).
            const RECT closed = client_rect_of(child);
            RECT dropped;
            ::SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&dropped), 2);
            EXPECT_EQ(dropped.top, expected.top);
            EXPECT_TRUE(dropped.bottom == expected.bottom ||
                        dropped.bottom == expected.bottom - (closed.bottom - closed.top))
                << dropped;
            expected.bottom = expected.top + (closed.bottom - closed.top);
        }
        EXPECT_EQ(client_rect_of(child), expected);
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    // After them only the candidate preview's link, hidden until a run.
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(::GetDlgCtrlID(child), IDC_PREVIEW_LINK);
    EXPECT_FALSE(::IsWindowVisible(child));
    EXPECT_EQ(::GetWindow(child, GW_HWNDNEXT), nullptr);
    EXPECT_EQ(window_text(item(*d, id_hint)), wide(texts::folder_hint));

    // Tab order: the list first (it has the focus), then the template's order, round.
    EXPECT_EQ(::GetFocus(), item(*d, id_plugin_list));
    HWND stop = item(*d, id_plugin_list);
    for (control_id next : {id_refresh, id_lookup_text, id_run, id_standard_output,
                            id_standard_error, id_plugin_list}) {
        stop = ::GetNextDlgTabItem(window, stop, FALSE);
        EXPECT_EQ(::GetDlgCtrlID(stop), next);
    }

    // Icon 128 in both sizes; the one dragged is the large one.
    const auto big = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    const auto small = reinterpret_cast<HICON>(::SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    for (auto [icon, size] : {std::pair{big, ::GetSystemMetrics(SM_CXICON)},
                              std::pair{small, ::GetSystemMetrics(SM_CXSMICON)}}) {
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP colour{};
        ::GetObjectW(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(colour.bmWidth, size);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    EXPECT_EQ(::SendMessageW(window, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(big));
}

TEST_F(dialog_win32_test, drop_down_widens_for_a_long_name_and_never_narrows) {
    const std::string long_name = std::string(60, 'w') + ".rb";
    add_plugin(long_name, "#\n");
    auto d = open();
    const HWND list = item(*d, id_plugin_list);
    const auto dropped = [&] { return ::SendMessageW(list, CB_GETDROPPEDWIDTH, 0, 0); };
    const LRESULT widened = dropped();
    const HDC context = ::GetDC(list);
    ::SelectObject(context, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE text{};
    ::GetTextExtentPoint32A(context, long_name.c_str(), static_cast<int>(long_name.size()), &text);
    ::ReleaseDC(list, context);
    EXPECT_GT(widened, client_rect_of(list).right - client_rect_of(list).left);
    EXPECT_GT(widened,
              text.cx + 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL));

    fs::remove(plugins() / long_name);
    add_plugin("a.py", "#\n");
    click(*d, id_refresh);
    EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(dropped(), widened);
}

TEST_F(dialog_win32_test, run_fills_both_boxes_and_ends_at_100) {
    add_plugin("today.rb", "#\n");
    auto d = open();
    ::SetWindowTextW(item(*d, id_lookup_text), L"きょう");
    click(*d, id_run);
    ASSERT_TRUE(pump_until([&] { return !d->run_in_progress(); }));

    const std::wstring output = window_text(item(*d, id_standard_output));
    EXPECT_EQ(output.rfind(L"syntax ok\r\n<?xml version=\"1.0\"", 0), 0u) << output;
    EXPECT_NE(output.find(L"<itemlist>\r\n\t<item type=\"script_candidate\">\r\n"
                          L"\t\t<title>きょう</title>\r\n"),
              std::wstring::npos)
        << output;
    EXPECT_EQ(window_text(item(*d, id_standard_error)), L"run_process きょう\r\n\r\n");
    EXPECT_EQ(progress(*d), 100);
    EXPECT_TRUE(::IsWindowEnabled(item(*d, id_run)));
    EXPECT_TRUE(::IsWindowEnabled(item(*d, id_refresh)));
    ::UpdateWindow(d->window());
    EXPECT_TRUE(test_support::save_window_picture(
        d->window(), (program_folder().parent_path() / "dialog-after-run.png").wstring()));
}

std::wstring list_row(HWND list, int row) {
    std::wstring text(static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXTLEN, row, 0)), L'\0');
    ::SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
    return text;
}

// The stand-in answers with three candidates with comments; the next run follows.
TEST_F(dialog_win32_test, preview_lists_the_titles_shows_a_comment_as_text_and_follows_runs) {
    add_plugin("today.rb", "comments\n");
    auto d = open();
    const auto run = [&](const wchar_t* text) {
        ::SetWindowTextW(item(*d, id_lookup_text), text);
        click(*d, id_run);
        ASSERT_TRUE(pump_until([&] { return !d->run_in_progress(); }));
    };
    run(L"きょう");
    const HWND link = d->preview()->link();
    EXPECT_TRUE(::IsWindowVisible(link));
    // Ctrl+P in the 表記 box opens the window; closed with Escape, the link opens it again.
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::PostMessageW(item(*d, id_lookup_text), WM_KEYDOWN, 'P', 0);
    ASSERT_TRUE(pump_until([&] { return d->preview()->window() != nullptr; }, 30s));
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    const HWND window = d->preview()->window();
    EXPECT_TRUE(::IsWindowVisible(window));
    ::PostMessageW(::GetDlgItem(window, IDC_PREVIEW_LIST), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(pump_until([&] { return !::IsWindowVisible(window); }, 30s));
    NMHDR click{link, IDC_PREVIEW_LINK, NM_CLICK};
    ::SendMessageW(d->window(), WM_NOTIFY, IDC_PREVIEW_LINK, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(d->preview()->window(), window);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(window_text(window), wide(texts::preview_title));
    const HWND list = ::GetDlgItem(window, IDC_PREVIEW_LIST);
    ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(list_row(list, row),
                  std::to_wstring(row + 1) + L". きょう " + std::to_wstring(row + 1));
    EXPECT_EQ(window_text(::GetDlgItem(window, IDC_PREVIEW_COMMENT)),
              L"きょう 1\r\n説明 1\r\n<tag>");

    ::SendMessageW(list, LB_SETCURSEL, 2, 0);
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW_LIST, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(window_text(::GetDlgItem(window, IDC_PREVIEW_COMMENT)),
              L"きょう 3\r\n説明 3\r\n<tag>");
    ::UpdateWindow(window);
    EXPECT_TRUE(test_support::save_window_picture(
        window, (program_folder().parent_path() / "candidate-preview.png").wstring()));

    run(L"あした");
    ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(list_row(list, 2), L"3. あした 3");
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), 2);  // the selected row stays
}

TEST_F(dialog_win32_test, window_keeps_working_during_a_run_and_closing_it_ends_the_run) {
    add_plugin("slow.rb", "sleep 30000\n");
    auto d = open();
    ::SetWindowTextW(item(*d, id_lookup_text), L"x");
    auto clock = std::chrono::steady_clock::now();
    click(*d, id_run);
    EXPECT_LT(std::chrono::steady_clock::now() - clock, 5s);  // the click does not wait
    ASSERT_TRUE(pump_until([&] { return progress(*d) == 60; }));
    // The stand-in runs the plug-in and a sleeping copy of itself.
    std::vector<DWORD> interpreters;
    ASSERT_TRUE(pump_until([&] {
        interpreters = test_support::process_and_its_copy(L"ruby.exe");
        return !interpreters.empty();
    }));
    const test_support::process_watch watch(interpreters);
    EXPECT_FALSE(::IsWindowEnabled(item(*d, id_run)));
    EXPECT_FALSE(::IsWindowEnabled(item(*d, id_refresh)));
    EXPECT_TRUE(d->run_in_progress());

    clock = std::chrono::steady_clock::now();
    ::SendMessageW(d->window(), WM_CLOSE, 0, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - clock, 15s);
    EXPECT_EQ(d->window(), nullptr);
    EXPECT_FALSE(d->run_in_progress());
    EXPECT_TRUE(pump_until([&] { return watch.all_ended(); }, 10s));
    expect_no_bridge_file();
}

// A run whose stand-in interpreter hangs, with a copy of itself, after a line on each
// stream; both say their process ids.
class hanging_run_win32 : public dialog_win32_test {
protected:
    void SetUp() override {
        dialog_win32_test::SetUp();
        add_plugin("slow.rb", "sleep 30000\n");
    }
    // Starts the run; the ids of the interpreter and its copy once they hang.
    std::vector<DWORD> start_run(dialog& d) {
        ::SetWindowTextW(item(d, id_lookup_text), L"x");
        click(d, id_run);
        std::vector<DWORD> ids;
        EXPECT_TRUE(pump_until([&] {
            std::ifstream marker(marker_);
            DWORD own = 0, copy = 0;
            if (!(marker >> own >> copy)) return false;
            ids = {own, copy};
            return true;
        }));
        return ids;
    }
    // Both processes end (waited for by id) and no bridge file is left.
    void expect_nothing_left(const std::vector<DWORD>& ids) const {
        for (const DWORD id : ids) {
            const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
            if (process == nullptr) continue;  // gone already
            EXPECT_EQ(::WaitForSingleObject(process, 30000), WAIT_OBJECT_0) << id;
            ::CloseHandle(process);
        }
        expect_no_bridge_file();
    }

    void TearDown() override {
        for (const auto& box : answerer_.seen()) ADD_FAILURE() << "message: " << narrow(box.text);
    }
    static std::string narrow(const std::wstring& text) {
        return utility::utf16_to_utf8(std::u16string(text.begin(), text.end()));
    }

    const fs::path marker_ = folder_.path() / "ids";
    test_support::scoped_environment marker_variable_{"STAND_IN_MARKER", marker_.string()};
    test_support::message_box_answerer answerer_;  // no run of these shows a message
};

TEST_F(hanging_run_win32, escape_stops_the_run_and_keeps_the_window) {
    auto d = open();
    const std::wstring title = wide(texts::dialog_title);
    const std::vector<DWORD> ids = start_run(*d);
    EXPECT_EQ(window_text(d->window()), title + wide(texts::run_going_title_suffix));

    // What the dialog manager makes of Escape.
    ::SendMessageW(d->window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(pump_until([&] { return !d->run_in_progress(); }));
    EXPECT_TRUE(::IsWindow(d->window()));
    expect_nothing_left(ids);
    EXPECT_EQ(window_text(item(*d, id_standard_output)), L"syntax ok\r\nbefore\r\n\r\n");
    EXPECT_EQ(window_text(item(*d, id_standard_error)),
              L"error before\r\n\r\n" + wide(texts::run_stopped) + L"\r\n");
    EXPECT_EQ(progress(*d), 0);
    EXPECT_TRUE(::IsWindowEnabled(item(*d, id_run)));
    EXPECT_TRUE(::IsWindowEnabled(item(*d, id_refresh)));
    EXPECT_EQ(window_text(d->window()), title);

    // With no run going, Escape closes the dialog as ever.
    ::SendMessageW(d->window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(d->window(), nullptr);
}

TEST_F(hanging_run_win32, closing_or_the_session_ending_ends_the_run_and_leaves_nothing) {
    const struct {
        const char* name;
        UINT message;
        WPARAM wparam;
    } cases[] = {{"close box", WM_CLOSE, 0}, {"session ends", WM_ENDSESSION, TRUE}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(marker_);
        auto d = open();
        const std::vector<DWORD> ids = start_run(*d);
        ::SendMessageW(d->window(), c.message, c.wparam, 0);
        EXPECT_EQ(d->window(), nullptr);
        EXPECT_FALSE(d->run_in_progress());
        expect_nothing_left(ids);
    }
}

// The program itself: its resources, its start with an empty plug-in folder, its end.
class dialog_program_test : public dialog_win32_test {
protected:
    void SetUp() override {
        dialog_win32_test::SetUp();
        for (const char* file : {"plugdebug.exe", "VURO_PLUGIN_MESSAGE.dll"})
            fs::copy_file(program_folder() / file, folder_.path() / file);
    }
    fs::path program() const { return folder_.path() / "plugdebug.exe"; }
};

TEST_F(dialog_program_test, opens_with_the_empty_folder_message_and_ends_when_closed) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring command = L"\"" + program().wstring() + L"\"";
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &started));
    ::CloseHandle(started.hThread);
    const HWND box = test_support::find_message_box(started.dwProcessId, L"plugdebug", 60s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test_support::message_box_text(box), wide(texts::no_plugin_found));
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    HWND window = nullptr;
    ASSERT_TRUE(pump_until([&] {
        window = ::FindWindowW(L"#32770", wide(texts::dialog_title).c_str());
        return window != nullptr && ::IsWindowEnabled(window);
    }));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, id_run)));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, id_refresh)));
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(started.hProcess, &code);
    EXPECT_EQ(code, 0u);
    ::CloseHandle(started.hProcess);
}

TEST_F(dialog_program_test, carries_its_version_block_and_manifest) {
    const std::wstring path = program().wstring();
    std::vector<char> block(::GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(
        ::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    const auto value = [&](const wchar_t* name) -> std::wstring {
        void* text = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\041103a4\\") + name;
        if (!::VerQueryValueW(block.data(), key.c_str(), &text, &length)) return L"(none)";
        return static_cast<const wchar_t*>(text);
    };
    const std::string version = product::version;
    EXPECT_EQ(value(L"FileVersion"), std::wstring(version.begin(), version.end()));
    EXPECT_EQ(value(L"ProductVersion"), std::wstring(version.begin(), version.end()));
    const std::wstring description = value(L"FileDescription");
    EXPECT_EQ(utility::utf16_to_utf8(std::u16string(description.begin(), description.end())),
              product::description);
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], 0x411);  // Japanese
    EXPECT_EQ(translation[1], 932);

    const HMODULE image = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    const HRSRC found = ::FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(
        static_cast<const char*>(::LockResource(::LoadResource(image, found))),
        ::SizeofResource(image, found));
    ::FreeLibrary(image);
#ifdef _WIN64
    const char* architecture = "processorArchitecture=\"amd64\"";
#else
    const char* architecture = "processorArchitecture=\"x86\"";
#endif
    for (const char* part : {"name=\"Halvane.VURO.VURODSD\"",
                             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             architecture, "level=\"asInvoker\" uiAccess=\"false\""})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

SIZE size_of(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

RECT window_rect(HWND window) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    return rect;
}

SIZE client_size(HWND window) {
    RECT rect;
    ::GetClientRect(window, &rect);
    return size_of(rect);
}

void resize(HWND window, SIZE size) {
    ::SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
}

// The geometry rule itself is tested in dialog_layout_test.cpp; here, that the window
// follows it.
TEST_F(dialog_win32_test, resizing_grows_the_output_boxes_only_and_the_template_size_is_the_least) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    const HWND window = d->window();
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), WS_THICKFRAME | WS_MAXIMIZEBOX);
    const SIZE least = size_of(window_rect(window));
    std::vector<std::pair<HWND, RECT>> before;
    for (HWND c = ::GetWindow(window, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT))
        before.emplace_back(c, client_rect_of(c));
    const HWND output = item(*d, id_standard_output);
    const HWND error = item(*d, id_standard_error);
    const HWND error_label = ::GetWindow(error, GW_HWNDPREV);
    EXPECT_EQ(window_text(error_label), wide(texts::error_label));

    resize(window, {least.cx + 100, least.cy + 61});
    for (const auto& [control, was] : before) {
        const RECT now = client_rect_of(control);
        SCOPED_TRACE(::GetDlgCtrlID(control));
        if (control == output) {
            EXPECT_EQ(now, (RECT{was.left, was.top, was.right + 100, was.bottom + 30}));
        } else if (control == error_label) {
            EXPECT_EQ(now, (RECT{was.left, was.top + 30, was.right, was.bottom + 30}));
        } else if (control == error) {
            EXPECT_EQ(now, (RECT{was.left, was.top + 30, was.right + 100, was.bottom + 61}));
        } else {
            EXPECT_EQ(now, was);
        }
    }

    resize(window, {100, 50});
    EXPECT_EQ(size_of(window_rect(window)), least);
    for (const auto& [control, was] : before) EXPECT_EQ(client_rect_of(control), was);
}

TEST_F(dialog_win32_test, size_is_remembered_per_user) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    const SIZE least = size_of(window_rect(d->window()));
    resize(d->window(), {least.cx + 123, least.cy + 45});
    const SIZE bigger = client_size(d->window());
    d.reset();
    d = open();
    EXPECT_EQ(client_size(d->window()), bigger);
    ::ShowWindow(d->window(), SW_MAXIMIZE);
    d.reset();
    d = open();
    EXPECT_TRUE(::IsZoomed(d->window()));
    ::ShowWindow(d->window(), SW_RESTORE);
    EXPECT_EQ(client_size(d->window()), bigger);
}

// Holds the given keys down as far as this thread's controls can tell.
void hold_keys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (const int key : keys) state[key] = 0x80;
    ::SetKeyboardState(state);
}

TEST_F(dialog_win32_test, output_boxes_select_from_the_keyboard) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    const HWND box = item(*d, id_standard_output);
    ::SetWindowTextW(box, L"syntax ok\r\n<itemlist/>");
    ::SetFocus(box);
    const auto key = [&](std::initializer_list<int> held, UINT message, WPARAM code) {
        hold_keys(held);
        ::SendMessageW(box, message, code, 0);
        hold_keys({});
    };
    const auto selection = [&] {
        DWORD start = 0, end = 0;
        ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                       reinterpret_cast<LPARAM>(&end));
        return std::pair{start, end};
    };
    // Shift with the arrows is the edit control's own; Ctrl+A is the dialog's.
    key({VK_CONTROL}, WM_KEYDOWN, VK_HOME);
    for (int i = 0; i < 6; ++i) key({VK_SHIFT}, WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(selection(), (std::pair<DWORD, DWORD>{0, 6}));
    key({VK_CONTROL}, WM_CHAR, 0x01);  // Ctrl+A
    EXPECT_EQ(selection(), (std::pair<DWORD, DWORD>{0, 22}));
    EXPECT_EQ(window_text(box), L"syntax ok\r\n<itemlist/>");
}

void set_clipboard(HWND owner, const std::wstring& text) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy(text.c_str(), text.c_str() + text.size() + 1,
              static_cast<wchar_t*>(::GlobalLock(memory)));
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
}

TEST_F(dialog_win32_test, message_boxes_stand_over_the_dialog_and_a_cut_paste_says_so) {
    add_plugin("a.rb", "#\n");
    auto d = open();
    test_support::message_box_answerer answerer;
    ::SetWindowPos(d->window(), nullptr, 5, 7, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    click(*d, id_run);  // nothing to look up: a message
    ASSERT_TRUE(pump_until([&] { return !answerer.seen().empty(); }, 30s));
    const RECT box = answerer.seen()[0].where, dialog = window_rect(d->window());
    EXPECT_LE(std::abs((box.left + box.right) - (dialog.left + dialog.right)), 2) << box;
    EXPECT_LE(std::abs((box.top + box.bottom) - (dialog.top + dialog.bottom)), 2) << box;

    const HWND lookup = item(*d, id_lookup_text);
    ::SetWindowTextW(lookup, std::wstring(195, L'a').c_str());
    ::SendMessageW(lookup, EM_SETSEL, 195, 195);
    EXPECT_EQ(d->cut_notice(), nullptr);
    set_clipboard(d->window(), L"bbbb\U00020BB7cc");
    ::SendMessageW(lookup, WM_PASTE, 0, 0);
    EXPECT_EQ(window_text(lookup), std::wstring(195, L'a') + L"bbbb");
    ASSERT_NE(d->cut_notice(), nullptr);
    EXPECT_TRUE(::IsWindowVisible(d->cut_notice()));
    wchar_t shown[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = d->window();
    tool.uId = reinterpret_cast<UINT_PTR>(lookup);
    tool.lpszText = shown;
    ::SendMessageW(d->cut_notice(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(shown), wide(texts::lookup_text_cut));
}

}  // namespace
