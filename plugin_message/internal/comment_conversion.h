#pragma once
// Turns a candidate comment into the HTML fragment the host shows.
#include <string>

// XML-escapes `comment`, renders each ESC ENQ ... "\n" (backslash, n) segment in red,
// drops ESC EOT, drops a blank before "\n", and turns every "\n" and line feed into
// "<br />". A carriage return and an opening marker without its closing one stay.
std::u16string convert_comment(const std::u16string& comment);
