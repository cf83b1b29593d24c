#include "platform/child_termination.h"

#include <windows.h>
#include <tlhelp32.h>

#include <map>
#include <vector>

namespace platform {
namespace {

constexpr UINT forced_exit_code = 1;

// Parent of every running process, from one snapshot of the system.
std::multimap<DWORD, DWORD> children_by_parent() {
    std::multimap<DWORD, DWORD> children;
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return children;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry))
        children.emplace(entry.th32ParentProcessID, entry.th32ProcessID);
    ::CloseHandle(snapshot);
    return children;
}

}  // namespace

ULONGLONG creation_time(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Windows has no process groups: the children of this process and everything below them
// are ended, found through the parent each process records. A process older than the
// parent it names is not its child (it outlived an earlier process of that number). The
// code that started a child still waits for it and sees it ended with exit code 1.
void kill_child_processes() {
    const auto children = children_by_parent();
    struct ancestor {
        DWORD id;
        ULONGLONG created;
    };
    std::vector<ancestor> pending{{::GetCurrentProcessId(), creation_time(::GetCurrentProcess())}};
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const ancestor parent = pending[i];
        const auto range = children.equal_range(parent.id);
        for (auto it = range.first; it != range.second; ++it) {
            const HANDLE process = ::OpenProcess(
                PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, it->second);
            if (process == nullptr) continue;
            const ULONGLONG created = creation_time(process);
            if (created >= parent.created) {
                pending.push_back({it->second, created});
                ::TerminateProcess(process, forced_exit_code);
            }
            ::CloseHandle(process);
        }
    }
}

}  // namespace platform
