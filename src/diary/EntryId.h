#pragma once
// The atom:id of a diary entry, a tag: URI (RFC 4151):
//
//   tag:<host>,<date>:entry-<hash>[.<n>]
//
// <host> is the host of the feed's Url in lower case. <date> is the entry's date as
// YYYY-MM-DD when its date text reads as a date, else 2000-01-01. <hash> is the 64-bit FNV-1a
// hash of the entry's block as the diary file stores it, from "<Start>" through "<End>"
// (line breaks as CR LF), in 16 hexadecimal digits. Writing a new entry or rebuilding leaves
// the stored blocks unchanged, so their ids stay; editing an entry by hand makes it a new
// entry for feed readers. When the diary holds the same block more than once (Write pressed
// twice), the copies are counted from the oldest: the first has no suffix, the next ".2",
// and so on, so the ids of older copies do not move when entries are added on top.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "diary/FeedDates.h"

namespace Sumirel {

std::uint64_t BlockHash(std::string_view block);

// occurrence: 1 for the oldest copy of a block.
std::string EntryTagUri(std::string_view host, const std::optional<CivilDate>& date,
                        std::uint64_t hash, std::size_t occurrence);

}  // namespace Sumirel
