#include "LineList.h"

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

std::size_t FindLineBreak(std::string_view text, std::size_t from) {
    while (from < text.size() && text[from] != '\r' && text[from] != '\n') {
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
    for (std::size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (c == '\n') {
            return false;
        }
        if (c == '\r') {
            if (i + 1 == size || text[i + 1] != '\n') {
                return false;
            }
            ++i;
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
