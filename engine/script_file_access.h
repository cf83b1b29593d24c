#pragma once
#include <stdexcept>
#include <string>

namespace vuro_plugin {

// The bridge file of a run could not be written; what() is the failing step's own text.
class bridge_file_failure : public std::runtime_error {
public:
    explicit bridge_file_failure(const std::string& text) : std::runtime_error(text) {}
};

// The bridge file of one interpreter run: written by the constructor, deleted by the
// destructor.
class script_file_access {
public:
    // Writes the decoded `bridge_template` to folder + file name. A file already there
    // with the same bytes is kept as it is. Throws bridge_file_failure with the text
    // "script_file_access::script_file_access() : fault." when an existing file holds
    // other bytes, and with the utility file errors' texts when the file cannot be read
    // or written (a partly written file is removed first).
    script_file_access(const std::u16string& folder, const std::u16string& file_name,
                       const std::string& bridge_template);
    ~script_file_access();
    script_file_access(const script_file_access&) = delete;
    script_file_access& operator=(const script_file_access&) = delete;

    const std::u16string& path() const { return path_; }

private:
    std::u16string path_;
};

}  // namespace vuro_plugin
