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

// Windows has no process groups: the children of this process and everything below them
// are ended, found through the parent each process records. The code that started a
// child still waits for it and sees it ended with exit code 1.
void kill_child_processes() {
    const auto children = children_by_parent();
    std::vector<DWORD> pending{::GetCurrentProcessId()};
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const auto range = children.equal_range(pending[i]);
        for (auto it = range.first; it != range.second; ++it) {
            pending.push_back(it->second);
            const HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, it->second);
            if (process == nullptr) continue;
            ::TerminateProcess(process, forced_exit_code);
            ::CloseHandle(process);
        }
    }
}

}  // namespace platform
