// The preference document beside a plug-in, from raw bytes: every text within its cap,
// versions within 0..100, a failed or repeated parse leaves the record as it was, and the
// same bytes always give the same record.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/support/fuzz_check.h"
#include "xml_access_library/script_preference.h"

namespace {

using fuzz_support::require;
using xml_access_library::script_preference;
using xml_access_library::script_preference_data;

bool same(const script_preference_data& a, const script_preference_data& b) {
    return a.name == b.name && a.name_short == b.name_short && a.description == b.description &&
           a.copyright == b.copyright && a.major_version == b.major_version &&
           a.minor_version == b.minor_version && a.preference == b.preference &&
           a.callback == b.callback;
}

void check_record(const script_preference_data& record) {
    require(record.name.size() <= 100, "name within 100 code units");
    require(record.name_short.size() <= 16, "short name within 16 code units");
    require(record.description.size() <= 256, "description within 256 code units");
    require(record.copyright.size() <= 256, "copyright within 256 code units");
    require(record.major_version >= 0 && record.major_version <= 100, "major version 0..100");
    require(record.minor_version >= 0 && record.minor_version <= 100, "minor version 0..100");
}

struct outcome {
    bool parsed = false;
    script_preference_data record;
};

outcome parse_once(const std::string& text) {
    script_preference document(text);
    outcome result;
    result.parsed = document.parse();
    result.record = document.get_preference();
    if (!result.parsed)
        require(same(result.record, script_preference_data()), "a failed parse writes nothing");
    // Refused (already parsed) or failing (the text is read once): either way no change.
    document.parse();
    require(same(document.get_preference(), result.record), "a second parse changes nothing");
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (fuzz_support::refused_when_empty<script_preference>(text)) return 0;
    const outcome first = parse_once(text);
    check_record(first.record);
    const outcome second = parse_once(text);
    require(first.parsed == second.parsed && same(first.record, second.record),
            "the same bytes give the same record");
    return 0;
}
