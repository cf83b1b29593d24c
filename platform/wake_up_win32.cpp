#include "platform/wake_up.h"

#include <windows.h>

#include <stdexcept>

namespace platform {
namespace {

HANDLE event(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

}  // namespace

wake_up::wake_up()
    : native_(reinterpret_cast<std::intptr_t>(::CreateEventW(nullptr, TRUE, FALSE, nullptr))) {
    if (native_ == 0) throw std::runtime_error("platform::wake_up::wake_up() : failed");
}

wake_up::~wake_up() { ::CloseHandle(event(native_)); }

void wake_up::raise() noexcept { ::SetEvent(event(native_)); }

void wake_up::clear() noexcept { ::ResetEvent(event(native_)); }

bool wake_up::raised() const noexcept {
    return ::WaitForSingleObject(event(native_), 0) == WAIT_OBJECT_0;
}

}  // namespace platform
