#include "diary/EntryRenderer.h"

#include <array>

#include "diary/FindPattern.h"
#include "diary/Markers.h"
#include "platform/ByteString.h"
#include "platform/LineList.h"

namespace Sumirel {

std::string ReplaceMarker(std::string_view text, std::string_view pattern,
                          std::string_view replacement, Reporter& reporter) {
    const PatternMatch m = FindPattern(text, pattern, reporter);
    if (!m.Found) {
        return {};
    }
    std::string result(text);
    DeleteBytes(result, m.Position, m.Length);
    InsertBytes(result, replacement, m.Position);
    return result;
}

std::string RenderContents(std::string_view contents, const LenAddStrings& addStrings) {
    std::string out;
    out.reserve(contents.size() +
                8 * (addStrings.LenStartString.size() + addStrings.LenEndString.size() + 2));
    ForEachLine(contents, [&](std::string_view line) {
        out += addStrings.LenStartString;
        out += line;
        out += addStrings.LenEndString;
        out += "\r\n";
    });
    return out;
}

namespace {

constexpr std::string_view kCommentOpen = "<!--";

// Replaces every occurrence of one marker kind in `fragment`, writing the result to `out`.
// The search goes on after each inserted value, so a value is never searched for its own
// kind. Returns false when the fragment holds no such marker to replace.
bool ReplaceAll(std::string_view fragment, const char* pattern, std::string_view value,
                std::string& out, Reporter& reporter) {
    std::size_t copied = 0;  // the fragment before this is in `out`, values replaced
    bool replaced = false;
    out.clear();
    for (;;) {
        // Every marker begins with "<!--": where that is absent the engine need not look.
        const std::size_t opener = fragment.find(kCommentOpen, copied);
        if (opener == std::string_view::npos) {
            break;
        }
        const SearchOutcome s = SearchPattern(fragment, pattern, opener, reporter);
        if (!s.Match.Found) {
            break;
        }
        const std::size_t at = s.Match.Position - 1;
        const std::size_t after = at + s.Match.Length;
        // A replacement that would leave nothing at all counts as no marker: the fragment is
        // then exactly this marker, and it stays.
        if (value.empty() && at == copied && after == fragment.size() && out.empty()) {
            break;
        }
        replaced = true;
        out.append(fragment.substr(copied, at - copied));
        out.append(value);
        copied = after;
    }
    if (replaced) {
        out.append(fragment.substr(copied));
    }
    return replaced;
}

}  // namespace

std::string ReplaceFieldMarkers(std::string_view fragment, const FieldValues& values,
                                Reporter& reporter) {
    static constexpr const char* kPatterns[kFieldKinds] = {
        Markers::kContents, Markers::kDate, Markers::kWeather, Markers::kTitle, Markers::kCount};
    // Two buffers take turns: the fragment as the kinds before left it, and the next one.
    std::string current(fragment);
    std::string next;
    for (std::size_t kind = 0; kind < kFieldKinds; ++kind) {
        if (ReplaceAll(current, kPatterns[kind], values[kind], next, reporter)) {
            current.swap(next);
        }
    }
    return current;
}

void AppendRenderedEntry(std::string& out, std::uint32_t number, const SDiary& entry,
                         std::string_view blockTemplate, const LenAddStrings& addStrings,
                         Reporter& reporter) {
    const std::string contents = RenderContents(entry.Contents, addStrings);
    const std::string count = std::to_string(number);
    out += ReplaceFieldMarkers(
        blockTemplate, {contents, entry.Date, entry.Wheather, entry.Title, count}, reporter);
}

std::string RenderEntry(std::uint32_t number, const SDiary& entry, std::string_view blockTemplate,
                        const LenAddStrings& addStrings, Reporter& reporter) {
    std::string out;
    AppendRenderedEntry(out, number, entry, blockTemplate, addStrings, reporter);
    return out;
}

}  // namespace Sumirel
