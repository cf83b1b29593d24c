#include "engine/temporary_file_name.h"

#include <ctime>
#include <mutex>
#include <random>

#include "engine/file_presence.h"
#include "utility/digest.h"

namespace vuro_plugin {
namespace {

// Seeded once per process from the time and an entropy source, so that two processes
// started in the same second do not draw the same names.
int draw_random_number() {
    static std::mutex mutex;
    static std::minstd_rand engine = [] {
        std::random_device entropy;
        const auto seed = static_cast<std::uint_fast32_t>(std::time(nullptr)) ^ entropy();
        return std::minstd_rand(seed);
    }();
    const std::lock_guard<std::mutex> lock(mutex);
    return static_cast<int>((engine() >> 8) % 32768);
}

}  // namespace

std::u16string create_temporary_file_name(const std::u16string& folder,
                                          const std::u16string& extension) {
    const std::string digest =
        utility::sha1_hex("vuro_direct_script_" + std::to_string(draw_random_number()));
    if (digest.empty()) return {};
    const std::u16string name = std::u16string(digest.begin(), digest.end()) + extension;
    if (file_exists(folder + name)) return {};
    return name;
}

}  // namespace vuro_plugin
