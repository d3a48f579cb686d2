#pragma once
// Shift-JIS (code page 932) bytes as UTF-8, for the few outputs that must be UTF-8 whatever
// the system's own texts are (the Atom feed).

#include <string>
#include <string_view>

namespace Sumirel {

// Every byte sequence that is not code page 932 becomes U+FFFD, one for each byte, so the
// result is always valid UTF-8 and nothing else of the text is lost.
std::string Utf8FromShiftJis(std::string_view sjis);

}  // namespace Sumirel
