#include "platform/known_folders.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/text_codec.h"

namespace platform {
namespace {

std::u16string from_wide(const wchar_t* text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text));
}

struct task_memory {
    PWSTR text = nullptr;
    ~task_memory() { ::CoTaskMemFree(text); }
};

using known_folder_function = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
using folder_path_function = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

template <class Function>
Function find_function(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

bool known_folder(known_folder_function lookup, REFKNOWNFOLDERID id, DWORD flags,
                  std::u16string& path) {
    task_memory found;
    if (lookup == nullptr || FAILED(lookup(id, flags, nullptr, &found.text)) ||
        found.text == nullptr || found.text[0] == L'\0')
        return false;
    path = from_wide(found.text);
    return true;
}

// Major version × 256 + minor version, as the version query reports it.
unsigned system_version() {
    static const unsigned version = [] {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!::GetVersionExW(&info)) return 0u;
        return static_cast<unsigned>(info.dwMajorVersion * 256 + info.dwMinorVersion);
    }();
    return version;
}

}  // namespace

std::string home_folder() {
    std::u16string wide;
    std::string path;
    if (!known_folder(&::SHGetKnownFolderPath, FOLDERID_Profile, 0, wide) ||
        !utf16_to_bytes(code_page::utf8, wide, path))
        return {};
    return path;
}

bool environment_variable(const char* name, std::u16string& value) {
    const std::string narrow(name);
    const std::wstring wide_name(narrow.begin(), narrow.end());
    std::wstring buffer(256, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), buffer.data(), size);
        if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
        if (length < size) {
            value.assign(buffer.begin(), buffer.begin() + length);
            return true;
        }
        buffer.resize(length);  // the size needed, terminator included
    }
}

// The classic limit of the file functions, less the terminating NUL.
std::size_t max_path_length() { return MAX_PATH - 1; }

std::u16string system_directory() {
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
}

bool is_nt_family() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    return ::GetVersionExW(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Looked up in the shell library the program already has loaded: systems before 6.0
// have no known folders.
bool local_app_data_low_folder(std::u16string& path) {
    if (system_version() < 0x0600) return false;
    const auto lookup = find_function<known_folder_function>(::GetModuleHandleW(L"shell32.dll"),
                                                             "SHGetKnownFolderPath");
    return known_folder(lookup, FOLDERID_LocalAppDataLow, 0, path);
}

bool application_data_folder(bool create, std::u16string& path) {
    return known_folder(&::SHGetKnownFolderPath, FOLDERID_RoamingAppData,
                        create ? static_cast<DWORD>(KF_FLAG_CREATE) : 0, path);
}

// The older shell-folder library, loaded from the system folder only and looked up once
// per process, whether it is found or not.
bool legacy_application_data_folder(std::u16string& path) {
    static const folder_path_function lookup = find_function<folder_path_function>(
        ::LoadLibraryExW(L"shfolder.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32),
        "SHGetFolderPathW");
    if (lookup == nullptr) return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    if (FAILED(lookup(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                      buffer)) ||
        buffer[0] == L'\0')
        return false;
    path = from_wide(buffer);
    return true;
}

}  // namespace platform
