// The current user's hive file as anyone may have edited it, read by the settings and then
// written through the store: the settings come out in range, a file that does not parse is
// never written (and says why), and a write to one that parses keeps every other value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "fuzz/support/fuzz_check.h"
#include "platform/registry_store.h"
#include "utility/direct_settings.h"
#include "utility/key_code_table.h"

namespace {

using fuzz_support::require;
using platform::registry_hive;
using platform::registry_root;

const std::u16string settings_key = u"HKEY_CURRENT_USER\\Software\\Halvane\\Vuro\\VURODIRECT\\2.0";
const std::u16string written_key = u"HKEY_CURRENT_USER\\Software\\Fuzz";
std::filesystem::path scratch;

std::string file_bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_bytes(const std::string& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void check_settings() {
    const utility::direct_settings settings;
    require(settings.proxy_port <= 0xFFFF, "the proxy port is at most 0xFFFF");
    require(
        utility::key_code_table::instance().is_valid_key_code(settings.key_plugin_candidate_change),
        "the candidate key is a known key code");
}

// The settings key may be rewritten whole when older settings are carried over to it.
bool may_change(const std::u16string& path) {
    const std::u16string folded = platform::registry_fold_case(path);
    return folded == platform::registry_fold_case(settings_key) ||
           folded == platform::registry_fold_case(written_key);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // In memory where there is such a file system: every write is flushed to disk.
    char in_memory[] = "/dev/shm/plugdebug-fuzz-XXXXXX";
    char on_disk[] = "/tmp/plugdebug-fuzz-XXXXXX";
    char* folder = ::mkdtemp(in_memory) != nullptr ? in_memory : ::mkdtemp(on_disk);
    require(folder != nullptr, "a scratch folder");
    scratch = folder;
    std::filesystem::create_directories(scratch / "config" / "plugdebug");
    ::setenv("HOME", folder, 1);
    ::setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (scratch / "etc").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    ::unsetenv("APPDATA");
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string file = platform::registry_hive_file(registry_root::current_user);
    write_bytes(file, bytes);
    const auto before = registry_hive::parse(bytes);
    require(
        platform::registry_hive_problem(registry_root::current_user).empty() == before.has_value(),
        "a hive says why exactly when it does not parse");

    check_settings();
    auto key = platform::registry_key::create(registry_root::current_user, u"Software\\Fuzz");
    if (!before) {
        require(key == nullptr, "no key is created in a hive that does not parse");
        require(file_bytes(file) == bytes, "a hive that does not parse is never written");
        return 0;
    }
    require(key != nullptr && key->set(u"value", platform::registry_type::dword, {1, 2, 3, 4}),
            "a hive that parses takes a value");
    const auto after = registry_hive::parse(file_bytes(file));
    require(after.has_value(), "a hive written parses");
    const auto* written = after->find_value(written_key, u"value");
    require(written != nullptr && written->data == std::vector<std::uint8_t>{1, 2, 3, 4},
            "the value written is there");
    for (const auto& each : before->contents()) {
        if (may_change(each.path)) continue;
        for (const auto& value : each.values) {
            const auto* kept = after->find_value(each.path, value.name);
            require(kept != nullptr && kept->type == value.type && kept->data == value.data,
                    "a write keeps every other value");
        }
    }
    return 0;
}
