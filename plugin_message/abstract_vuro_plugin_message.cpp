#include "plugin_message/abstract_vuro_plugin_message.h"

// The out-of-line destructor is the key function: the virtual table and the type
// information live in the library, once, for every module that uses the class.
abstract_vuro_plugin_message::abstract_vuro_plugin_message() = default;
abstract_vuro_plugin_message::~abstract_vuro_plugin_message() = default;
