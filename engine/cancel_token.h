#pragma once
// Stops an interpreter run from outside it: another thread (a Stop key, a closed window)
// or a signal's self-pipe reader calls cancel(); the run's child wait wakes at once, the
// child's process tree is ended and the call returns command_result::cancelled.
// A cancelled token stays cancelled, so every later run given it ends before it starts,
// until reset() readies it for the next run.
#include "platform/wake_up.h"

namespace vuro_plugin {

class cancel_token {
public:
    // Throws as platform::wake_up does when the system has nothing left for it.
    cancel_token();
    ~cancel_token();
    cancel_token(const cancel_token&) = delete;
    cancel_token& operator=(const cancel_token&) = delete;

    // From any thread, any number of times; async-signal-safe on POSIX.
    void cancel() noexcept;
    bool cancelled() const noexcept;
    // Only between runs: a run already under way may or may not see the reset.
    void reset() noexcept;

    // What the child wait blocks on beside its pipes.
    const platform::wake_up& wake_up() const noexcept;

private:
    platform::wake_up wake_;
};

}  // namespace vuro_plugin
