// A third-party host built against the installed message library: it uses an exported
// class and tests a message's type across the library boundary.
#include <cstdio>

#include "plugin_message/vuro_plugin_message.h"

namespace {
class host_message : public abstract_vuro_plugin_message {};
}  // namespace

int main() {
    vuro_plugin_message_quit_flag flag;
    flag.set_flag(true);
    host_message message;
    abstract_vuro_plugin_message& base = message;
    if (!flag.get_flag() || dynamic_cast<host_message*>(&base) == nullptr) return 1;
    std::puts("host ok");
    return 0;
}
