#pragma once
// String helpers with no dependency beyond the standard library; the message library
// compiles this file as well.
#include <string>

namespace utility {

// Replaces every occurrence of `search` left to right; the scan resumes behind each
// inserted text, so an insertion is never rescanned. An empty `search` changes nothing.
void replace_all(std::u16string& text, const std::u16string& search,
                 const std::u16string& replacement);

// Every backslash becomes "/".
std::u16string to_forward_slashes(const std::u16string& path);

// & < > ' " become &amp; &lt; &gt; &apos; &quot;; an existing entity is escaped again.
std::u16string escape_xml(const std::u16string& text);

}  // namespace utility
