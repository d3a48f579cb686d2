#include "LineList.h"

#include <cstdint>
#include <cstring>

#include "FileIO.h"

namespace Sumirel {

LineList LineList::FromText(std::string_view text) {
    LineList list;
    list.SetText(text);
    return list;
}

LineList LineList::FromFile(const std::string& fileName) {
    return FromText(ReadWholeFile(fileName));
}

namespace {

// True when one of the eight bytes of `word` is CR or LF (the classic test for a zero byte,
// applied to the word XOR each of the two bytes).
bool HasLineBreakByte(std::uint64_t word) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    const std::uint64_t cr = word ^ (kOnes * '\r');
    const std::uint64_t lf = word ^ (kOnes * '\n');
    return (((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHighs;
}

}  // namespace

std::size_t FindLineBreak(std::string_view text, std::size_t from) {
    // Long texts are mostly line content: skip eight bytes at a time while none can be a
    // line break, then find the exact byte.
    const char* data = text.data();
    const std::size_t size = text.size();
    while (from + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, data + from, 8);
        if (HasLineBreakByte(word)) {
            break;
        }
        from += 8;
    }
    while (from < size && data[from] != '\r' && data[from] != '\n') {
        ++from;
    }
    return from;
}

void LineList::SetText(std::string_view text) {
    lines_.clear();
    ForEachLine(text, [this](std::string_view line) { lines_.emplace_back(line); });
}

std::string LineList::Text() const {
    std::size_t size = 0;
    for (const auto& line : lines_) {
        size += line.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void LineList::SaveToFile(const std::string& fileName) const {
    WriteFileAtomic(fileName, Text());
}

void LineList::Insert(std::size_t index, std::string item) {
    if (index > lines_.size()) {
        index = lines_.size();
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
}

namespace {

bool HasNormalLineBreaks(const std::string& text) {
    const std::size_t size = text.size();
    for (std::size_t i = FindLineBreak(text, 0); i < size; i = FindLineBreak(text, i + 2)) {
        if (text[i] != '\r' || i + 1 == size || text[i + 1] != '\n') {
            return false;
        }
    }
    return size == 0 || text.ends_with("\r\n");
}

}  // namespace

std::string NormalizeLineBreaks(std::string text) {
    if (HasNormalLineBreaks(text)) {
        return text;
    }
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += "\r\n";
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    if (!out.empty() && !out.ends_with("\r\n")) {
        out += "\r\n";
    }
    return out;
}

}  // namespace Sumirel
