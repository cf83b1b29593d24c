#pragma once
// Base of the document classes: constructed from the document text, parsed once, then
// read. Not copyable.

namespace xml_access_library {

class abstract_xml_access {
public:
    abstract_xml_access() = default;
    abstract_xml_access(const abstract_xml_access&) = delete;
    abstract_xml_access& operator=(const abstract_xml_access&) = delete;
    virtual ~abstract_xml_access() = default;

    // Never throws: every failure gives false.
    virtual bool parse() = 0;
};

}  // namespace xml_access_library
