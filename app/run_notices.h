#pragma once
// The debugger's notices that need a name or a number (their fixed parts are in
// debugger_texts.h).
#include <cstdint>
#include <string>

#include "platform/registry_store.h"

namespace vuro_plugin {

enum class script_call { syntax_check, processing };

// The call ran into the time limit and its interpreter was ended.
std::u16string time_limit_notice(script_call call, std::int32_t limit_ms);
// The interpreter, looked for on the PATH, could not be started.
std::u16string interpreter_not_started_notice(const std::u16string& interpreter);
// The settings file could not be read, so the run used the defaults; empty for no fault.
std::u16string settings_notice(const platform::registry_fault& fault);

}  // namespace vuro_plugin
