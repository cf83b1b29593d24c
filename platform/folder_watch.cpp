#include "platform/folder_watch.h"

namespace platform {
namespace {

char16_t ascii_lower(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? unit + 32 : unit; }

bool ends_with_ignoring_case(const std::u16string& name, const std::u16string& end) {
    if (end.size() > name.size()) return false;
    const std::size_t start = name.size() - end.size();
    for (std::size_t i = 0; i < end.size(); ++i)
        if (ascii_lower(name[start + i]) != ascii_lower(end[i])) return false;
    return true;
}

}  // namespace

bool is_watched_name(const std::u16string& name, const std::vector<std::u16string>& extensions) {
    if (name.empty() || name[0] == u'.') return false;
    for (const std::u16string& extension : extensions)
        if (ends_with_ignoring_case(name, extension)) return true;
    return false;
}

}  // namespace platform
