#pragma once
// Byte-string editing with 1-based byte positions.
//
// Every text of Sumirel is a std::string of Shift-JIS bytes. These helpers give the classic
// 1-based substring, delete and insert operations the diary engine is written in terms of,
// with their forgiving edge rules: a start past the end or a negative count gives an empty
// text, a count running past the end stops at the end, a start below 1 counts as 1.

#include <cstdint>
#include <string>
#include <string_view>

namespace Sumirel {

// The `count` bytes starting at the 1-based position `start`.
std::string Substring(std::string_view text, std::int64_t start, std::int64_t count);

// Removes `count` bytes at the 1-based position `start`; nothing when `start` is outside the
// text or `count` is not positive.
void DeleteBytes(std::string& text, std::int64_t start, std::int64_t count);

// Inserts `what` so that it begins at the 1-based position `start`; a start past the end
// appends, a start below 1 prepends.
void InsertBytes(std::string& text, std::string_view what, std::int64_t start);

}  // namespace Sumirel
