#pragma once
// The result message of a script plug-in: the candidates its processing calls returned,
// and the XML document a host's candidate viewer reads. Made by the instance's
// create_plugin_message, held through a boost::shared_ptr to the library's base class,
// recognised with dynamic_cast. Not thread-safe: one thread at a time.
#include <cstdint>
#include <string>
#include <vector>

#include "plugin_message/abstract_vuro_plugin_message.h"

namespace vuro_plugin {

// One candidate (note: the alias comes before the type).
struct message_script_item {
    std::u16string title;  // shown in the viewer
    std::u16string comment;
    std::u16string alternative;        // text to commit or address to open
    std::u16string alternative_alias;  // text shown for the alternative
    std::u16string alternative_type;   // "definite_string", "url_jump_string" or another kind
    std::u16string info;
};

class message_script : public abstract_vuro_plugin_message {
public:
    message_script();
    ~message_script() override;

    // Appends a copy; the list only grows.
    void append_item(const message_script_item& item);
    const std::vector<message_script_item>& items() const { return items_; }

    // The viewer document, UTF-8 with LF line ends: an `itemlist` with one
    // `item type="candidate"` per candidate, numbered from 0 in list order, each carrying
    // `plugin_index` and `generation_id`. Empty texts leave their elements out; an
    // alternative is written only for "definite_string", and for "url_jump_string" when
    // its target begins with "http". Texts are escaped, so every text comes back whole
    // from an XML parser. Does not change the message. Conversion errors
    // ("::WideCharToMultiByte() : failed") pass to the caller.
    std::string write_candidate_xml(std::int32_t plugin_index, std::int32_t generation_id) const;

private:
    std::vector<message_script_item> items_;
};

}  // namespace vuro_plugin
