#pragma once
// What both dialogs show of a run's candidates: the link under the Run button, the rows of
// the preview window and a comment as text. A comment is the XHTML document the bridge
// made of the plug-in's text (or the plug-in's own); only a comment the product's XML
// parser reads is rendered, anything else is shown as the text it is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/debugger_controller.h"
#include "app/dialog_template.h"
#include "app/markup_removal.h"

namespace vuro_plugin {

// Where the link stands, in dialog units: inside the デバッグ group, in the empty space
// between the Run button and the progress bar, two lines high.
inline constexpr dialog_rect preview_link_rect{16, 134, 116, 26};

// "候補 N 件（構文チェック 0.09 秒・処理 0.21 秒）" after a run whose processing call was
// made; empty after any other run.
std::u16string preview_link_text(const run_result& run);

// Milliseconds as seconds with two decimals, rounded half up: 90 → "0.09".
std::u16string seconds_text(std::int64_t milliseconds);

// What the preview window lists for a run: one row per candidate, in the viewer's order,
// or no rows and why.
struct candidate_preview_content {
    std::vector<viewer_candidate> candidates;
    std::vector<std::u16string> rows;
    std::u16string why_none;
};
candidate_preview_content preview_content_of(const run_result& run);
// Before any run.
candidate_preview_content empty_preview_content();

// One row: "3. title　→ alias（type）　［info］"; the target stands in for a missing alias,
// the arrow part is left out without an alternative, the brackets without info.
std::u16string candidate_row_text(std::size_t index, const viewer_candidate& candidate);

// Whether the product's XML parser reads the comment as a document.
bool comment_is_well_formed(const std::u16string& comment);

// The comment for a view without a browser: markup removed when well-formed, else as it
// is with a note that says so; a word that there is none when it is empty.
struct comment_text {
    std::u16string text;
    std::u16string note;
};
comment_text comment_as_text(const std::u16string& comment);

}  // namespace vuro_plugin
