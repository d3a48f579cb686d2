#include "diary/TargetFiles.h"

#include <array>
#include <optional>

#include "diary/DiaryTags.h"
#include "diary/EntryRenderer.h"
#include "diary/FindPattern.h"
#include "diary/FormatError.h"
#include "diary/Markers.h"
#include "diary/Messages.h"
#include "platform/ByteString.h"
#include "platform/FileIO.h"
#include "platform/LineList.h"

namespace Sumirel {

std::string ReplaceSingleSection(std::string text, std::string_view openPattern,
                                 std::string_view closePattern, std::string_view value,
                                 Reporter& reporter) {
    const PatternMatch open = FindPattern(text, openPattern, reporter);
    const PatternMatch close = FindPattern(text, closePattern, reporter);
    if (!open.Found || !close.Found) {
        return {};
    }
    const std::int64_t start = static_cast<std::int64_t>(open.Position) + open.Length;
    const std::int64_t count = static_cast<std::int64_t>(close.Position) - start;
    if (count > 0) {
        DeleteBytes(text, start, count);
    }
    InsertBytes(text, value, start);
    return text;
}

std::string FillSingleSections(std::string text, const SDiary& entry,
                               const LenAddStrings& addStrings, Reporter& reporter) {
    const std::string contents = RenderContents(entry.Contents, addStrings);
    struct Kind {
        const char* open;
        const char* close;
        std::string_view value;
    };
    const std::array<Kind, 4> kinds{{
        {Markers::kContentsSngOpen, Markers::kContentsSngClose, contents},
        {Markers::kDateSngOpen, Markers::kDateSngClose, entry.Date},
        {Markers::kWeatherSngOpen, Markers::kWeatherSngClose, entry.Wheather},
        {Markers::kTitleSngOpen, Markers::kTitleSngClose, entry.Title},
    }};
    for (const Kind& kind : kinds) {
        std::string filled =
            ReplaceSingleSection(text, kind.open, kind.close, kind.value, reporter);
        if (!filled.empty()) {
            text = std::move(filled);
        }
    }
    return text;
}

// The diary is searched as read, not with its line breaks made CR LF first: a tag holds no
// line break, so both texts have the same tags in the same order, and the block, which
// begins with "<" and ends with ">", becomes the very block of the made-over text once its
// own line breaks are made CR LF. Only the block is made over, not the whole diary.
std::optional<SDiary> NewestEntry(const std::string& diaryText, Reporter& reporter) {
    const PatternMatch start = FindPattern(diaryText, DiaryTags::kStart, reporter);
    if (!start.Found) {
        return std::nullopt;
    }
    const PatternMatch end = FindPattern(diaryText, DiaryTags::kEnd, reporter);
    if (!end.Found) {
        throw FormatError(Messages::kNoDiaryEnd);
    }
    if (start.Position > end.Position) {
        throw FormatError(Messages::kDiaryDamaged);
    }
    const std::int64_t count =
        static_cast<std::int64_t>(end.Position) + end.Length - start.Position;
    std::string block = Substring(diaryText, start.Position, count);
    // The conversion ends a text with CR LF; the block ends with ">", so that CR LF is the
    // only one added, and it goes again.
    block = NormalizeLineBreaks(std::move(block));
    block.resize(block.size() - 2);
    return ParseEntry(block, reporter);
}

bool UpdateTargetFiles(const std::string& diaryFileName, const std::vector<std::string>& targets,
                       const LenAddStrings& addStrings, Reporter& reporter) {
    if (diaryFileName.empty() || !FileExists(diaryFileName)) {
        return true;
    }
    const std::string diaryText = ReadWholeFile(diaryFileName);
    // The entry is the same for every target; it is located once, after the first target
    // file has been read, so a missing first target is reported before a damaged diary.
    bool located = false;
    std::optional<SDiary> entry;
    for (const std::string& target : targets) {
        std::string text = NormalizeLineBreaks(ReadWholeFile(target));
        if (!located) {
            try {
                entry = NewestEntry(diaryText, reporter);
            } catch (const FormatError& error) {
                reporter.ShowError(error.what());
                return false;
            }
            located = true;
        }
        if (!entry) {
            continue;
        }
        text = FillSingleSections(std::move(text), *entry, addStrings, reporter);
        WriteFileAtomic(target, NormalizeLineBreaks(std::move(text)));
    }
    return true;
}

}  // namespace Sumirel
