#pragma once
// HTML character references in UTF-8 text. The diary holds a character that Shift-JIS lacks
// as a numeric reference (&#x1F600;); the feed carries it as the character itself.

#include <string>
#include <string_view>

namespace Sumirel {

enum class ReferenceDecoding {
    // For HTML that stays HTML: numeric references become their characters, except those
    // that would change the markup (< > & " ') or are control characters, which stay as
    // written. Named references stay as written.
    KeepMarkup,
    // For plain text: numeric references and &amp; &lt; &gt; &quot; &apos; all become their
    // characters.
    PlainText,
};

// Only references ended by ";" are decoded; a reference to a code point that XML cannot
// carry (NUL, a surrogate, beyond U+10FFFF) stays as written.
std::string DecodeCharacterReferences(std::string_view utf8, ReferenceDecoding decoding);

// Appends the UTF-8 bytes of a code point (which must be a Unicode scalar value).
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace Sumirel
