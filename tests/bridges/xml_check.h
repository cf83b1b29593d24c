#pragma once
// Reads the candidate XML of the end-to-end tests with libxml2.
#include <string>
#include <vector>

namespace bridge_test {

// Empty when `document` is well-formed XML, else libxml2's error text.
std::string xml_error(const std::string& document);

// Text of every element named `name`, in document order (entities resolved once).
std::vector<std::string> element_texts(const std::string& document, const std::string& name);

}  // namespace bridge_test
