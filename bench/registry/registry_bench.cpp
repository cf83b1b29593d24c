// Times the registry store against the file operations it is built from, in one run:
//   reads:  plain read of the hive file (baseline), a parse of it, an open-and-query of one
//           value, and a full load of the direct-plug-in settings (about thirty queries);
//   writes: a plain replace of the file (temporary file, rename, no fsync) as baseline,
//           setting a value to what it already is (lock, re-read, parse, nothing written)
//           and setting a new value (the same, then serialise, fsync, rename).
// Runs in a temporary configuration folder, never the user's own.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include "platform/registry_hive.h"
#include "platform/registry_store.h"
#include "utility/credential_scramble.h"
#include "utility/direct_settings.h"

namespace {

using clock_type = std::chrono::steady_clock;

double time_per_call_us(int iterations, const std::function<void()>& action) {
    action();  // warm up
    const auto start = clock_type::now();
    for (int i = 0; i < iterations; ++i) action();
    return std::chrono::duration<double, std::micro>(clock_type::now() - start).count() /
           iterations;
}

std::string read_all(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A hive like a real user's: the settings key plus some unrelated keys.
void populate(int extra_keys) {
    utility::direct_settings settings;
    settings.enable_proxy = true;
    settings.proxy_address = u"proxy.example.com";
    settings.proxy_port = 8080;
    settings.proxy_username = u"user";
    settings.proxy_password = u"password";
    settings.key_1_plugin_name = u"辞書";
    settings.save_settings();
    auto marker = platform::registry_key::create(platform::registry_root::current_user,
                                                 utility::settings_key_path(2));
    marker->set(u"plugin_count", platform::registry_type::dword, {3, 0, 0, 0});
    for (int k = 0; k < extra_keys; ++k) {
        auto key = platform::registry_key::create(platform::registry_root::current_user,
                                                  u"Software\\Other\\Key" +
                                                      std::u16string(1, char16_t(u'A' + k % 26)) +
                                                      std::u16string(1, char16_t(u'a' + k / 26)));
        for (int v = 0; v < 10; ++v)
            key->set(u"value" + std::u16string(1, char16_t(u'0' + v)), platform::registry_type::sz,
                     {0x41, 0, 0x42, 0, 0, 0});
    }
}

void report(const char* name, double us, double baseline_us) {
    std::printf("  %-40s %10.2f us  %8.2fx\n", name, us, us / baseline_us);
}

void run(int extra_keys) {
    populate(extra_keys);
    const std::filesystem::path hive =
        platform::registry_hive_file(platform::registry_root::current_user);
    const std::string bytes = read_all(hive);
    std::printf("hive of %zu bytes (%d keys besides the settings)\n", bytes.size(), extra_keys);

    const double read_us = time_per_call_us(2000, [&] {
        volatile auto size = read_all(hive).size();
        (void)size;
    });
    const double parse_us = time_per_call_us(500, [&] {
        volatile bool ok = platform::registry_hive::parse(bytes).has_value();
        (void)ok;
    });
    const double query_us = time_per_call_us(2000, [&] {
        auto key = platform::registry_key::open(platform::registry_root::current_user,
                                                utility::settings_key_path(2));
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        key->query(u"proxy_port", type, data);
    });
    const double load_us = time_per_call_us(200, [] { utility::direct_settings settings; });
    report("read the file (baseline)", read_us, read_us);
    report("parse it", parse_us, read_us);
    report("open a key and query one value", query_us, read_us);
    report("load the settings", load_us, read_us);

    const std::filesystem::path scratch = hive.parent_path() / "baseline.reg";
    const double replace_us = time_per_call_us(100, [&] {
        const std::filesystem::path temporary = scratch.string() + ".tmp";
        std::FILE* file = std::fopen(temporary.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        std::filesystem::rename(temporary, scratch);
    });
    std::uint32_t counter = 0;
    auto key =
        platform::registry_key::create(platform::registry_root::current_user, u"Software\\Bench");
    const double set_us = time_per_call_us(100, [&] {
        ++counter;
        key->set(
            u"counter", platform::registry_type::dword,
            {static_cast<std::uint8_t>(counter), static_cast<std::uint8_t>(counter >> 8), 0, 0});
    });
    const double unchanged_us = time_per_call_us(200, [&] {
        key->set(
            u"counter", platform::registry_type::dword,
            {static_cast<std::uint8_t>(counter), static_cast<std::uint8_t>(counter >> 8), 0, 0});
    });
    report("replace the file, no fsync (baseline)", replace_us, replace_us);
    report("set a value to what it is (lock, re-read)", unchanged_us, replace_us);
    report("set a new value (and fsync, replace)", set_us, replace_us);
}

}  // namespace

int main() {
    const auto base = std::filesystem::temp_directory_path() /
                      ("plugdebug-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(base);
    ::setenv("XDG_CONFIG_HOME", base.c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (base / "etc").c_str(), 1);
    run(0);
    std::filesystem::remove_all(base / "plugdebug");
    run(100);
    std::filesystem::remove_all(base);
}
