// The request records a host hands to a plug-in instance, with any bytes and any lengths:
// every argument made of them for the bridge is form-encoded, decodes to the field's text
// cut at the field's capacity (a longer length never reads past it), and the port is its
// decimal value.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/bridge_arguments.h"
#include "fuzz/support/fuzz_check.h"
#include "utility/text_conversion.h"
#include "utility/url_encoding.h"

namespace {

using fuzz_support::require;

// A length near the capacity half of the time, any value otherwise.
std::uint32_t consume_length(FuzzedDataProvider& input, std::uint32_t capacity) {
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint32_t>(0, capacity + 2)
                               : input.ConsumeIntegral<std::uint32_t>();
}

template <class Record>
struct text_field {
    std::uint32_t Record::*length;
    char16_t* (*units)(Record&);
    std::uint32_t capacity;
};

// The record's bytes from the input, then its lengths (drawn first, from the input's end).
// Half of the time the texts hold no NUL: the conversion would end them there, and a read
// past a field would go unseen.
template <class Record>
std::unique_ptr<Record> consume_record(FuzzedDataProvider& input,
                                       const text_field<Record> (&fields)[5]) {
    std::uint32_t drawn[5];
    for (std::size_t i = 0; i < 5; ++i) drawn[i] = consume_length(input, fields[i].capacity);
    const bool without_nuls = input.ConsumeBool();
    auto record = std::make_unique<Record>();  // on the heap, so that ASan sees its end
    input.ConsumeData(record.get(), sizeof(Record));
    for (std::size_t i = 0; i < 5; ++i) {
        (*record).*fields[i].length = drawn[i];
        char16_t* units = fields[i].units(*record);
        for (std::uint32_t u = 0; without_nuls && u < fields[i].capacity; ++u)
            if (units[u] == 0) units[u] = u'x';
    }
    return record;
}

void check_arguments(const std::vector<std::u16string>& arguments,
                     const std::vector<std::string>& texts, std::int32_t port) {
    require(arguments.size() == 6, "six arguments");
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string narrow(arguments[i].begin(), arguments[i].end());
        if (i == 3) {
            require(narrow == std::to_string(port), "the port is its decimal value");
            continue;
        }
        require(narrow.find_first_not_of("%+._-0123456789ABCDEF") == std::string::npos,
                "a text argument is form-encoded");
        fuzz_support::require_same(utility::url_decode(narrow), texts[i < 3 ? i : i - 1],
                                   "a text argument is its field, cut to the field");
    }
}

// The record's arguments against its fields, each cut to its capacity by the test itself.
template <class Record>
void check_record(FuzzedDataProvider& input, const text_field<Record> (&fields)[5],
                  std::vector<std::u16string> (*arguments_of)(const Record&)) {
    const auto record = consume_record(input, fields);
    std::vector<std::string> texts;
    for (const text_field<Record>& field : fields) {
        const std::uint32_t length = std::min((*record).*field.length, field.capacity);
        const char16_t* units = field.units(*record);
        texts.push_back(utility::utf16_to_utf8(std::u16string(units, units + length)));
    }
    check_arguments(arguments_of(*record), texts, record->proxy_port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using processing = vuro_plugin::processing_request;
    using callback = vuro_plugin::callback_request;
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) {
        check_record<callback>(
            input,
            {{&callback::candidate_length, [](callback& r) { return r.candidate_text; }, 200},
             {&callback::composition_length, [](callback& r) { return r.composition_text; }, 200},
             {&callback::proxy_address_length, [](callback& r) { return r.proxy_address; }, 512},
             {&callback::proxy_username_length, [](callback& r) { return r.proxy_username; }, 100},
             {&callback::proxy_password_length, [](callback& r) { return r.proxy_password; }, 100}},
            &vuro_plugin::callback_arguments);
    } else {
        check_record<processing>(
            input,
            {{&processing::composition_length, [](processing& r) { return r.composition_text; },
              200},
             {&processing::reading_length, [](processing& r) { return r.reading_text; }, 200},
             {&processing::proxy_address_length, [](processing& r) { return r.proxy_address; },
              513},
             {&processing::proxy_username_length, [](processing& r) { return r.proxy_username; },
              100},
             {&processing::proxy_password_length, [](processing& r) { return r.proxy_password; },
              100}},
            &vuro_plugin::processing_arguments);
    }
    return 0;
}
