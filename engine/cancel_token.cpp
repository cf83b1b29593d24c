#include "engine/cancel_token.h"

namespace vuro_plugin {

cancel_token::cancel_token() = default;

cancel_token::~cancel_token() = default;

void cancel_token::cancel() noexcept { wake_.raise(); }

bool cancel_token::cancelled() const noexcept { return wake_.raised(); }

void cancel_token::reset() noexcept { wake_.clear(); }

const platform::wake_up& cancel_token::wake_up() const noexcept { return wake_; }

}  // namespace vuro_plugin
