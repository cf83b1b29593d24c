#pragma once
// Moving UTF-16 text across the library boundary, where it travels as
// `const unsigned short*` plus a length in code units, without terminator.
#include <new>
#include <string>

namespace text_storage {

// At most `limit` code units of `text`, ended early by the first NUL among them. A null
// pointer with a non-zero length throws std::invalid_argument.
std::u16string bounded(const unsigned short* text, unsigned int length, unsigned int limit);

// Copies exactly `value.size()` code units to `buffer`, without terminator. False, with
// nothing written, when `size` is below that length (or the buffer is null).
bool copy_out(const std::u16string& value, unsigned short* buffer, unsigned int size);

// The result codes of the storing operations.
enum code : int {
    stored = 0,
    out_of_memory = 1,
    failed = 2,
    list_full = 4,
    too_long = 5,
};

// Runs `store` and maps its failure to a result code: out of memory 1, anything else 2.
template <class Store>
int guarded(Store&& store) noexcept {
    try {
        store();
        return stored;
    } catch (const std::bad_alloc&) {
        return out_of_memory;
    } catch (...) {
        return failed;
    }
}

}  // namespace text_storage
