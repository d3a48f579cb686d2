#include "reference/LiteralEngine.h"

#include <utility>

#include "diary/DiaryTags.h"
#include "diary/FindPattern.h"
#include "diary/FormatError.h"
#include "diary/Markers.h"
#include "diary/Messages.h"
#include "platform/ByteString.h"
#include "platform/FileIO.h"
#include "platform/LineList.h"

namespace SumirelReference {

using Sumirel::DeleteBytes;
using Sumirel::FindPattern;
using Sumirel::FormatError;
using Sumirel::InsertBytes;
using Sumirel::LenAddStrings;
using Sumirel::LineList;
using Sumirel::PatternMatch;
using Sumirel::Reporter;
using Sumirel::SDiary;
using Sumirel::Substring;

namespace {

std::int64_t Signed(std::size_t n) {
    return static_cast<std::int64_t>(n);
}

// The first match that begins at or after the 0-based offset `from`: the pattern is searched
// from the first byte of the text that follows `from`, and the position is then counted from
// the first byte of the whole text again.
PatternMatch FindFrom(const std::string& text, std::string_view pattern, std::size_t from,
                      Reporter& reporter) {
    const std::string rest = Substring(text, Signed(from) + 1, Signed(text.size()) - Signed(from));
    PatternMatch match = FindPattern(rest, pattern, reporter);
    if (match.Found) {
        match.Position += static_cast<std::uint32_t>(from);
    }
    return match;
}

// The contents as a list of lines, each line made prefix + line + suffix, read as one text.
std::string LaidOutContents(const std::string& contents, const LenAddStrings& addStrings) {
    LineList lines = LineList::FromText(contents);
    for (std::string& line : lines.Lines()) {
        line = addStrings.LenStartString + line + addStrings.LenEndString;
    }
    return lines.Text();
}

struct Replacement {
    std::string Text;          // empty when the marker was not found
    std::size_t ValueEnd = 0;  // 0-based offset just after the inserted value
};

// ReplaceMarker whose search begins at the 0-based offset `from`.
Replacement ReplaceMarkerFrom(const std::string& text, std::string_view pattern,
                              std::string_view replacement, std::size_t from, Reporter& reporter) {
    Replacement result;
    const PatternMatch match = FindFrom(text, pattern, from, reporter);
    if (!match.Found) {
        return result;
    }
    result.Text = text;
    DeleteBytes(result.Text, match.Position, match.Length);
    InsertBytes(result.Text, replacement, match.Position);
    result.ValueEnd = match.Position - 1 + replacement.size();
    return result;
}

}  // namespace

std::string ReplaceMarker(std::string_view text, std::string_view pattern,
                          std::string_view replacement, Reporter& reporter) {
    return ReplaceMarkerFrom(std::string(text), pattern, replacement, 0, reporter).Text;
}

std::string RenderEntry(std::uint32_t number, const SDiary& entry, std::string_view blockTemplate,
                        const LenAddStrings& addStrings, Reporter& reporter) {
    std::string fragment(blockTemplate);
    const std::string contents = LaidOutContents(entry.Contents, addStrings);
    const std::pair<const char*, std::string> kinds[] = {
        {Sumirel::Markers::kContents, contents},
        {Sumirel::Markers::kDate, entry.Date},
        {Sumirel::Markers::kWeather, entry.Wheather},
        {Sumirel::Markers::kTitle, entry.Title},
        {Sumirel::Markers::kCount, std::to_string(number)},
    };
    for (const auto& [pattern, value] : kinds) {
        // Each kind starts from the fragment's first byte; after a replacement the next search
        // for the same kind begins after the value just inserted.
        std::size_t from = 0;
        for (;;) {
            Replacement replaced = ReplaceMarkerFrom(fragment, pattern, value, from, reporter);
            if (replaced.Text.empty()) {
                break;
            }
            fragment = std::move(replaced.Text);
            from = replaced.ValueEnd;
        }
    }
    return fragment;
}

std::string CutTemplateBlock(PageWorkingFields& fields, std::string text, std::size_t from,
                             Reporter& reporter) {
    fields.BlockTemplate.clear();
    PatternMatch s = FindFrom(text, Sumirel::Markers::kBlockStart, from, reporter);
    PatternMatch e = FindFrom(text, Sumirel::Markers::kBlockEnd, from, reporter);
    while (s.Found && e.Found && e.Position < s.Position) {
        DeleteBytes(text, e.Position, e.Length);
        s = FindFrom(text, Sumirel::Markers::kBlockStart, from, reporter);
        e = FindFrom(text, Sumirel::Markers::kBlockEnd, from, reporter);
    }
    if (!s.Found || !e.Found) {
        return {};
    }
    std::string fragment = Substring(text, std::int64_t{s.Position} + s.Length,
                                     std::int64_t{e.Position} - s.Position - s.Length);
    while (!fragment.empty() && static_cast<unsigned char>(fragment.front()) <= 0x20) {
        DeleteBytes(fragment, 1, 1);
    }
    fields.BlockTemplate = fragment;
    fields.BlockPositions.push_back(s.Position);
    DeleteBytes(text, s.Position, std::int64_t{e.Position} + e.Length - s.Position);
    fields.PageText = text;
    return text;
}

bool BuildPage(const std::string& templateFileName, const std::string& diaryFileName,
               const std::string& pageFileName, const LenAddStrings& addStrings,
               Reporter& reporter) {
    bool result = true;
    PageWorkingFields fields;
    LineList templateList = LineList::FromFile(templateFileName);
    LineList diaryList = LineList::FromFile(diaryFileName);
    try {
        // Blocks are looked for only after the entries inserted for the block before.
        std::size_t searchFrom = 0;
        while (FindFrom(templateList.Text(), Sumirel::Markers::kBlockStart, searchFrom, reporter)
                   .Found) {
            LineList rendered;
            std::string source = diaryList.Text();
            templateList.SetText(
                CutTemplateBlock(fields, templateList.Text(), searchFrom, reporter));
            if (templateList.Text().empty()) {
                throw FormatError(Sumirel::Messages::kNoBlockEnd);
            }
            std::uint32_t number = 0;
            for (;;) {
                const PatternMatch start =
                    FindPattern(source, Sumirel::DiaryTags::kStart, reporter);
                if (!start.Found) {
                    break;
                }
                const PatternMatch end = FindPattern(source, Sumirel::DiaryTags::kEnd, reporter);
                if (!end.Found) {
                    throw FormatError(Sumirel::Messages::kNoDiaryEnd);
                }
                if (start.Position > end.Position) {
                    throw FormatError(Sumirel::Messages::kDiaryDamaged);
                }
                const std::int64_t count = std::int64_t{end.Position} + end.Length - start.Position;
                const std::string block = Substring(source, start.Position, count);
                rendered.Add(RenderEntry(number, Sumirel::ParseEntry(block, reporter),
                                         fields.BlockTemplate, addStrings, reporter));
                DeleteBytes(source, start.Position, count);
                ++number;
            }
            const std::string entries = rendered.Text();
            const std::uint32_t insertionPoint = fields.BlockPositions.back();
            InsertBytes(fields.PageText, entries, insertionPoint);
            std::string templateText = templateList.Text();
            InsertBytes(templateText, entries, insertionPoint);
            templateList.SetText(templateText);
            searchFrom = insertionPoint - 1 + entries.size();
        }
        LineList::FromText(fields.PageText).SaveToFile(pageFileName);
    } catch (const FormatError& error) {
        reporter.ShowError(error.what());
        result = false;
    }
    return result;
}

std::string ReplaceSingleSection(std::string text, std::string_view openPattern,
                                 std::string_view closePattern, std::string_view value,
                                 Reporter& reporter) {
    const PatternMatch o = FindPattern(text, openPattern, reporter);
    const PatternMatch c = FindPattern(text, closePattern, reporter);
    if (!o.Found || !c.Found) {
        return {};
    }
    const std::int64_t s = std::int64_t{o.Position} + o.Length;
    const std::int64_t n = std::int64_t{c.Position} - s;
    if (n > 0) {
        DeleteBytes(text, s, n);
    }
    InsertBytes(text, value, s);
    return text;
}

std::string FillSingleSections(std::string text, const SDiary& entry,
                               const LenAddStrings& addStrings, Reporter& reporter) {
    using namespace Sumirel::Markers;
    const std::string contents = LaidOutContents(entry.Contents, addStrings);
    const struct {
        const char* open;
        const char* close;
        const std::string& value;
    } kinds[] = {
        {kContentsSngOpen, kContentsSngClose, contents},
        {kDateSngOpen, kDateSngClose, entry.Date},
        {kWeatherSngOpen, kWeatherSngClose, entry.Wheather},
        {kTitleSngOpen, kTitleSngClose, entry.Title},
    };
    for (const auto& kind : kinds) {
        std::string replaced =
            ReplaceSingleSection(text, kind.open, kind.close, kind.value, reporter);
        if (!replaced.empty()) {
            text = std::move(replaced);
        }
    }
    return text;
}

bool UpdateTargetFiles(const std::string& diaryFileName, const std::vector<std::string>& targets,
                       const LenAddStrings& addStrings, Reporter& reporter) {
    if (diaryFileName.empty() || !Sumirel::FileExists(diaryFileName)) {
        return true;
    }
    const LineList diaryList = LineList::FromFile(diaryFileName);
    try {
        for (const std::string& path : targets) {
            LineList targetList = LineList::FromFile(path);
            const std::string diary = diaryList.Text();
            const PatternMatch start = FindPattern(diary, Sumirel::DiaryTags::kStart, reporter);
            if (!start.Found) {
                continue;
            }
            const PatternMatch end = FindPattern(diary, Sumirel::DiaryTags::kEnd, reporter);
            if (!end.Found) {
                throw FormatError(Sumirel::Messages::kNoDiaryEnd);
            }
            if (start.Position > end.Position) {
                throw FormatError(Sumirel::Messages::kDiaryDamaged);
            }
            const std::string block = Substring(
                diary, start.Position, std::int64_t{end.Position} + end.Length - start.Position);
            const SDiary entry = Sumirel::ParseEntry(block, reporter);
            targetList.SetText(FillSingleSections(targetList.Text(), entry, addStrings, reporter));
            targetList.SaveToFile(path);
        }
    } catch (const FormatError& error) {
        reporter.ShowError(error.what());
        return false;
    }
    return true;
}

}  // namespace SumirelReference
