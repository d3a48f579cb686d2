#include "ByteString.h"

#include <algorithm>

namespace Sumirel {

std::string Substring(std::string_view text, std::int64_t start, std::int64_t count) {
    const auto size = static_cast<std::int64_t>(text.size());
    if (start < 1) {
        start = 1;
    }
    if (count <= 0 || start > size) {
        return {};
    }
    const std::int64_t available = size - start + 1;
    return std::string(text.substr(static_cast<std::size_t>(start - 1),
                                   static_cast<std::size_t>(std::min(count, available))));
}

void DeleteBytes(std::string& text, std::int64_t start, std::int64_t count) {
    const auto size = static_cast<std::int64_t>(text.size());
    if (start < 1 || start > size || count <= 0) {
        return;
    }
    text.erase(static_cast<std::size_t>(start - 1),
               static_cast<std::size_t>(std::min(count, size - start + 1)));
}

void InsertBytes(std::string& text, std::string_view what, std::int64_t start) {
    const auto size = static_cast<std::int64_t>(text.size());
    const std::int64_t at = std::clamp<std::int64_t>(start, 1, size + 1);
    text.insert(static_cast<std::size_t>(at - 1), what);
}

}  // namespace Sumirel
