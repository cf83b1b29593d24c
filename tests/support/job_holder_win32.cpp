// Holds a child started through platform::child_process, and with it the child's job,
// until it is killed: "job_holder STAND_IN FILE" starts the stand-in child with a
// sleeping grandchild, writes the grandchild's process id to FILE and waits for ever.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/child_process.h"
#include "platform/text_codec.h"

namespace {

std::string utf8(const wchar_t* text) {
    const std::wstring wide(text);
    std::string bytes;
    platform::utf16_to_bytes(platform::code_page::utf8, std::u16string(wide.begin(), wide.end()),
                             bytes);
    return bytes;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    platform::child_process child;
    if (child.start({utf8(argv[1]), "grandchild", "120000", "sleep", "120000"}, {}) !=
        platform::child_process::start_result::started)
        return 3;
    std::string out;
    std::string err;
    while (out.empty() &&
           child.wait(out, err, -1) == platform::child_process::wait_result::running) {
    }
    const std::wstring file = argv[2];
    std::ofstream(std::filesystem::path(file + L".part")) << out;
    ::MoveFileW((file + L".part").c_str(), file.c_str());
    ::Sleep(INFINITE);
    return 0;
}
