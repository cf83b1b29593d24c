#include "platform/font_for_language_posix.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace platform {
namespace {

struct pattern_deleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using pattern_ptr = std::unique_ptr<FcPattern, pattern_deleter>;

// Whether the matched font's own language set holds `language`: fontconfig answers
// a match even when no installed font has a glyph of it.
bool covers(FcPattern* font, const FcChar8* language) {
    FcLangSet* languages = nullptr;
    return FcPatternGetLangSet(font, FC_LANG, 0, &languages) == FcResultMatch &&
           FcLangSetHasLang(languages, language) == FcLangEqual;
}

}  // namespace

std::string font_family_for_language(const std::string& language) {
    if (!FcInit()) return {};
    const auto* tag = reinterpret_cast<const FcChar8*>(language.c_str());
    const pattern_ptr wanted(FcPatternCreate());
    if (!wanted || !FcPatternAddString(wanted.get(), FC_LANG, tag)) return {};
    FcConfigSubstitute(nullptr, wanted.get(), FcMatchPattern);
    FcDefaultSubstitute(wanted.get());
    FcResult result = FcResultNoMatch;
    const pattern_ptr font(FcFontMatch(nullptr, wanted.get(), &result));
    if (!font || !covers(font.get(), tag)) return {};
    FcChar8* family = nullptr;
    if (FcPatternGetString(font.get(), FC_FAMILY, 0, &family) != FcResultMatch) return {};
    return reinterpret_cast<const char*>(family);
}

}  // namespace platform
