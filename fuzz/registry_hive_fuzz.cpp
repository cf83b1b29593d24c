// A settings hive from raw bytes: a hive that parses is written back in a form that parses
// again to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/support/fuzz_check.h"
#include "platform/registry_hive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using fuzz_support::require;
    using platform::registry_hive;
    const auto hive = registry_hive::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!hive) return 0;
    const std::string written = hive->serialise();
    const auto reread = registry_hive::parse(written);
    require(reread.has_value(), "a hive written back parses");
    require(reread->serialise() == written, "writing a re-read hive changes nothing");
    return 0;
}
