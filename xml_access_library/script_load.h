#pragma once
// The candidate list a plug-in prints through the bridge: every element `item` below the
// root whose attribute `type` is "script_candidate" is one candidate.
#include <memory>
#include <string>
#include <vector>

#include "xml_access_library/abstract_xml_access.h"

namespace xml_access_library {

struct script_candidate_data {
    std::u16string title;              // at most 100 code units
    std::u16string comment;            // at most 10240
    std::u16string alternative;        // at most 512; only for the two string types
    std::u16string alternative_type;   // one of the four types, or empty
    std::u16string alternative_alias;  // at most 100
    std::u16string info;               // at most 64
};

class script_load : public abstract_xml_access {
public:
    static constexpr std::size_t max_records = 101;

    // `text` is the script's standard output as captured. Throws
    // std::runtime_error("xml_access_utility_impl::impl() : failed") for an empty text,
    // and document_too_large (xml_errors.h, same text) for one over 10,485,760 bytes.
    explicit script_load(const std::string& text);
    ~script_load() override;

    // Fills the list once; a failure part-way keeps the records read before it.
    bool parse() override;
    std::vector<script_candidate_data> get_candidate_list() const;
    // Line and reason when the text was not well-formed XML; empty otherwise.
    std::u16string get_diagnostic() const;

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace xml_access_library
