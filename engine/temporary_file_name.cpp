#include "engine/temporary_file_name.h"

#include <ctime>
#include <mutex>
#include <random>
#include <set>

#include "engine/file_presence.h"
#include "utility/digest.h"

namespace vuro_plugin {
namespace {

constexpr int numbers = 32768;

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
    return static_cast<int>((engine() >> 8) % numbers);
}

// The paths of the names this process holds.
struct held_names {
    std::mutex mutex;
    std::set<std::u16string> paths;
};

held_names& held() {
    static held_names names;
    return names;
}

std::u16string name_of(int number, const std::u16string& extension) {
    const std::string digest = utility::sha1_hex("vuro_direct_script_" + std::to_string(number));
    if (digest.empty()) return {};
    return std::u16string(digest.begin(), digest.end()) + extension;
}

}  // namespace

std::u16string create_temporary_file_name(const std::u16string& folder,
                                          const std::u16string& extension) {
    held_names& names = held();
    // Every draw but the last meets a held name; as many draws as there are numbers make
    // a name all but certain while fewer are held.
    for (int draw = 0; draw < numbers; ++draw) {
        const std::u16string name = name_of(draw_random_number(), extension);
        if (name.empty()) return {};
        {
            const std::lock_guard<std::mutex> lock(names.mutex);
            if (!names.paths.insert(folder + name).second) continue;
        }
        if (!file_exists(folder + name)) return name;
        release_temporary_file_name(folder, name);
        return {};
    }
    return {};
}

void release_temporary_file_name(const std::u16string& folder, const std::u16string& name) {
    held_names& names = held();
    const std::lock_guard<std::mutex> lock(names.mutex);
    names.paths.erase(folder + name);
}

}  // namespace vuro_plugin
