#pragma once
// The result of one processing call of a plug-in: three candidate lists (表記 strings,
// comments, alternatives) of up to 100 entries each, a text with URL and URL
// description, a tooltip, or an error.
//
// Strings are UTF-16 code units with a length in code units, never NUL-terminated on the
// way out; a NUL inside a given text ends the stored value. Setters and adders return:
//   0 stored, 1 out of memory, 2 any other failure (also: an alternative type other than
//   0 and 1, or a null text with a non-zero length), 4 the list already holds 100
//   entries, 5 a text over 512 code units refused.
// On every code but 0 the previous value or list is unchanged. A host reads a value
// with its size getter, then the copying getter, which fails (false, nothing written)
// when the buffer is smaller than the value. Not thread-safe: one thread at a time.
#include "plugin_message/abstract_vuro_plugin_message.h"
#include "plugin_message/vuro_plugin_message_export.h"

class VURO_PLUGIN_MESSAGE_API vuro_plugin_message_run_processing
    : public abstract_vuro_plugin_message {
public:
    vuro_plugin_message_run_processing();
    ~vuro_plugin_message_run_processing() override;

    // 1 when an error was set; else 0 when a candidate, the text or the tooltip is
    // stored; else 2 (a URL alone does not count).
    int get_return_type() const;

    int set_text(const unsigned short* text, unsigned int length);                  // cut to 1024
    int set_text_url(const unsigned short* text, unsigned int length);              // over 512: 5
    int set_text_url_description(const unsigned short* text, unsigned int length);  // 100
    int set_tooltip(const unsigned short* text, unsigned int length);               // cut to 512
    // Sets the error flag first (it stays set even when storing fails), then stores the
    // texts shown with notification on (cut to 64) and off (cut to 1024).
    int set_error(const unsigned short* notify_on, unsigned int notify_on_length,
                  const unsigned short* notify_off, unsigned int notify_off_length);

    int add_candidate_hyoki(const unsigned short* text, unsigned int length);  // cut to 100
    // Cut to 1024, then stored as an HTML fragment (escaped, "\n" and line feeds as
    // "<br />", ESC ENQ ... "\n" in red, ESC EOT removed).
    int add_candidate_comment(const unsigned short* text, unsigned int length);
    // Type 0, a definite string: cut to 512. Type 1, a URL jump: over 512 refused (5).
    int add_candidate_alternative(const unsigned short* text, unsigned int length, int type);

    unsigned int get_size_text() const;
    unsigned int get_size_text_url() const;
    unsigned int get_size_text_url_description() const;
    unsigned int get_size_tooltip() const;
    unsigned int get_size_error_notify_on() const;
    unsigned int get_size_error_notify_off() const;

    bool get_text(unsigned short* buffer, unsigned int size) const;
    bool get_text_url(unsigned short* buffer, unsigned int size) const;
    bool get_text_url_description(unsigned short* buffer, unsigned int size) const;
    bool get_tooltip(unsigned short* buffer, unsigned int size) const;
    bool get_error_notify_on(unsigned short* buffer, unsigned int size) const;
    bool get_error_notify_off(unsigned short* buffer, unsigned int size) const;

    unsigned int get_count_candidate_hyoki() const;
    unsigned int get_count_candidate_comment() const;
    unsigned int get_count_candidate_alternative() const;

    // 0xFFFFFFFF when the index is not below the count.
    unsigned int get_size_candidate_hyoki(unsigned int index) const;
    unsigned int get_size_candidate_comment(unsigned int index) const;
    unsigned int get_size_candidate_alternative(unsigned int index) const;

    // False for an index out of range or a buffer smaller than the entry.
    bool get_candidate_hyoki(unsigned int index, unsigned short* buffer, unsigned int size) const;
    bool get_candidate_comment(unsigned int index, unsigned short* buffer, unsigned int size) const;
    // On success also stores the entry's type.
    bool get_candidate_alternative(unsigned int index, unsigned short* buffer, unsigned int size,
                                   int& type) const;

private:
    struct impl;
    impl* impl_;
};
