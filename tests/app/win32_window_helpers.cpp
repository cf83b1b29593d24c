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
    if (code == HCBT_ACTIVATE && current_answerer != nullptr &&
        class_name(window) == L"#32770" && ::GetDlgItem(window, 1002) == nullptr) {
        const child_scan inside = scan(window);
        if (!inside.text.empty()) {
            current_answerer->seen_.push_back({window_text(window), inside.text, inside.buttons});
            ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

HWND find_message_box(DWORD process, const std::wstring& caption,
                      std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    box_search search{process, caption};
    while (search.found == nullptr && std::chrono::steady_clock::now() < end) {
        ::EnumWindows(match_box, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return search.found;
}

std::wstring message_box_text(HWND box) { return scan(box).text; }

// Found through the parent each process names; a process older than that parent is
// not its child (it outlived an earlier process of that number).
std::vector<DWORD> descendant_processes() {
    std::vector<PROCESSENTRY32W> all;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return {};
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry))
        all.push_back(entry);
    ::CloseHandle(snapshot);
    std::vector<DWORD> found{::GetCurrentProcessId()};
    for (std::size_t i = 0; i < found.size(); ++i)
        for (const PROCESSENTRY32W& process : all)
            if (process.th32ParentProcessID == found[i] && process.th32ProcessID != found[i] &&
                std::find(found.begin(), found.end(), process.th32ProcessID) == found.end())
                found.push_back(process.th32ProcessID);
    found.erase(found.begin());
    return found;
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
        for (IUnknown* held : std::initializer_list<IUnknown*>{page, encoder, stream, picture, factory})
            if (held != nullptr) held->Release();
    }};
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory,
                                        reinterpret_cast<void**>(&factory))) &&
           SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha,
                                                      &picture)) &&
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
