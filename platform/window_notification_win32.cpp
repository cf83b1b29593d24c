#include "platform/window_notification.h"

#include <windows.h>

#include <string>

namespace platform {
namespace {

using message_filter_function = BOOL(WINAPI*)(UINT, DWORD);

// Lets processes of lower integrity post the message to windows of this process (the
// host's palette window when the library lives in the host). Systems before 6.0 have no
// such filter; a failure changes nothing that matters here.
void allow_from_lower_integrity(UINT message) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExW(&info) || info.dwMajorVersion * 256 + info.dwMinorVersion < 0x0600) return;
    const auto change = reinterpret_cast<message_filter_function>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilter")));
    if (change != nullptr) change(message, MSGFLT_ADD);
}

// A window handle travels as its low 32 bits; the system sign-extends handles.
HWND window_of(std::uint32_t window) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}

}  // namespace

std::uint32_t register_window_message(const char* name) {
    const std::string narrow(name);
    const std::wstring wide(narrow.begin(), narrow.end());
    const UINT message = ::RegisterWindowMessageW(wide.c_str());
    if (message != 0) allow_from_lower_integrity(message);
    return message;
}

// 0 would post to this thread's own queue and 0xFFFF (HWND_BROADCAST) to every
// top-level window of the desktop: neither is a palette window.
bool post_window_message(std::uint32_t window, std::uint32_t message, long wparam, long lparam) {
    if (window == 0 || window_of(window) == HWND_BROADCAST || message == 0) return false;
    return ::PostMessageW(window_of(window), message, static_cast<WPARAM>(wparam),
                          static_cast<LPARAM>(lparam)) != FALSE;
}

}  // namespace platform
