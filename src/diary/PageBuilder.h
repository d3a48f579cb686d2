#pragma once
// Regenerating the diary page from the template and the whole diary.
//
// Every block of the template, the stretch between "<!--sumirel-->" and
// "<!--end_sumirel-->", is replaced by one rendering of its fragment for every diary entry,
// newest first, numbered from 0 in each block. The search for the next block goes on after
// the entries just inserted, so markers inside entries never start another block.
// The work grows linearly with the sizes of the diary and the template.

#include <cstdint>
#include <string>
#include <vector>

#include "diary/DiaryFile.h"
#include "diary/Reporter.h"
#include "settings/Settings.h"

namespace Sumirel {

class PageBuilder {
public:
    PageBuilder(std::string templateFileName, LenAddStrings addStrings, Reporter& reporter);

    // Writes the page file; false after a damaged template or diary was reported (the page
    // file is then untouched). File errors travel out as FileError.
    bool BuildPage(const std::string& diaryFileName, const std::string& pageFileName);

    // The template text with its first complete block, searched from the 0-based offset
    // `from`, cut out; end markers standing before that block's start marker are removed
    // first. Sets BlockTemplate (the fragment less its leading white space), appends the
    // block's 1-based position to BlockPositions and sets PageText to the result. The empty
    // text, with PageText and BlockPositions unchanged, when there is no complete block.
    std::string CutTemplateBlock(std::string text, std::size_t from = 0);

    // Working fields, meaningful during one build.
    std::string BlockTemplate;
    std::string PageText;
    std::vector<std::uint32_t> BlockPositions;

private:
    std::vector<SDiary> ParseDiary(const std::string& diaryText);

    std::string templateFileName_;
    LenAddStrings addStrings_;
    Reporter& reporter_;
};

}  // namespace Sumirel
