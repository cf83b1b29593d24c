#include "engine/script_file_access.h"

#include "engine/file_presence.h"
#include "utility/file_access.h"
#include "utility/url_encoding.h"

namespace vuro_plugin {

script_file_access::script_file_access(const std::u16string& folder,
                                       const std::u16string& file_name,
                                       const std::string& bridge_template)
    : path_(folder + file_name) {
    const std::string bridge = utility::url_decode(bridge_template);
    if (file_exists(path_)) {
        std::string existing;
        try {
            existing = utility::read_file(path_);
        } catch (const std::runtime_error& error) {
            throw bridge_file_failure(error.what());
        }
        if (existing != bridge)
            throw bridge_file_failure("script_file_access::script_file_access() : fault.");
        return;
    }
    try {
        utility::write_file(path_, bridge);
    } catch (const std::runtime_error& error) {
        remove_file(path_);
        throw bridge_file_failure(error.what());
    } catch (...) {
        remove_file(path_);
        throw;
    }
}

script_file_access::~script_file_access() { remove_file(path_); }

}  // namespace vuro_plugin
