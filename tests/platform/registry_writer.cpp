// Writes <count> values "<prefix>-<i>" = i into HKEY_CURRENT_USER\Software\Concurrency,
// one write each, as a separate process racing another one.
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/registry_store.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string prefix = argv[1];
    const int count = std::atoi(argv[2]);
    for (int i = 0; i < count; ++i) {
        auto key = platform::registry_key::create(platform::registry_root::current_user,
                                                  u"Software\\Concurrency");
        const std::string name = prefix + "-" + std::to_string(i);
        const auto value = static_cast<std::uint32_t>(i);
        if (!key ||
            !key->set(
                std::u16string(name.begin(), name.end()), platform::registry_type::dword,
                {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), 0, 0})) {
            std::cerr << "write " << name << " failed\n";
            return 1;
        }
    }
    return 0;
}
