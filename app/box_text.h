#pragma once
// What a box shows: one place turns a plug-in's bytes and the debugger's notices into box
// text, so every front end shows the same thing.
#include <string>
#include <string_view>

namespace vuro_plugin {

// The bytes as UTF-16 (see utility::output_to_utf16) with every line end, LF, CR or
// CR LF, made CR LF, and a closing CR LF. Empty bytes give an empty text.
std::u16string box_text_of_output(std::string_view bytes);
// The notice's line and a closing CR LF.
std::u16string box_text_of_notice(std::u16string_view notice);

}  // namespace vuro_plugin
