#include "diary/CharacterReferences.h"

#include <optional>

namespace Sumirel {

namespace {

int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (hex && c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (hex && c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A code point an XML document may hold as a character.
bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool ChangesMarkup(char32_t c) {
    return c == '<' || c == '>' || c == '&' || c == '"' || c == '\'';
}

// The numeric reference at `at` ("&#...;"): its code point and its length.
std::optional<std::pair<char32_t, std::size_t>> NumericReference(std::string_view text,
                                                                 std::size_t at) {
    std::size_t i = at + 2;
    const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
    if (hex) {
        ++i;
    }
    const std::size_t first = i;
    char32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], hex);
        if (digit < 0) {
            break;
        }
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
        if (value > 0x10FFFF) {
            return std::nullopt;
        }
    }
    if (i == first || i >= text.size() || text[i] != ';') {
        return std::nullopt;
    }
    return std::make_pair(value, i + 1 - at);
}

struct NamedReference {
    std::string_view name;
    char character;
};
constexpr NamedReference kNamed[] = {
    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''},
};

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string DecodeCharacterReferences(std::string_view text, ReferenceDecoding decoding) {
    const bool plain = decoding == ReferenceDecoding::PlainText;
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t amp = text.find('&', at);
        if (amp == std::string_view::npos) {
            out.append(text, at);
            break;
        }
        out.append(text, at, amp - at);
        at = amp;
        if (amp + 1 < text.size() && text[amp + 1] == '#') {
            const auto reference = NumericReference(text, amp);
            if (reference) {
                const char32_t c = reference->first;
                const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
                const bool keep = !IsXmlChar(c) || (!plain && (control || ChangesMarkup(c)));
                if (!keep) {
                    AppendUtf8(out, c);
                    at += reference->second;
                    continue;
                }
            }
        } else if (plain) {
            bool named = false;
            for (const auto& entity : kNamed) {
                if (text.substr(amp, entity.name.size()) == entity.name) {
                    out += entity.character;
                    at += entity.name.size();
                    named = true;
                    break;
                }
            }
            if (named) {
                continue;
            }
        }
        out += '&';
        ++at;
    }
    return out;
}

}  // namespace Sumirel
