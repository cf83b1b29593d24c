#include "tests/app/win32_window_helpers.h"

#include <tlhelp32.h>
#include <wincodec.h>

#include <algorithm>
#include <thread>

namespace test_support {
namespace {

message_box_answerer* current_answerer = nullptr;

std::wstring class_name(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

struct child_scan {
    std::wstring text;
    int buttons = 0;
};

BOOL CALLBACK scan_child(HWND child, LPARAM data) {
    auto& scan = *reinterpret_cast<child_scan*>(data);
    const std::wstring kind = class_name(child);
    // The box itself may not be shown yet: the button's own style tells.
    if (_wcsicmp(kind.c_str(), L"Button") == 0 &&
        (::GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) != 0)
        ++scan.buttons;
    if (_wcsicmp(kind.c_str(), L"Static") == 0) {
        const std::wstring text = window_text(child);
        if (text.size() > scan.text.size()) scan.text = text;
    }
    return TRUE;
}

child_scan scan(HWND box) {
    child_scan result;
    ::EnumChildWindows(box, scan_child, reinterpret_cast<LPARAM>(&result));
    return result;
}

struct box_search {
    DWORD process;
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK match_box(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<box_search*>(data);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search.process && ::IsWindowVisible(window) &&
        window_text(window) == search.caption && !scan(window).text.empty()) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

template <class Release>
struct releasing {
    Release release;
    ~releasing() { release(); }
};

}  // namespace

bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::wstring window_text(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        std::max(0, ::GetWindowTextW(window, text.data(), static_cast<int>(text.size())))));
    return text;
}

message_box_answerer::message_box_answerer()
    : hook_(::SetWindowsHookExW(WH_CBT, hook, nullptr, ::GetCurrentThreadId())) {
    current_answerer = this;
}

message_box_answerer::~message_box_answerer() {
    ::UnhookWindowsHookEx(hook_);
    current_answerer = nullptr;
}

// A message box is a dialog with a text and no control 1002 (the debugger's Run button).
LRESULT CALLBACK message_box_answerer::hook(int code, WPARAM wparam, LPARAM lparam) {
    const auto window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && current_answerer != nullptr && class_name(window) == L"#32770" &&
        ::GetDlgItem(window, 1002) == nullptr) {
        const child_scan inside = scan(window);
        if (!inside.text.empty()) {
            RECT where{};
            ::GetWindowRect(window, &where);
            current_answerer->seen_.push_back(
                {window_text(window), inside.text, inside.buttons, where});
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

HWND find_message_box(DWORD process, const std::wstring& caption, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    box_search search{process, caption};
    while (search.found == nullptr && std::chrono::steady_clock::now() < end) {
        ::EnumWindows(match_box, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return search.found;
}

std::wstring message_box_text(HWND box) { return scan(box).text; }

namespace {

// When the process of that number was created; false when it is gone.
bool creation_time(DWORD process, ULONGLONG& created) {
    const HANDLE handle = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
    if (handle == nullptr) return false;
    FILETIME times[4];
    const bool known = ::GetProcessTimes(handle, &times[0], &times[1], &times[2], &times[3]);
    ::CloseHandle(handle);
    created = (ULONGLONG{times[0].dwHighDateTime} << 32) | times[0].dwLowDateTime;
    return known;
}

std::vector<PROCESSENTRY32W> running_processes() {
    std::vector<PROCESSENTRY32W> all;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return all;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry))
        all.push_back(entry);
    ::CloseHandle(snapshot);
    return all;
}

}  // namespace

// Found through the parent each process names. Process numbers are reused (quickly under
// Wine), so a process created before the one it names as parent is not its child: it
// outlived an earlier process of that number.
std::vector<process_entry> descendant_processes() {
    struct known {
        process_entry entry;
        ULONGLONG created;
    };
    std::vector<known> found(1);
    found[0].entry.id = ::GetCurrentProcessId();
    if (!creation_time(found[0].entry.id, found[0].created)) return {};
    const std::vector<PROCESSENTRY32W> all = running_processes();
    for (std::size_t i = 0; i < found.size(); ++i)
        for (const PROCESSENTRY32W& process : all) {
            known child{{process.th32ProcessID, process.th32ParentProcessID, process.szExeFile}, 0};
            if (process.th32ParentProcessID == found[i].entry.id &&
                process.th32ProcessID != found[i].entry.id &&
                std::none_of(found.begin(), found.end(),
                             [&](const known& k) { return k.entry.id == child.entry.id; }) &&
                creation_time(child.entry.id, child.created) && child.created >= found[i].created)
                found.push_back(child);
        }
    std::vector<process_entry> descendants;
    for (std::size_t i = 1; i < found.size(); ++i) descendants.push_back(found[i].entry);
    return descendants;
}

std::vector<DWORD> process_and_its_copy(const std::wstring& image) {
    const std::vector<process_entry> descendants = descendant_processes();
    const auto named = [&](const process_entry& p) {
        return _wcsicmp(p.image.c_str(), image.c_str()) == 0;
    };
    for (const process_entry& parent : descendants)
        for (const process_entry& child : descendants)
            if (named(parent) && named(child) && child.parent == parent.id)
                return {parent.id, child.id};
    return {};
}

process_watch::process_watch(const std::vector<DWORD>& ids) {
    for (const DWORD id : ids) {
        const HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, id);
        if (handle != nullptr) handles_.push_back(handle);
    }
}

process_watch::~process_watch() {
    for (const HANDLE handle : handles_) ::CloseHandle(handle);
}

bool process_watch::all_ended() const {
    return std::all_of(handles_.begin(), handles_.end(), [](HANDLE handle) {
        return ::WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    });
}

// Copied from the window's own surface, so that no other window covering it shows. (Its
// frame is there when the system, not a window manager, draws it.)
bool save_window_picture(HWND window, const std::wstring& path) {
    RECT frame;
    ::GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const HDC source = ::GetWindowDC(window);
    const HDC memory = ::CreateCompatibleDC(source);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(source, width, height);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    const bool copied = ::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(window, source);
    const releasing<std::function<void()>> bitmap_owner{[&] { ::DeleteObject(bitmap); }};
    if (!copied) return false;

    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return false;
    const releasing<std::function<void()>> com{[] { ::CoUninitialize(); }};
    IWICImagingFactory* factory = nullptr;
    IWICBitmap* picture = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* page = nullptr;
    const releasing<std::function<void()>> interfaces{[&] {
        for (IUnknown* held :
             std::initializer_list<IUnknown*>{page, encoder, stream, picture, factory})
            if (held != nullptr) held->Release();
    }};
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory,
                                        reinterpret_cast<void**>(&factory))) &&
           SUCCEEDED(
               factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &picture)) &&
           SUCCEEDED(factory->CreateStream(&stream)) &&
           SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
           SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(&page, nullptr)) &&
           SUCCEEDED(page->Initialize(nullptr)) &&
           SUCCEEDED(page->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
           SUCCEEDED(page->SetPixelFormat(&format)) &&
           SUCCEEDED(page->WriteSource(picture, nullptr)) && SUCCEEDED(page->Commit()) &&
           SUCCEEDED(encoder->Commit());
}

}  // namespace test_support
