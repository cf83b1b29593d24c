#pragma once
// The text a reader sees of an XHTML document, for a view without a browser engine.
#include <string>

namespace vuro_plugin {

// Markup left out, and with it the head, style and script elements; white space collapsed
// as a browser does (kept inside <pre>); a new line for <br /> and around each block
// element; the five XML entities and character references replaced. Lines end with LF,
// and the text neither starts nor ends with a blank.
std::u16string markup_removed(const std::u16string& document);

}  // namespace vuro_plugin
