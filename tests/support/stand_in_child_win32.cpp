// A child program for the Windows runner tests, in place of the interpreters. It runs
// its arguments as a list of steps, in order:
//   args              write the number of the remaining arguments and each in [brackets]
//                     to standard output, and end
//   out TEXT          write TEXT to standard output (err TEXT: to standard error)
//   out-bytes N       write N bytes "x" to standard output (err-bytes N: to standard error)
//   sleep MS          sleep MS milliseconds
//   grandchild MS     start this program with "sleep MS", inheriting the output streams,
//                     and write its process id to standard output
//   read-input        read standard input to its end and write "read=<bytes>"
//   cwd               write the current folder
//   close-output      close both output streams
//   crash             fault on a null pointer
//   mark PATH         create an empty file at PATH
//   exit CODE         end with CODE (the default end is code 0)
// A word ending in ".skip" or holding a "%" is passed over, so that the runner's bridge
// file and form-encoded plug-in path can lead the list when the program stands in for an
// interpreter.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

void write(DWORD stream, const std::string& bytes) {
    const HANDLE output = ::GetStdHandle(stream);
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!::WriteFile(output, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                         &written, nullptr))
            return;
        done += written;
    }
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          length, nullptr, nullptr);
    return bytes;
}

void write_bytes(DWORD stream, unsigned long long count) {
    const std::string block(1 << 16, 'x');
    while (count > 0) {
        const auto piece =
            static_cast<std::size_t>(std::min<unsigned long long>(count, block.size()));
        write(stream, block.substr(0, piece));
        count -= piece;
    }
}

void start_grandchild(const std::wstring& milliseconds) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" sleep " + milliseconds;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &started))
        std::exit(90);
    write(STD_OUTPUT_HANDLE, std::to_string(started.dwProcessId));
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
}

void read_input() {
    char buffer[4096];
    unsigned long long total = 0;
    DWORD count = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &count, nullptr) &&
           count > 0)
        total += count;
    write(STD_OUTPUT_HANDLE, "read=" + std::to_string(total));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> steps(argv + 1, argv + argc);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::wstring& step = steps[i];
        const std::wstring value = i + 1 < steps.size() ? steps[i + 1] : std::wstring();
        if (step == L"args") {
            std::string text = std::to_string(steps.size() - i - 1) + "\n";
            for (std::size_t j = i + 1; j < steps.size(); ++j) text += "[" + utf8(steps[j]) + "]";
            write(STD_OUTPUT_HANDLE, text);
            return 0;
        }
        const bool skipped = (step.size() > 5 && step.compare(step.size() - 5, 5, L".skip") == 0) ||
                             step.find(L'%') != std::wstring::npos;
        if (skipped) continue;
        if (step == L"cwd") {
            wchar_t folder[MAX_PATH];
            write(STD_OUTPUT_HANDLE,
                  utf8(std::wstring(folder, ::GetCurrentDirectoryW(MAX_PATH, folder))));
        } else if (step == L"read-input") {
            read_input();
        } else if (step == L"close-output") {
            ::CloseHandle(::GetStdHandle(STD_OUTPUT_HANDLE));
            ::CloseHandle(::GetStdHandle(STD_ERROR_HANDLE));
        } else if (step == L"crash") {
            *static_cast<volatile int*>(nullptr) = 1;
        } else if (++i >= steps.size()) {
            return 99;  // a step that needs a value has none
        } else if (step == L"out" || step == L"err") {
            write(step == L"out" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, utf8(value));
        } else if (step == L"out-bytes" || step == L"err-bytes") {
            write_bytes(step == L"out-bytes" ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE,
                        std::wcstoull(value.c_str(), nullptr, 10));
        } else if (step == L"sleep") {
            ::Sleep(static_cast<DWORD>(std::wcstoul(value.c_str(), nullptr, 10)));
        } else if (step == L"grandchild") {
            start_grandchild(value);
        } else if (step == L"mark") {
            ::CloseHandle(::CreateFileW(value.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        } else if (step == L"exit") {
            return static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
        } else {
            return 98;  // unknown step
        }
    }
    return 0;
}
