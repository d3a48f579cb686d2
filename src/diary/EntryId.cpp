#include "diary/EntryId.h"

#include <cstdio>

#include "platform/StableHash.h"

namespace Sumirel {

std::uint64_t BlockHash(std::string_view block) {
    return StableHash(block);
}

std::string EntryTagUri(std::string_view host, const std::optional<CivilDate>& date,
                        std::uint64_t hash, std::size_t occurrence) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    std::string uri = "tag:";
    uri.append(host).append(",").append(date ? IsoDate(*date) : "2000-01-01");
    uri.append(":entry-").append(hex);
    if (occurrence > 1) {
        uri.append(".").append(std::to_string(occurrence));
    }
    return uri;
}

}  // namespace Sumirel
