#pragma once
// The request records a host hands to a plug-in instance. Both cross the instance
// interface, so their layout is fixed: plain little-endian records of fixed UTF-16 arrays,
// each followed by its 32-bit length in code units (no terminator is relied on). Make
// them value-initialised (`processing_request request{};`) so that every byte, the unused
// ones included, starts as zero.
//
// Lengths are the host's word: a length beyond its field is never trusted. Every reader
// here (request_text) clamps it to the field's capacity, so a length of 5000 in a
// 200-unit field yields the 200 units and nothing past them.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vuro_plugin {

// One processing call (4,484 bytes). The fields named host_* belong to the host's side of
// the interface; a script instance never reads them. fill_host_constants sets them as a
// host does.
struct processing_request {
    char16_t composition_text[200];
    std::uint32_t composition_length;
    char16_t reading_text[200];
    std::uint32_t reading_length;
    std::uint32_t host_808;  // 1
    std::uint8_t unused_812[796];
    std::uint32_t host_1608;  // 0
    std::uint8_t unused_1612[796];
    std::uint8_t host_2408;  // 1
    std::uint8_t unused_2409[199];
    std::uint8_t host_2608;  // 0
    std::uint8_t unused_2609[199];
    std::uint8_t host_2808;  // 0
    std::uint8_t unused_2809[199];
    std::uint32_t host_3008;  // 1
    std::uint32_t host_3012;  // 0
    std::uint8_t unused_3016[4];
    std::uint32_t host_3020;  // 0
    std::uint8_t host_3024;   // 0
    std::uint8_t unused_3025;
    char16_t proxy_address[513];  // at most 512 units are used
    std::uint32_t proxy_address_length;
    std::int32_t proxy_port;
    char16_t proxy_username[100];
    std::uint32_t proxy_username_length;
    char16_t proxy_password[100];
    std::uint32_t proxy_password_length;
    std::uint8_t unused_4468[16];
};

// One callback call (2,256 bytes): which candidate the user confirmed.
struct callback_request {
    char16_t candidate_text[200];
    std::uint32_t candidate_length;
    std::uint32_t host_fields[2];    // the host's own; never read here
    char16_t composition_text[200];  // at the time of the candidate search
    std::uint32_t composition_length;
    char16_t proxy_address[512];
    std::uint32_t proxy_address_length;
    std::int32_t proxy_port;
    char16_t proxy_username[100];
    std::uint32_t proxy_username_length;
    char16_t proxy_password[100];
    std::uint32_t proxy_password_length;
};

// Sets the host_* fields of a processing request to the values a host sends; touches
// nothing else.
void fill_host_constants(processing_request& request);

// The first `length` units of `field`, never more than the field holds.
template <std::size_t capacity>
std::u16string request_text(const char16_t (&field)[capacity], std::uint32_t length) {
    return std::u16string(field, length < capacity ? length : capacity);
}

// Writes `text` into `field` and its length, cut to what the field holds; a cut never
// splits a surrogate pair. Returns false when the text was cut. Units past the text are
// left as they were (zero in a value-initialised record).
bool assign_request_text(char16_t* field, std::size_t capacity, std::uint32_t& length,
                         const std::u16string& text);

template <std::size_t capacity>
bool assign_request_text(char16_t (&field)[capacity], std::uint32_t& length,
                         const std::u16string& text) {
    return assign_request_text(field, capacity, length, text);
}

}  // namespace vuro_plugin
