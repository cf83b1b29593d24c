#include "platform/folder_watch.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>

namespace platform {
namespace {

// Names only: a file created, deleted or renamed, or its contents written.
constexpr DWORD notify_filter =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
// The most a change list may hold when the folder lies on a network share.
constexpr DWORD buffer_bytes = 64 * 1024;

DWORD remaining_ms(std::chrono::steady_clock::time_point deadline, int timeout_ms) {
    if (timeout_ms < 0) return INFINITE;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

// "C:/a/b/" → "C:/a/b": the folder's own name, which CreateFileW opens; a root keeps it.
std::wstring without_trailing_separator(const std::u16string& folder) {
    std::wstring path(folder.begin(), folder.end());
    while (path.size() > 3 && (path.back() == L'/' || path.back() == L'\\')) path.pop_back();
    return path;
}

}  // namespace

struct folder_watch::state {
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE done = nullptr;  // the overlapped read's event
    OVERLAPPED overlapped = {};
    std::unique_ptr<DWORD[]> buffer{new DWORD[buffer_bytes / sizeof(DWORD)]};
    std::vector<std::u16string> extensions;
    bool reading = false;
    bool gone = false;

    // Until the next read is asked for, the system keeps the changes in a buffer of its
    // own, so none made between two waits is lost.
    bool read_changes() {
        reading = ::ReadDirectoryChangesW(folder, buffer.get(), buffer_bytes, FALSE, notify_filter,
                                          nullptr, &overlapped, nullptr) != 0;
        return reading;
    }

    void take_names(DWORD bytes, std::vector<std::u16string>& names) const {
        const auto* at = reinterpret_cast<const BYTE*>(buffer.get());
        for (DWORD offset = 0; offset < bytes;) {
            const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at + offset);
            std::u16string name(reinterpret_cast<const char16_t*>(change->FileName),
                                change->FileNameLength / sizeof(WCHAR));
            if (is_watched_name(name, extensions) &&
                std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
            if (change->NextEntryOffset == 0) break;
            offset += change->NextEntryOffset;
        }
    }

    void close() {
        if (reading) {
            ::CancelIoEx(folder, &overlapped);
            DWORD ignored = 0;
            ::GetOverlappedResult(folder, &overlapped, &ignored, TRUE);
        }
        if (folder != INVALID_HANDLE_VALUE) ::CloseHandle(folder);
        if (done) ::CloseHandle(done);
    }
};

folder_watch::folder_watch(const std::u16string& folder, std::vector<std::u16string> extensions)
    : state_(new state) {
    state& s = *state_;
    s.extensions = std::move(extensions);
    s.folder =
        ::CreateFileW(without_trailing_separator(folder).c_str(), FILE_LIST_DIRECTORY,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    s.done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    s.overlapped.hEvent = s.done;
    if (s.folder == INVALID_HANDLE_VALUE || !s.done || !s.read_changes()) {
        s.close();
        throw std::runtime_error("platform::folder_watch::folder_watch() : failed");
    }
}

folder_watch::~folder_watch() { state_->close(); }

folder_watch::wait_result folder_watch::wait(std::vector<std::u16string>& names,
                                             const wake_up& wake, int timeout_ms) {
    names.clear();
    state& s = *state_;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    for (;;) {
        if (wake.raised()) return wait_result::woken;
        if (s.gone) return wait_result::gone;
        const HANDLE handles[] = {reinterpret_cast<HANDLE>(wake.native_handle()), s.done};
        const DWORD ready =
            ::WaitForMultipleObjects(2, handles, FALSE, remaining_ms(deadline, timeout_ms));
        if (ready == WAIT_TIMEOUT) return wait_result::timed_out;
        if (ready == WAIT_OBJECT_0) return wait_result::woken;
        if (ready != WAIT_OBJECT_0 + 1)
            throw std::runtime_error("platform::folder_watch::wait() : failed");
        DWORD bytes = 0;
        s.reading = false;
        const bool read = ::GetOverlappedResult(s.folder, &s.overlapped, &bytes, FALSE) != 0;
        // A full buffer ends the read with no changes listed (or ERROR_NOTIFY_ENUM_DIR):
        // the system lost count.
        const bool lost = read ? bytes == 0 : ::GetLastError() == ERROR_NOTIFY_ENUM_DIR;
        if (read) s.take_names(bytes, names);
        if ((!read && !lost) || !s.read_changes()) s.gone = true;
        if (wake.raised()) return wait_result::woken;
        if (!names.empty() || lost) return wait_result::changed;
    }
}

}  // namespace platform
