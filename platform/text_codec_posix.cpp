#include "platform/text_codec.h"

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>
#include <memory>

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

namespace platform {
namespace {

constexpr UChar32 replacement_character = 0xFFFD;

const UChar* as_uchar(const char16_t* p) { return reinterpret_cast<const UChar*>(p); }
UChar* as_uchar(char16_t* p) { return reinterpret_cast<UChar*>(p); }

std::string locale_name_from_environment() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

// "ja_JP.eucJP@euro" -> "eucJP"; a locale that is not installed still names its codeset.
std::string codeset_part_of(const std::string& locale_name) {
    const auto dot = locale_name.find('.');
    if (dot == std::string::npos) return {};
    const auto at = locale_name.find('@', dot);
    return locale_name.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
}

std::string codeset_of(const std::string& locale_name) {
    locale_t locale = newlocale(LC_CTYPE_MASK, locale_name.c_str(), locale_t{});
    if (locale == locale_t{}) return codeset_part_of(locale_name);
    std::string codeset = nl_langinfo_l(CODESET, locale);
    freelocale(locale);
    return codeset;
}

struct converter_closer {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using converter_ptr = std::unique_ptr<UConverter, converter_closer>;

// Also true for a codeset that cannot be opened: with no converter every conversion would
// fail, and UTF-8 is what the rest of the system speaks.
bool counts_as_utf8(const std::string& codeset) {
    if (codeset.empty()) return true;
    UErrorCode error = U_ZERO_ERROR;
    const converter_ptr converter(ucnv_open(codeset.c_str(), &error));
    if (U_FAILURE(error)) return true;
    const std::string name = ucnv_getName(converter.get(), &error);
    return U_SUCCESS(error) && (name == "UTF-8" || name == "US-ASCII");
}

converter_ptr open_ansi_converter(const std::string& codeset) {
    UErrorCode error = U_ZERO_ERROR;
    converter_ptr converter(ucnv_open(codeset.c_str(), &error));
    if (U_FAILURE(error)) return nullptr;
    ucnv_setSubstChars(converter.get(), "?", 1, &error);
    if (U_FAILURE(error)) return nullptr;
    return converter;
}

bool utf8_to_utf16(std::string_view bytes, std::u16string& out) {
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = 0;
    const auto size = static_cast<int32_t>(bytes.size());
    u_strFromUTF8WithSub(nullptr, 0, &length, bytes.data(), size, replacement_character, nullptr,
                         &error);
    if (error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(error)) return false;
    out.assign(static_cast<size_t>(length), u'\0');
    error = U_ZERO_ERROR;
    u_strFromUTF8WithSub(as_uchar(out.data()), length, &length, bytes.data(), size,
                         replacement_character, nullptr, &error);
    return U_SUCCESS(error);
}

bool utf16_to_utf8(std::u16string_view text, std::string& out) {
    UErrorCode error = U_ZERO_ERROR;
    int32_t length = 0;
    const auto size = static_cast<int32_t>(text.size());
    u_strToUTF8WithSub(nullptr, 0, &length, as_uchar(text.data()), size, replacement_character,
                       nullptr, &error);
    if (error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(error)) return false;
    out.assign(static_cast<size_t>(length), '\0');
    error = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), length, &length, as_uchar(text.data()), size,
                       replacement_character, nullptr, &error);
    return U_SUCCESS(error);
}

bool legacy_to_utf16(const std::string& codeset, std::string_view bytes, std::u16string& out) {
    const converter_ptr converter = open_ansi_converter(codeset);
    if (!converter) return false;
    UErrorCode error = U_ZERO_ERROR;
    const auto size = static_cast<int32_t>(bytes.size());
    const int32_t length = ucnv_toUChars(converter.get(), nullptr, 0, bytes.data(), size, &error);
    if (error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(error)) return false;
    out.assign(static_cast<size_t>(length), u'\0');
    error = U_ZERO_ERROR;
    ucnv_toUChars(converter.get(), as_uchar(out.data()), length, bytes.data(), size, &error);
    return U_SUCCESS(error);
}

bool utf16_to_legacy(const std::string& codeset, std::u16string_view text, std::string& out) {
    const converter_ptr converter = open_ansi_converter(codeset);
    if (!converter) return false;
    UErrorCode error = U_ZERO_ERROR;
    const auto size = static_cast<int32_t>(text.size());
    const int32_t length =
        ucnv_fromUChars(converter.get(), nullptr, 0, as_uchar(text.data()), size, &error);
    if (error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(error)) return false;
    out.assign(static_cast<size_t>(length), '\0');
    error = U_ZERO_ERROR;
    ucnv_fromUChars(converter.get(), out.data(), length, as_uchar(text.data()), size, &error);
    return U_SUCCESS(error);
}

}  // namespace

std::string ansi_codeset_name() {
    const std::string codeset = codeset_of(locale_name_from_environment());
    return counts_as_utf8(codeset) ? "UTF-8" : codeset;
}

namespace {

// The codeset behind a page other than UTF-8.
std::string legacy_codeset(code_page page) {
    return page == code_page::shift_jis ? "windows-932" : ansi_codeset_name();
}

}  // namespace

bool bytes_to_utf16(code_page page, std::string_view bytes, std::u16string& out) {
    out.clear();
    bool ok = false;
    if (page == code_page::utf8) {
        ok = utf8_to_utf16(bytes, out);
    } else {
        const std::string codeset = legacy_codeset(page);
        ok = codeset == "UTF-8" ? utf8_to_utf16(bytes, out) : legacy_to_utf16(codeset, bytes, out);
    }
    if (!ok) out.clear();
    return ok;
}

bool utf16_to_bytes(code_page page, std::u16string_view text, std::string& out) {
    out.clear();
    bool ok = false;
    if (page == code_page::utf8) {
        ok = utf16_to_utf8(text, out);
    } else {
        const std::string codeset = legacy_codeset(page);
        ok = codeset == "UTF-8" ? utf16_to_utf8(text, out) : utf16_to_legacy(codeset, text, out);
    }
    if (!ok) out.clear();
    return ok;
}

char16_t to_upper_code_unit(char16_t unit) {
    // Surrogate halves map to themselves, so a pair is never split or altered; a mapping
    // that would leave the code unit's range is not a per-unit mapping and is not taken.
    const UChar32 upper = u_toupper(static_cast<UChar32>(unit));
    return upper > 0xFFFF ? unit : static_cast<char16_t>(upper);
}

}  // namespace platform
