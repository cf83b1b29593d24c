#include "platform/console.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <streambuf>

#include "platform/text_codec.h"

namespace platform {
namespace {

// The length of `bytes` without an unfinished UTF-8 sequence at its end, which waits for
// the rest of its bytes. A sequence that could never finish is not held back.
std::size_t complete_utf8_length(const std::string& bytes) {
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto unit = static_cast<unsigned char>(bytes[size - back]);
        if ((unit & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t needed = unit >= 0xF0 ? 4 : unit >= 0xE0 ? 3 : unit >= 0xC0 ? 2 : 1;
        return needed > back && unit < 0xF8 ? size - back : size;
    }
    return size;
}

// Writes UTF-8 text onto a console as UTF-16 characters, so that it shows the same in
// every console code page.
class console_buffer final : public std::streambuf {
public:
    explicit console_buffer(HANDLE console) : console_(console) {}

protected:
    int_type overflow(int_type unit) override {
        if (traits_type::eq_int_type(unit, traits_type::eof())) return sync() == 0 ? 0 : unit;
        pending_.push_back(traits_type::to_char_type(unit));
        if (unit == '\n') sync();
        return unit;
    }

    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        pending_.append(bytes, static_cast<std::size_t>(count));
        if (pending_.find('\n') != std::string::npos) sync();
        return count;
    }

    int sync() override {
        const std::size_t complete = complete_utf8_length(pending_);
        std::u16string text;
        if (!bytes_to_utf16(code_page::utf8, std::string_view(pending_).substr(0, complete), text))
            return -1;
        pending_.erase(0, complete);
        std::size_t done = 0;
        while (done < text.size()) {
            DWORD written = 0;
            const DWORD piece =
                static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 16384));
            if (!::WriteConsoleW(console_, text.data() + done, piece, &written, nullptr) ||
                written == 0)
                return -1;
            done += written;
        }
        return 0;
    }

private:
    HANDLE console_;
    std::string pending_;
};

void use_utf8(std::ostream& stream, FILE* file, DWORD handle_id) {
    ::_setmode(::_fileno(file), _O_BINARY);
    const HANDLE handle = ::GetStdHandle(handle_id);
    DWORD mode = 0;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode))
        return;
    stream.flush();
    // Never freed: the streams are flushed once more after every static object is gone.
    stream.rdbuf(new console_buffer(handle));
}

}  // namespace

std::vector<std::string> command_line_arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        const std::wstring_view argument(wide[i]);
        std::string bytes;
        utf16_to_bytes(code_page::utf8, std::u16string(argument.begin(), argument.end()), bytes);
        arguments.push_back(std::move(bytes));
    }
    ::LocalFree(wide);
    return arguments;
}

void use_utf8_standard_streams() {
    use_utf8(std::cout, stdout, STD_OUTPUT_HANDLE);
    use_utf8(std::cerr, stderr, STD_ERROR_HANDLE);
}

}  // namespace platform
