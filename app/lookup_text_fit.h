#pragma once
// Keeps the text of the "表記" box within what the request holds.
#include <cstddef>
#include <string>

namespace vuro_plugin {

// Cuts `text` to at most `capacity` UTF-16 units by removing what lies just before
// `cursor`, where an insertion ends, so that a paste loses its own tail and the text
// around it stays (with fewer units than the excess before `cursor`, the tail goes);
// never leaves half of a surrogate pair (a unit more goes instead).
// `cursor` is moved to where the cut was. True when anything was removed.
bool fit_lookup_text(std::u16string& text, std::size_t& cursor, std::size_t capacity);

}  // namespace vuro_plugin
