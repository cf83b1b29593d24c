#include "tests/bridges/xml_check.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

namespace bridge_test {
namespace {

struct document_deleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using document_ptr = std::unique_ptr<xmlDoc, document_deleter>;

document_ptr read(const std::string& text) {
    return document_ptr(xmlReadMemory(text.data(), static_cast<int>(text.size()), "candidates.xml",
                                      nullptr,
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

void collect(xmlNode* node, const std::string& name, std::vector<std::string>& texts) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (name == reinterpret_cast<const char*>(node->name)) {
            xmlChar* content = xmlNodeGetContent(node);
            texts.emplace_back(content != nullptr ? reinterpret_cast<const char*>(content) : "");
            xmlFree(content);
        }
        collect(node->children, name, texts);
    }
}

}  // namespace

std::string xml_error(const std::string& document) {
    xmlResetLastError();
    if (read(document)) return {};
    const xmlError* error = xmlGetLastError();
    return error != nullptr && error->message != nullptr ? error->message : "not well-formed";
}

std::vector<std::string> element_texts(const std::string& document, const std::string& name) {
    std::vector<std::string> texts;
    const document_ptr parsed = read(document);
    if (parsed) collect(xmlDocGetRootElement(parsed.get()), name, texts);
    return texts;
}

}  // namespace bridge_test
