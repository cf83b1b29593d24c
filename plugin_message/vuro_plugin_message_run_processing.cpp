#include "plugin_message/vuro_plugin_message_run_processing.h"

#include <string>
#include <utility>
#include <vector>

#include "plugin_message/internal/comment_conversion.h"
#include "plugin_message/internal/text_storage.h"

namespace {

constexpr unsigned int max_candidates = 100;
constexpr unsigned int hyoki_limit = 100;
constexpr unsigned int comment_limit = 1024;
constexpr unsigned int alternative_limit = 512;
constexpr unsigned int text_limit = 1024;
constexpr unsigned int url_limit = 512;
constexpr unsigned int url_description_limit = 100;
constexpr unsigned int tooltip_limit = 512;
constexpr unsigned int error_notify_on_limit = 64;
constexpr unsigned int error_notify_off_limit = 1024;
constexpr unsigned int no_such_candidate = 0xFFFFFFFFu;

constexpr int alternative_definite = 0;
constexpr int alternative_url_jump = 1;

struct alternative {
    int type;
    std::u16string text;
};

const std::u16string& text_of(const std::u16string& entry) { return entry; }
const std::u16string& text_of(const alternative& entry) { return entry.text; }

template <class Entry>
unsigned int entry_size(const std::vector<Entry>& list, unsigned int index) {
    if (index >= list.size()) return no_such_candidate;
    return static_cast<unsigned int>(text_of(list[index]).size());
}

template <class Entry>
bool copy_entry(const std::vector<Entry>& list, unsigned int index, unsigned short* buffer,
                unsigned int size) {
    if (index >= list.size()) return false;
    return text_storage::copy_out(text_of(list[index]), buffer, size);
}

// Replaces `target` with the bounded text; the old value stays on failure.
int store(std::u16string& target, const unsigned short* text, unsigned int length,
          unsigned int limit) {
    return text_storage::guarded([&] { target = text_storage::bounded(text, length, limit); });
}

}  // namespace

struct vuro_plugin_message_run_processing::impl {
    std::vector<std::u16string> hyoki;
    std::vector<std::u16string> comments;
    std::vector<alternative> alternatives;
    std::u16string text;
    std::u16string text_url;
    std::u16string text_url_description;
    std::u16string tooltip;
    std::u16string error_notify_on;
    std::u16string error_notify_off;
    bool error = false;
};

vuro_plugin_message_run_processing::vuro_plugin_message_run_processing() : impl_(new impl) {}

vuro_plugin_message_run_processing::~vuro_plugin_message_run_processing() { delete impl_; }

int vuro_plugin_message_run_processing::get_return_type() const {
    if (impl_->error) return 1;
    const bool has_result = !impl_->hyoki.empty() || !impl_->comments.empty() ||
                            !impl_->alternatives.empty() || !impl_->text.empty() ||
                            !impl_->tooltip.empty();
    return has_result ? 0 : 2;
}

int vuro_plugin_message_run_processing::set_text(const unsigned short* text, unsigned int length) {
    return store(impl_->text, text, length, text_limit);
}

int vuro_plugin_message_run_processing::set_text_url(const unsigned short* text,
                                                     unsigned int length) {
    if (length > url_limit) return text_storage::too_long;
    return store(impl_->text_url, text, length, url_limit);
}

int vuro_plugin_message_run_processing::set_text_url_description(const unsigned short* text,
                                                                 unsigned int length) {
    return store(impl_->text_url_description, text, length, url_description_limit);
}

int vuro_plugin_message_run_processing::set_tooltip(const unsigned short* text,
                                                    unsigned int length) {
    return store(impl_->tooltip, text, length, tooltip_limit);
}

int vuro_plugin_message_run_processing::set_error(const unsigned short* notify_on,
                                                  unsigned int notify_on_length,
                                                  const unsigned short* notify_off,
                                                  unsigned int notify_off_length) {
    impl_->error = true;
    // Both texts are prepared before either is replaced, so a failure changes neither.
    return text_storage::guarded([&] {
        std::u16string on =
            text_storage::bounded(notify_on, notify_on_length, error_notify_on_limit);
        std::u16string off =
            text_storage::bounded(notify_off, notify_off_length, error_notify_off_limit);
        impl_->error_notify_on = std::move(on);
        impl_->error_notify_off = std::move(off);
    });
}

int vuro_plugin_message_run_processing::add_candidate_hyoki(const unsigned short* text,
                                                            unsigned int length) {
    if (impl_->hyoki.size() >= max_candidates) return text_storage::list_full;
    return text_storage::guarded(
        [&] { impl_->hyoki.push_back(text_storage::bounded(text, length, hyoki_limit)); });
}

int vuro_plugin_message_run_processing::add_candidate_comment(const unsigned short* text,
                                                              unsigned int length) {
    if (impl_->comments.size() >= max_candidates) return text_storage::list_full;
    return text_storage::guarded([&] {
        impl_->comments.push_back(
            convert_comment(text_storage::bounded(text, length, comment_limit)));
    });
}

int vuro_plugin_message_run_processing::add_candidate_alternative(const unsigned short* text,
                                                                  unsigned int length, int type) {
    if (impl_->alternatives.size() >= max_candidates) return text_storage::list_full;
    if (type != alternative_definite && type != alternative_url_jump) return text_storage::failed;
    if (type == alternative_url_jump && length > alternative_limit) return text_storage::too_long;
    return text_storage::guarded([&] {
        impl_->alternatives.push_back(
            alternative{type, text_storage::bounded(text, length, alternative_limit)});
    });
}

unsigned int vuro_plugin_message_run_processing::get_size_text() const {
    return static_cast<unsigned int>(impl_->text.size());
}
unsigned int vuro_plugin_message_run_processing::get_size_text_url() const {
    return static_cast<unsigned int>(impl_->text_url.size());
}
unsigned int vuro_plugin_message_run_processing::get_size_text_url_description() const {
    return static_cast<unsigned int>(impl_->text_url_description.size());
}
unsigned int vuro_plugin_message_run_processing::get_size_tooltip() const {
    return static_cast<unsigned int>(impl_->tooltip.size());
}
unsigned int vuro_plugin_message_run_processing::get_size_error_notify_on() const {
    return static_cast<unsigned int>(impl_->error_notify_on.size());
}
unsigned int vuro_plugin_message_run_processing::get_size_error_notify_off() const {
    return static_cast<unsigned int>(impl_->error_notify_off.size());
}

bool vuro_plugin_message_run_processing::get_text(unsigned short* buffer, unsigned int size) const {
    return text_storage::copy_out(impl_->text, buffer, size);
}
bool vuro_plugin_message_run_processing::get_text_url(unsigned short* buffer,
                                                      unsigned int size) const {
    return text_storage::copy_out(impl_->text_url, buffer, size);
}
bool vuro_plugin_message_run_processing::get_text_url_description(unsigned short* buffer,
                                                                  unsigned int size) const {
    return text_storage::copy_out(impl_->text_url_description, buffer, size);
}
bool vuro_plugin_message_run_processing::get_tooltip(unsigned short* buffer,
                                                     unsigned int size) const {
    return text_storage::copy_out(impl_->tooltip, buffer, size);
}
bool vuro_plugin_message_run_processing::get_error_notify_on(unsigned short* buffer,
                                                             unsigned int size) const {
    return text_storage::copy_out(impl_->error_notify_on, buffer, size);
}
bool vuro_plugin_message_run_processing::get_error_notify_off(unsigned short* buffer,
                                                              unsigned int size) const {
    return text_storage::copy_out(impl_->error_notify_off, buffer, size);
}

unsigned int vuro_plugin_message_run_processing::get_count_candidate_hyoki() const {
    return static_cast<unsigned int>(impl_->hyoki.size());
}
unsigned int vuro_plugin_message_run_processing::get_count_candidate_comment() const {
    return static_cast<unsigned int>(impl_->comments.size());
}
unsigned int vuro_plugin_message_run_processing::get_count_candidate_alternative() const {
    return static_cast<unsigned int>(impl_->alternatives.size());
}

unsigned int vuro_plugin_message_run_processing::get_size_candidate_hyoki(
    unsigned int index) const {
    return entry_size(impl_->hyoki, index);
}
unsigned int vuro_plugin_message_run_processing::get_size_candidate_comment(
    unsigned int index) const {
    return entry_size(impl_->comments, index);
}
unsigned int vuro_plugin_message_run_processing::get_size_candidate_alternative(
    unsigned int index) const {
    return entry_size(impl_->alternatives, index);
}

bool vuro_plugin_message_run_processing::get_candidate_hyoki(unsigned int index,
                                                             unsigned short* buffer,
                                                             unsigned int size) const {
    return copy_entry(impl_->hyoki, index, buffer, size);
}
bool vuro_plugin_message_run_processing::get_candidate_comment(unsigned int index,
                                                               unsigned short* buffer,
                                                               unsigned int size) const {
    return copy_entry(impl_->comments, index, buffer, size);
}
bool vuro_plugin_message_run_processing::get_candidate_alternative(unsigned int index,
                                                                   unsigned short* buffer,
                                                                   unsigned int size,
                                                                   int& type) const {
    if (!copy_entry(impl_->alternatives, index, buffer, size)) return false;
    type = impl_->alternatives[index].type;
    return true;
}
