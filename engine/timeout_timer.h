#pragma once
#include <cstdint>
#include <functional>
#include <stdexcept>

namespace vuro_plugin {

// The time limit of one interpreter run in production.
constexpr std::int32_t script_time_limit_ms = 60000;

// The clock of a timer went backwards.
class clock_fault : public std::runtime_error {
public:
    clock_fault() : std::runtime_error("timeout_timer::is_timeout() fault.") {}
};

// A one-shot time limit measured on a steady clock from construction.
class timeout_timer {
public:
    // Milliseconds on some monotonic scale; only differences matter.
    using clock_function = std::function<std::int64_t()>;

    // An empty `clock` uses the steady clock.
    explicit timeout_timer(std::int32_t limit_ms = script_time_limit_ms, clock_function clock = {});

    // Throws clock_fault ("timeout_timer::is_timeout() fault.") when the clock went
    // backwards.
    bool is_timeout() const;
    // Milliseconds left until the limit, 0 once it has passed; throws like is_timeout().
    std::int32_t remaining_ms() const;
    std::int32_t limit_ms() const { return limit_; }

private:
    std::int32_t elapsed_ms() const;

    std::int32_t limit_;
    clock_function clock_;
    std::int64_t start_;
};

std::int64_t steady_clock_ms();

}  // namespace vuro_plugin
