#pragma once
// Helpers for the tests of the Win32 dialog: driving a window from its own thread,
// answering message boxes, watching processes, saving a picture of a window.
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

// Dispatches this thread's messages until `done` holds or `limit` has passed; returns
// whether `done` held.
bool pump_until(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(60));

std::wstring window_text(HWND window);

// A message box as the user sees it.
struct seen_message_box {
    std::wstring caption, text;
    int buttons;  // push buttons not hidden
    RECT where;   // on the screen, once the box is about to show
};

// While it lives, every message box this thread opens is noted and answered with OK.
class message_box_answerer {
public:
    message_box_answerer();
    ~message_box_answerer();
    message_box_answerer(const message_box_answerer&) = delete;
    message_box_answerer& operator=(const message_box_answerer&) = delete;

    const std::vector<seen_message_box>& seen() const { return seen_; }

private:
    static LRESULT CALLBACK hook(int code, WPARAM wparam, LPARAM lparam);
    HHOOK hook_;
    std::vector<seen_message_box> seen_;
};

// The message box an other process shows: the first top-level window of `process` with
// the caption `caption` and a message text, waited for at most `limit`.
HWND find_message_box(DWORD process, const std::wstring& caption, std::chrono::milliseconds limit);
std::wstring message_box_text(HWND box);

// A running process as the system lists it.
struct process_entry {
    DWORD id, parent;
    std::wstring image;  // the program's file name, "ruby.exe"
};

// The processes this process started, and those they started, still running. The system
// may start processes of its own on behalf of this one (a console host, the desktop
// process), so look for the ones wanted by name rather than count them all.
std::vector<process_entry> descendant_processes();

// A descendant named `image` with a child of the same name (the stand-in interpreter and
// the sleeping copy of itself it starts): their ids, parent first, or none yet.
std::vector<DWORD> process_and_its_copy(const std::wstring& image);

// Processes held open from when they were found, so that a later process given one of
// their numbers is never taken for them.
class process_watch {
public:
    explicit process_watch(const std::vector<DWORD>& ids);
    ~process_watch();
    process_watch(const process_watch&) = delete;
    process_watch& operator=(const process_watch&) = delete;

    bool all_ended() const;

private:
    std::vector<HANDLE> handles_;
};

// Writes what `window` shows, frame included, as a PNG file.
bool save_window_picture(HWND window, const std::wstring& path);

}  // namespace test_support
