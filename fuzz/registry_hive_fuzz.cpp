// A settings hive from raw bytes: a hive that parses is written back in a form that reads
// back to the same keys and values and the same bytes, also after the program changed a
// value in it; a hive that does not parse says why.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/support/fuzz_check.h"
#include "platform/registry_hive.h"

namespace {

using fuzz_support::require;
using platform::registry_hive;
using platform::registry_value;

const std::u16string changed_key = u"HKEY_CURRENT_USER\\Software\\Halvane\\Vuro\\VURODIRECT\\2.0";
const registry_value changed_value{
    u"proxy_port", platform::registry_type::dword, {0x38, 0x0c, 0, 0}};

bool same(const std::vector<registry_hive::key_contents>& a,
          const std::vector<registry_hive::key_contents>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k].path != b[k].path || a[k].values.size() != b[k].values.size()) return false;
        for (std::size_t v = 0; v < a[k].values.size(); ++v) {
            const registry_value& x = a[k].values[v];
            const registry_value& y = b[k].values[v];
            if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
        }
    }
    return true;
}

void check_round_trip(const registry_hive& hive) {
    const std::string written = hive.serialise();
    const auto reread = registry_hive::parse(written);
    require(reread.has_value(), "a hive written back parses");
    require(same(reread->contents(), hive.contents()), "a hive written back keeps its values");
    require(reread->serialise() == written, "writing a re-read hive changes nothing");
}

bool is_changed_value(const std::u16string& path, const std::u16string& name) {
    using platform::registry_fold_case;
    return registry_fold_case(path) == registry_fold_case(changed_key) &&
           registry_fold_case(name) == registry_fold_case(changed_value.name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::registry_parse_error error;
    const auto hive =
        registry_hive::parse(std::string_view(reinterpret_cast<const char*>(data), size), &error);
    if (!hive) {
        require(!error.what.empty(), "a hive that does not parse says why");
        return 0;
    }
    check_round_trip(*hive);

    registry_hive changed = *hive;
    changed.set_value(changed_key, changed_value);
    const registry_value* stored = changed.find_value(changed_key, changed_value.name);
    require(stored != nullptr && stored->data == changed_value.data, "a value set is there");
    for (const auto& key : hive->contents()) {
        for (const registry_value& value : key.values) {
            if (is_changed_value(key.path, value.name)) continue;
            const registry_value* kept = changed.find_value(key.path, value.name);
            require(kept != nullptr && kept->type == value.type && kept->data == value.data,
                    "setting a value keeps every other value");
        }
    }
    check_round_trip(changed);
    return 0;
}
