#include "plugin_message/vuro_plugin_message_run_palette.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/native_thread.h"
#include "plugin_message/internal/palette_notification.h"
#include "plugin_message/internal/signal_event.h"
#include "plugin_message/internal/text_storage.h"
#include "plugin_message/internal/thread_access.h"
#include "plugin_message/internal/thread_utility.h"

namespace {

constexpr unsigned int send_text_limit = 10240;
constexpr int stop_after_timeout_ms = 100;

// What one worker needs. The worker owns it, and shares the event and the record with
// the message, so that an abandoned worker never touches freed memory.
struct worker_context {
    vuro_plugin_message_run_palette::observer observer;
    std::shared_ptr<const vuro_plugin_request_data> request;
    std::shared_ptr<signal_event> finished;
};

unsigned run_observer(void* argument) {
    const std::unique_ptr<worker_context> context(static_cast<worker_context*>(argument));
    platform::call_shielded([&] { context->observer(*context->request); });
    context->finished->set();
    return 0;
}

// A fresh object when an abandoned worker still holds the current one.
template <class T>
void make_exclusive(std::shared_ptr<T>& shared) {
    if (shared.use_count() > 1) shared = std::make_shared<T>();
}

}  // namespace

struct vuro_plugin_message_run_palette::impl {
    std::shared_ptr<signal_event> observer_finished = std::make_shared<signal_event>();
    thread_utility lock;  // guards observer and request
    std::int64_t window;
    int notification_value;
    // The send text has its own short lock: it is replaced by the plug-in's threads and
    // read by the host's window thread, and must not wait behind a running observer.
    mutable std::mutex send_text_mutex;
    std::u16string send_text;
    observer observer_function = nullptr;
    std::shared_ptr<vuro_plugin_request_data> request =
        std::make_shared<vuro_plugin_request_data>();

    impl(std::int64_t window_handle, int value)
        : window(window_handle), notification_value(value) {}
};

vuro_plugin_message_run_palette::vuro_plugin_message_run_palette(std::int64_t window,
                                                                 int notification_value)
    : impl_(new impl(window, notification_value)) {}

vuro_plugin_message_run_palette::~vuro_plugin_message_run_palette() { delete impl_; }

int vuro_plugin_message_run_palette::send_message(const unsigned short* text, unsigned int length) {
    if (length == 0) return 3;
    const int stored = text_storage::guarded([&] {
        std::u16string value = text_storage::bounded(text, length, send_text_limit);
        std::lock_guard<std::mutex> hold(impl_->send_text_mutex);
        impl_->send_text = std::move(value);
    });
    if (stored != text_storage::stored) return stored;
    int result = 3;
    const int posted = text_storage::guarded([&] {
        if (post_palette_notification(impl_->window, impl_->notification_value)) result = 0;
    });
    return posted == text_storage::stored ? result : posted;
}

unsigned int vuro_plugin_message_run_palette::get_size_send_message() const {
    std::lock_guard<std::mutex> hold(impl_->send_text_mutex);
    return static_cast<unsigned int>(impl_->send_text.size());
}

bool vuro_plugin_message_run_palette::get_send_message(unsigned short* buffer,
                                                       unsigned int size) const {
    std::lock_guard<std::mutex> hold(impl_->send_text_mutex);
    return text_storage::copy_out(impl_->send_text, buffer, size);
}

void vuro_plugin_message_run_palette::set_observer(observer function) {
    thread_utility::scoped_lock hold(impl_->lock);
    impl_->observer_function = function;
}

void vuro_plugin_message_run_palette::set_request_data(const vuro_plugin_request_data& request) {
    thread_utility::scoped_lock hold(impl_->lock);
    if (impl_->observer_function == nullptr) return;
    try {
        make_exclusive(impl_->request);
        make_exclusive(impl_->observer_finished);
        *impl_->request = request;

        thread_access worker(&run_observer);
        auto context = std::make_unique<worker_context>(
            worker_context{impl_->observer_function, impl_->request, impl_->observer_finished});
        impl_->observer_finished->reset();
        if (worker.start_thread(context.get())) context.release();
        // A worker that did not start is noticed by the time-out, like one that hangs.
        if (!impl_->observer_finished->wait_signal()) {
            worker.stop(stop_after_timeout_ms);
            throw std::runtime_error("module_thread_access::thread_begin() fault.");
        }
    } catch (...) {
        // The caller learns nothing of the observer's run.
    }
}
