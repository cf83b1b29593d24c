// Stands in for the Ruby interpreter in the Windows front-end tests, as ruby.exe on the
// search path (Wine cannot start the real one). Started with a bridge's arguments
// (bridge file, form-encoded plug-in path, method, form-encoded request fields):
//   syntax_check  writes "syntax ok"
//   run_process   writes a candidate document with one candidate, the composition
//                 string (with a line "comments" in the plug-in file: three, "<composition>
//                 1" to 3, each with a comment as the bridge writes one), and
//                 "run_process <composition>" to standard error; when the
//                 plug-in file holds a line "sleep MS", it first writes "before" and
//                 "error before" (lines of standard output and standard error), starts a
//                 copy of itself that sleeps MS milliseconds, writes "<own id> <copy's
//                 id>" to the file STAND_IN_MARKER names (if set) and sleeps as long
//                 itself
// Started as "ruby.exe sleep MS" it only sleeps.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

void write(DWORD stream, const std::string& bytes) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                nullptr);
}

std::string narrow(const wchar_t* text) {
    std::string bytes;
    for (; *text != 0; ++text) bytes += static_cast<char>(*text);  // form-encoded: ASCII
    return bytes;
}

std::string form_decode(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            bytes += ' ';
        } else if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The plug-in path arrives in the ANSI code page.
std::string read_plugin(const std::string& ansi_path) {
    std::wstring path(static_cast<std::size_t>(ansi_path.size()) + 1, L'\0');
    path.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_ACP, 0, ansi_path.data(), static_cast<int>(ansi_path.size()),
                              path.data(), static_cast<int>(path.size()))));
    std::ifstream file(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// "<this process's id> <copy's id>" into the file the environment names, if it does.
void tell_process_ids(DWORD copy) {
    wchar_t marker[MAX_PATH];
    if (::GetEnvironmentVariableW(L"STAND_IN_MARKER", marker, MAX_PATH) == 0) return;
    std::ofstream(marker) << ::GetCurrentProcessId() << ' ' << copy;
}

void sleep_with_a_copy(DWORD milliseconds) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(self) + L"\" sleep " + std::to_wstring(milliseconds);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                         nullptr, nullptr, &startup, &started)) {
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
        tell_process_ids(started.dwProcessId);
    }
    ::Sleep(milliseconds);
}

std::string item(const std::string& title, const std::string& comment) {
    std::string text = "\t<item type=\"script_candidate\">\n\t\t<title>" + title + "</title>\n";
    if (!comment.empty()) text += "\t\t<comment>" + comment + "</comment>\n";
    return text + "\t</item>\n";
}

// Each comment an XHTML document, escaped as text of its element.
std::string commented_items(const std::string& composition) {
    std::string items;
    for (const char* number : {"1", "2", "3"}) {
        const std::string title = composition + " " + number;
        items += item(title,
                      "&lt;html xmlns=&quot;http://www.w3.org/1999/xhtml&quot;&gt;&lt;body&gt;"
                      "&lt;h2&gt;" +
                          title + "&lt;/h2&gt;\xE8\xAA\xAC\xE6\x98\x8E " + number +
                          "&lt;br /&gt;&amp;lt;tag&amp;gt;&lt;/body&gt;&lt;/html&gt;");
    }
    return items;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"sleep") {
        ::Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
        return 0;
    }
    if (argc < 4) return 2;
    const std::wstring method = argv[3];
    if (method == L"syntax_check") {
        write(STD_OUTPUT_HANDLE, "syntax ok");
        return 0;
    }
    if (method != L"run_process" || argc < 5) return 2;
    const std::string plugin = read_plugin(form_decode(narrow(argv[2])));
    const std::size_t sleep = plugin.find("sleep ");
    if (sleep != std::string::npos) {
        write(STD_OUTPUT_HANDLE, "before\n");
        write(STD_ERROR_HANDLE, "error before\n");
        sleep_with_a_copy(static_cast<DWORD>(std::stoul(plugin.substr(sleep + 6))));
    }
    const std::string composition = form_decode(narrow(argv[4]));
    write(STD_OUTPUT_HANDLE,
          "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n\n<itemlist>\n" +
              (plugin.find("comments") != std::string::npos ? commented_items(composition)
                                                            : item(composition, "")) +
              "</itemlist>\n");
    write(STD_ERROR_HANDLE, "run_process " + composition + "\n");
    return 0;
}
