#pragma once
// What the programs say about themselves (the version block of the Windows build).
namespace vuro_plugin::product {

inline constexpr char version[] = "23.0";
inline constexpr char description[] = "VUROダイレクト スクリプト デバッガー";

}  // namespace vuro_plugin::product
