// The candidate list a plug-in prints, from raw bytes: never more records than the cap,
// every field within its cap, only the known alternative types, and the same bytes always
// give the same records.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/fuzz_check.h"
#include "xml_access_library/script_load.h"

namespace {

using fuzz_support::require;
using xml_access_library::script_candidate_data;
using xml_access_library::script_load;

bool same(const script_candidate_data& a, const script_candidate_data& b) {
    return a.title == b.title && a.comment == b.comment && a.alternative == b.alternative &&
           a.alternative_type == b.alternative_type && a.alternative_alias == b.alternative_alias &&
           a.info == b.info;
}

bool same(const std::vector<script_candidate_data>& a,
          const std::vector<script_candidate_data>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!same(a[i], b[i])) return false;
    return true;
}

void check_record(const script_candidate_data& record) {
    require(record.title.size() <= 100, "title within 100 code units");
    require(record.comment.size() <= 10240, "comment within 10240 code units");
    require(record.alternative.size() <= 512, "alternative within 512 code units");
    require(record.alternative_alias.size() <= 100, "alias within 100 code units");
    require(record.info.size() <= 64, "info within 64 code units");
    const std::u16string& type = record.alternative_type;
    const bool carries_text = type == u"definite_string" || type == u"url_jump_string";
    require(carries_text || type.empty() || type == u"research_function" ||
                type == u"callbackonly_function",
            "alternative type is one of the four or empty");
    require(carries_text || record.alternative.empty(),
            "only the two string types carry an alternative");
}

struct outcome {
    bool parsed = false;
    std::vector<script_candidate_data> list;
};

outcome parse_once(const std::string& text) {
    script_load document(text);
    outcome result;
    result.parsed = document.parse();
    result.list = document.get_candidate_list();
    if (!result.list.empty()) {
        require(!document.parse(), "a document with records is parsed only once");
        require(same(document.get_candidate_list(), result.list),
                "a refused second parse keeps the records");
    }
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (fuzz_support::refused_when_empty<script_load>(text)) return 0;
    const outcome first = parse_once(text);
    require(first.list.size() <= 101, "at most 101 records");
    for (const script_candidate_data& record : first.list) check_record(record);
    const outcome second = parse_once(text);
    require(first.parsed == second.parsed && same(first.list, second.list),
            "the same bytes give the same records");
    return 0;
}
