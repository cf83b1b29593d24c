#pragma once
// What the programs say about themselves (the version block of the Windows build).
#include "product_version.h"

namespace vuro_plugin::product {

inline constexpr char version[] = PLUGDEBUG_VERSION;
inline constexpr char description[] = "VUROダイレクト スクリプト デバッガー";

}  // namespace vuro_plugin::product
