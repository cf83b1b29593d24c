#pragma once
// The candidates of a run as the host's candidate viewer receives them: read back from the
// viewer document the instance writes, so what the preview and the regression cases see
// is what a host would get (alternatives the document leaves out are left out here too).
#include <string>
#include <vector>

namespace vuro_plugin {

struct viewer_candidate {
    std::u16string title;
    std::u16string comment;           // markup as the plug-in wrote it
    std::u16string alternative_type;  // empty when the document has no alternative
    std::u16string target;
    std::u16string alias;
    std::u16string info;
};

struct viewer_candidates {
    std::vector<viewer_candidate> items;
    // When there are none: why, in the dialog's language (empty output, not a candidate
    // document with the parser's line and reason, a document without candidates).
    std::u16string why_none;
};

// Reads a viewer document ("itemlist"); an empty text is a document without candidates.
// Throws std::runtime_error for a document the product's parser refuses, which only a
// fault of the writer could make.
std::vector<viewer_candidate> read_viewer_document(const std::string& xml);

// Says why a processing call whose standard output is `output` gave no candidates.
std::u16string why_no_candidates(const std::string& output);

}  // namespace vuro_plugin
