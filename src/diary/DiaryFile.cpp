#include "diary/DiaryFile.h"

#include "diary/DiaryTags.h"
#include "diary/FindPattern.h"
#include "platform/ByteString.h"
#include "platform/FileIO.h"
#include "platform/LineList.h"

namespace Sumirel {

std::string FormatEntryBlock(const SDiary& entry) {
    std::string block;
    block.reserve(entry.Date.size() + entry.Wheather.size() + entry.Title.size() +
                  entry.Contents.size() + 96);
    block += "<Start>\r\n<Date>";
    block += entry.Date;
    block += "</Date>\r\n<Wheather>";
    block += entry.Wheather;
    block += "</Wheather>\r\n<Title>";
    block += entry.Title;
    block += "</Title>\r\n<Contents>\r\n";
    block += entry.Contents;
    block += "\r\n</Contents>\r\n<End>\r\n\r\n";
    return block;
}

void WriteEntry(const std::string& diaryFileName, const SDiary& entry, Reporter& reporter) {
    std::string text = NormalizeLineBreaks(ReadWholeFile(diaryFileName));
    const SearchOutcome start = SearchPattern(text, DiaryTags::kStart, 0, reporter);
    if (start.Match.Found) {
        DeleteBytes(text, 1, static_cast<std::int64_t>(start.Match.Position) - 1);
    } else if (!start.EngineFailed) {
        // No block at all: whatever the file held is not diary and gives way to the entry.
        text.clear();
    }
    // When the search itself failed we cannot tell where the entries begin, so the old text
    // is kept whole below the new block rather than risk dropping entries.

    // The joined list is the new block followed by CR LF, then the old lines, each followed
    // by CR LF: the old text is already in that form.
    std::string out = FormatEntryBlock(entry);
    out += "\r\n";
    out += text;
    WriteFileAtomic(diaryFileName, out);
}

namespace {

// The text between the first opening tag and the first closing tag; empty when either is
// missing or the closing tag stands before the end of the opening one.
std::string TaggedField(std::string_view block, const char* openTag, const char* closeTag,
                        Reporter& reporter, bool& opened) {
    const PatternMatch open = FindPattern(block, openTag, reporter);
    opened = open.Found;
    if (!open.Found) {
        return {};
    }
    const PatternMatch close = FindPattern(block, closeTag, reporter);
    if (!close.Found) {
        return {};
    }
    const std::int64_t start = static_cast<std::int64_t>(open.Position) + open.Length;
    return Substring(block, start, static_cast<std::int64_t>(close.Position) - start);
}

}  // namespace

SDiary ParseEntry(std::string_view block, Reporter& reporter) {
    using namespace DiaryTags;
    SDiary entry;
    bool opened = false;
    entry.Date = TaggedField(block, kDateOpen, kDateClose, reporter, opened);
    entry.Wheather = TaggedField(block, kWheatherOpen, kWheatherClose, reporter, opened);
    entry.Title = TaggedField(block, kTitleOpen, kTitleClose, reporter, opened);
    entry.Contents = TaggedField(block, kContentsOpen, kContentsClose, reporter, opened);
    if (opened && entry.Contents.starts_with("\r\n")) {
        entry.Contents.erase(0, 2);
    }
    return entry;
}

}  // namespace Sumirel
