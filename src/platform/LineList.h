#pragma once
// A list of text lines, read from and written to whole files.
//
// Splitting ends a line at CR LF, at a lone CR and at a lone LF; a line break at the very end
// adds no empty line. Joining puts CR LF after every line, the last one included. An item
// added to the list keeps whatever line breaks it holds, so one item may span several lines
// of the joined text.

#include <string>
#include <string_view>
#include <vector>

namespace Sumirel {

class LineList {
public:
    LineList() = default;

    static LineList FromText(std::string_view text);
    static LineList FromFile(const std::string& fileName);

    // Every item followed by CR LF.
    std::string Text() const;
    void SetText(std::string_view text);

    // Writes Text() to the file, replacing it atomically.
    void SaveToFile(const std::string& fileName) const;

    std::vector<std::string>& Lines() { return lines_; }
    const std::vector<std::string>& Lines() const { return lines_; }
    std::size_t Count() const { return lines_.size(); }
    void Add(std::string item) { lines_.push_back(std::move(item)); }
    void Insert(std::size_t index, std::string item);
    void Clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

// Calls `line(view)` for every line of the text, split as LineList splits it.
template <typename LineFn>
void ForEachLine(std::string_view text, LineFn&& line);

// The text LineList::FromText(text).Text() gives, computed in one pass: every line break made
// CR LF and a final CR LF added to a non-empty text that lacks one. Returns the argument
// unchanged (no copy) when it already has that form.
std::string NormalizeLineBreaks(std::string text);

// The 0-based offset of the next CR or LF at or after `from`, or the text's size.
std::size_t FindLineBreak(std::string_view text, std::size_t from);

template <typename LineFn>
void ForEachLine(std::string_view text, LineFn&& line) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = FindLineBreak(text, start);
        line(text.substr(start, end - start));
        if (end == text.size()) {
            break;
        }
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
}

}  // namespace Sumirel
