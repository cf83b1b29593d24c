#include "engine/timeout_timer.h"

#include <chrono>
#include <limits>

namespace vuro_plugin {

std::int64_t steady_clock_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

timeout_timer::timeout_timer(std::int32_t limit_ms, clock_function clock)
    : limit_(limit_ms),
      clock_(clock ? std::move(clock) : clock_function(steady_clock_ms)),
      start_(clock_()) {}

std::int32_t timeout_timer::elapsed_ms() const {
    const std::int64_t elapsed = clock_() - start_;
    if (elapsed < 0) throw clock_fault();
    // A run of 24 days stays timed out instead of wrapping to a negative count.
    constexpr std::int64_t largest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(elapsed < largest ? elapsed : largest);
}

bool timeout_timer::is_timeout() const { return elapsed_ms() >= limit_; }

std::int32_t timeout_timer::remaining_ms() const {
    const std::int32_t elapsed = elapsed_ms();
    return elapsed >= limit_ ? 0 : limit_ - elapsed;
}

}  // namespace vuro_plugin
