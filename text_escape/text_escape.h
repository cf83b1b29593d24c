#pragma once
// Replace-all, slash and XML-escape helpers of both the program and the message library;
// standard library only, below every other folder.
#include <string>

namespace text_escape {

// Replaces every occurrence of `search` left to right; the scan resumes behind each
// inserted text, so an insertion is never rescanned. An empty `search` changes nothing.
void replace_all(std::u16string& text, const std::u16string& search,
                 const std::u16string& replacement);

// Every backslash becomes "/".
std::u16string to_forward_slashes(const std::u16string& path);

// & < > ' " become &amp; &lt; &gt; &apos; &quot;; an existing entity is escaped again.
std::u16string escape_xml(const std::u16string& text);

}  // namespace text_escape
