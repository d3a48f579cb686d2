#pragma once
// The one way the diary engine looks for a tag or a marker: a regular expression searched in
// a byte string, the match reported as a 1-based byte position and a byte length.
//
// Patterns and texts are Shift-JIS bytes, matched byte by byte (no UTF mode); a NUL byte is
// an ordinary byte. Compiled patterns are kept for reuse, which changes nothing visible.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "diary/Reporter.h"

namespace Sumirel {

struct PatternMatch {
    std::uint32_t Position = 0;  // 1-based byte offset of the first byte of the match
    std::uint32_t Length = 0;    // bytes
    bool Found = false;
};

// The leftmost match in the whole text. A pattern the engine rejects shows the engine's
// message through the reporter and gives Found false.
PatternMatch FindPattern(std::string_view text, std::string_view pattern, Reporter& reporter);

struct SearchOutcome {
    PatternMatch Match;
    bool EngineFailed = false;  // the engine rejected the pattern (its message was shown)
};

// The leftmost match that begins at or after the 0-based byte offset `from`, as if the text
// before `from` were not there; Position still counts from the text's first byte. Also tells
// an engine failure apart from a search without a match.
SearchOutcome SearchPattern(std::string_view text, std::string_view pattern, std::size_t from,
                            Reporter& reporter);

}  // namespace Sumirel
