#include "xml_access_library/dom_document.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "xml_access_library/byte_layout.h"
#include "xml_access_library/fallback_encodings.h"
#include "xml_access_library/xml_access_utility_impl.h"
#include "xml_access_library/xml_node.h"

namespace xml_access_library::detail {
namespace {

// Never XML_PARSE_NOENT, XML_PARSE_DTDLOAD, XML_PARSE_DTDATTR or XML_PARSE_DTDVALID: each
// makes libxml2 fetch external entities or DTDs. Never XML_PARSE_HUGE: it lifts the
// entity-expansion limits. The tree is never modified, so small texts may be stored
// compactly inside their nodes.
constexpr int parse_options =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

// Documents written on Windows that declare Shift_JIS are in code page 932, a superset
// that also maps 0x5C to the backslash and 0x8160 to the full-width tilde.
void register_shift_jis_aliases() {
    xmlCharEncodingHandlerPtr handler = code_page_932_handler();
    if (handler == nullptr) return;
    xmlCharEncCloseFunc(handler);
    for (const char* alias :
         {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "X-SJIS", "MS_KANJI", "CSSHIFTJIS", "WINDOWS-31J"})
        xmlAddEncodingAlias("CP932", alias);
}

void initialise_once() {
    static std::once_flag flag;
    std::call_once(flag, [] {
        xmlInitParser();
        register_shift_jis_aliases();
        register_utf32_handlers();
    });
}

void ignore_error(void*, xmlErrorPtr) {}

// Keeps libxml2 from printing errors on this thread while a document loads; the error
// stays readable from the parser context.
class silenced_errors {
public:
    silenced_errors() : handler_(xmlStructuredError), context_(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(nullptr, ignore_error);
    }
    ~silenced_errors() { xmlSetStructuredErrorFunc(context_, handler_); }
    silenced_errors(const silenced_errors&) = delete;
    silenced_errors& operator=(const silenced_errors&) = delete;

private:
    xmlStructuredErrorFunc handler_;
    void* context_;
};

std::string trimmed_reason(const char* message) {
    std::string reason = message ? message : "unknown error";
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    return reason;
}

// libxml2 pulls the text through this in chunks instead of first copying all of it.
struct memory_reader {
    std::string_view rest;

    static int read(void* context, char* buffer, int length) {
        auto& reader = *static_cast<memory_reader*>(context);
        const std::size_t count = std::min(reader.rest.size(), static_cast<std::size_t>(length));
        std::memcpy(buffer, reader.rest.data(), count);
        reader.rest.remove_prefix(count);
        return static_cast<int>(count);
    }
};

// A byte-order mark names the encoding and wins over the XML declaration; the mark itself
// is not passed on.
xmlDocPtr parse_in_chunks(xmlParserCtxtPtr context, std::string_view bytes,
                          const byte_layout& layout) {
    memory_reader reader{bytes.substr(layout.mark_size)};
    const int options =
        layout.marked_encoding ? parse_options | XML_PARSE_IGNORE_ENC : parse_options;
    return xmlCtxtReadIO(context, memory_reader::read, nullptr, &reader, nullptr,
                         layout.marked_encoding, options);
}

}  // namespace

dom_document::dom_document(xmlDocPtr document) : document_(document) { document_->_private = this; }

dom_document::~dom_document() { xmlFreeDoc(document_); }

void dom_document::charge_expansion(std::size_t bytes) {
    expanded_ += bytes;
    if (expanded_ > xml_access_utility_impl::max_text_size)
        throw dom_error("xml_access_utility : entity expansion over the limit");
}

dom_document& owner_of(const xmlNode* node) {
    return *static_cast<dom_document*>(node->doc->_private);
}

load_result load_document(std::string_view bytes) {
    initialise_once();
    load_result result;
    if (bytes.empty()) {
        result.line = 1;
        result.reason = "Document is empty";
        return result;
    }
    const byte_layout layout = detect_byte_layout(bytes);
    if (const nul_position nul = find_nul_character(bytes, layout); nul.found) {
        result.line = nul.line;
        result.reason = "Char 0x0 out of allowed range";
        return result;
    }
    silenced_errors silence;
    std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> context(xmlNewParserCtxt(),
                                                                       xmlFreeParserCtxt);
    xmlDocPtr document = context ? parse_in_chunks(context.get(), bytes, layout) : nullptr;
    if (document == nullptr) {
        const xmlError* error = context ? xmlCtxtGetLastError(context.get()) : nullptr;
        result.line = error ? error->line : 0;
        result.reason = trimmed_reason(error ? error->message : "out of memory");
        return result;
    }
    try {
        result.document = std::make_shared<dom_document>(document);
    } catch (...) {
        xmlFreeDoc(document);
        throw;
    }
    return result;
}

}  // namespace xml_access_library::detail
