#pragma once
// The three bridge scripts in stored form: each byte of the UTF-8 script form-encoded
// (utility::url_encode). utility::url_decode gives back the script's bytes. Generated at
// build time from bridge.pl, bridge.rb and bridge.py beside this header.
#include <string>

namespace vuro_plugin {

const std::string& stored_perl_bridge();
const std::string& stored_ruby_bridge();
const std::string& stored_python_bridge();

}  // namespace vuro_plugin
