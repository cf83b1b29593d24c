#pragma once
// The preference document beside a plug-in script: display names, description, copyright,
// version and two capability switches, each a direct child of the root element.
#include <cstdint>
#include <memory>
#include <string>

#include "xml_access_library/abstract_xml_access.h"

namespace xml_access_library {

struct script_preference_data {
    std::u16string name;             // at most 100 code units
    std::u16string name_short;       // at most 16
    std::u16string description;      // at most 256
    std::u16string copyright;        // at most 256
    std::int32_t major_version = 0;  // 0 to 100
    std::int32_t minor_version = 0;
    bool preference = false;
    bool callback = false;
};

class script_preference : public abstract_xml_access {
public:
    // `text` is the file's bytes, unchanged. Throws
    // std::runtime_error("xml_access_utility_impl::impl() : failed") for an empty text,
    // and document_too_large (xml_errors.h, same text) for one over 10,485,760 bytes.
    explicit script_preference(const std::string& text);
    ~script_preference() override;

    // The record is written only when every value has been read.
    bool parse() override;
    script_preference_data get_preference() const;
    // Line and reason when the text was not well-formed XML; empty otherwise.
    std::u16string get_diagnostic() const;

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace xml_access_library
