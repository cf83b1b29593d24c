#pragma once
// Which installed font draws a language, as fontconfig answers it.
#include <string>

namespace platform {

// The family of the installed font fontconfig prefers for `language` (an RFC 3066 tag
// such as "ja"), provided that font covers the language; empty when none does.
std::string font_family_for_language(const std::string& language);

}  // namespace platform
