#pragma once
// The window notification of the palette message.
#include <cstdint>

// Posts the message registered under "vuro plugin message : palette send" (wParam 0,
// lParam `value`) to the low 32 bits of `window`. The identifier is obtained on the
// first call of the process that can get one and kept. False when not posted.
bool post_palette_notification(std::int64_t window, int value);
