#include "diary/PageBuilder.h"

#include <optional>

#include "diary/DiaryFile.h"
#include "diary/DiaryWalk.h"
#include "diary/EntryRenderer.h"
#include "diary/FindPattern.h"
#include "diary/FormatError.h"
#include "diary/FragmentPlan.h"
#include "diary/Markers.h"
#include "diary/Messages.h"
#include "diary/TemplateBlock.h"
#include "platform/FileIO.h"
#include "platform/LineList.h"

namespace Sumirel {

PageBuilder::PageBuilder(std::string templateFileName, LenAddStrings addStrings, Reporter& reporter)
    : templateFileName_(std::move(templateFileName)),
      addStrings_(std::move(addStrings)),
      reporter_(reporter) {}

std::string PageBuilder::CutTemplateBlock(std::string text, std::size_t from) {
    BlockTemplate.clear();
    const TemplateBlock block = FindTemplateBlock(text, from, reporter_);
    if (!block.Found) {
        return {};
    }
    BlockTemplate = BlockFragment(text, block);
    BlockPositions.push_back(static_cast<std::uint32_t>(block.Start + 1));
    text.erase(block.Start, block.End - block.Start);
    PageText = text;
    return text;
}

namespace {

bool HasLineBreak(const LenAddStrings& addStrings) {
    const auto breaks = [](const std::string& s) { return s.find_first_of("\r\n") != s.npos; };
    return breaks(addStrings.LenStartString) || breaks(addStrings.LenEndString);
}

}  // namespace

std::vector<SDiary> PageBuilder::ParseDiary(const std::string& diaryText) {
    const DiaryWalk walk(diaryText, reporter_);
    std::vector<SDiary> entries;
    entries.reserve(walk.Count());
    for (std::size_t i = 0; i < walk.Count(); ++i) {
        entries.push_back(ParseEntry(walk.Block(i), reporter_));
    }
    return entries;
}

bool PageBuilder::BuildPage(const std::string& diaryFileName, const std::string& pageFileName) {
    PageText.clear();
    BlockPositions.clear();
    std::string templateText = NormalizeLineBreaks(ReadWholeFile(templateFileName_));
    const std::string diaryText = NormalizeLineBreaks(ReadWholeFile(diaryFileName));

    // The page is assembled front to back: `page` holds everything before `from`, the offset
    // in the template where the search for the next block goes on. Each block's rendered
    // entries go straight into the page, so the next search never sees them.
    std::string page;
    std::size_t from = 0;
    bool anyBlock = false;
    // Every block lists the same entries, so the diary is walked and parsed once, at the
    // first block (a damaged diary is then reported where it would be anyway).
    std::optional<std::vector<SDiary>> entries;
    try {
        while (SearchPattern(templateText, Markers::kBlockStart, from, reporter_).Match.Found) {
            BlockTemplate.clear();
            const TemplateBlock block = FindTemplateBlock(templateText, from, reporter_);
            if (!block.Found) {
                throw FormatError(Messages::kNoBlockEnd);
            }
            BlockTemplate = BlockFragment(templateText, block);
            page.append(templateText, from, block.Start - from);
            BlockPositions.push_back(static_cast<std::uint32_t>(page.size() + 1));
            anyBlock = true;

            if (!entries) {
                entries = ParseDiary(diaryText);
            }
            const FragmentPlan plan(BlockTemplate, reporter_);
            for (std::size_t i = 0; i < entries->size(); ++i) {
                const SDiary& entry = (*entries)[i];
                // The index block of a page seldom shows the contents: lay them out only
                // when the fragment holds their marker.
                const std::string contents = plan.Uses(kContentsField)
                                                 ? RenderContents(entry.Contents, addStrings_)
                                                 : std::string();
                const std::string count = std::to_string(i);
                if (!plan.TryAppend(page,
                                    {contents, entry.Date, entry.Wheather, entry.Title, count})) {
                    AppendRenderedEntry(page, static_cast<std::uint32_t>(i), entry, BlockTemplate,
                                        addStrings_, reporter_);
                }
                page += "\r\n";
            }
            from = block.End;
        }
    } catch (const FormatError& error) {
        reporter_.ShowError(error.what());
        return false;
    }

    // Without any block the page is empty; otherwise the rest of the template follows.
    if (anyBlock) {
        page.append(templateText, from);
    }
    // Every piece of the page has CR LF line breaks already, as long as the line prefix and
    // suffix hold no line break of their own.
    PageText = HasLineBreak(addStrings_) ? NormalizeLineBreaks(std::move(page)) : std::move(page);
    WriteFileAtomic(pageFileName, PageText);
    return true;
}

}  // namespace Sumirel
