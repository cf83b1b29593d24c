#include "plugin_message/vuro_plugin_message_quit_flag.h"

#include "plugin_message/internal/thread_utility.h"

struct vuro_plugin_message_quit_flag::impl {
    bool flag = false;
    thread_utility lock;
};

vuro_plugin_message_quit_flag::vuro_plugin_message_quit_flag() : impl_(new impl) {}

vuro_plugin_message_quit_flag::~vuro_plugin_message_quit_flag() { delete impl_; }

void vuro_plugin_message_quit_flag::set_flag(bool value) {
    thread_utility::scoped_lock hold(impl_->lock);
    impl_->flag = value;
}

bool vuro_plugin_message_quit_flag::get_flag() const {
    thread_utility::scoped_lock hold(impl_->lock);
    return impl_->flag;
}
