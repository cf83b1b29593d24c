#include "utility/file_access.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "platform/native_file.h"

namespace utility {
namespace {

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

file_ptr open(const std::u16string& path, const char* mode) {
    return file_ptr(platform::open_file(path, mode));
}

}  // namespace

std::string read_file(const std::u16string& path) {
    const file_ptr file = open(path, "rb");
    if (!file) throw std::runtime_error("utility::read_file() : fault.");
    std::string data;
    char block[65536];
    for (;;) {
        const size_t count = std::fread(block, 1, sizeof block, file.get());
        const void* zero = std::memchr(block, '\0', count);
        if (zero != nullptr) {
            data.append(block, static_cast<const char*>(zero) - block);
            break;
        }
        data.append(block, count);
        if (count < sizeof block) break;
    }
    return data;
}

void write_file(const std::u16string& path, const std::string& data) {
    file_ptr file = open(path, "wb");
    if (!file) throw std::runtime_error("utility::write_file() : fault.");
    // A short write (a full disk, say) is a failure too, never a silent success.
    const bool written = std::fwrite(data.data(), 1, data.size(), file.get()) == data.size();
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) throw std::runtime_error("utility::write_file() : fault.");
}

}  // namespace utility
