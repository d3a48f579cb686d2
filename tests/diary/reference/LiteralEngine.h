#pragma once
// The diary engine's rendering, page building and single-entry sections, written out step by
// step in the plainest form: every file goes through a line list, every search starts at the
// first byte of the text it is given, every entry is cut from the front of what is left of
// the diary. It is slow on purpose and exists so that the fast engine in src/diary can be
// held to it byte for byte, in tests and in the benchmarks.
//
// It follows the product's own decisions, as the fast engine does:
//  - after a field marker is replaced, the search for more markers of that kind goes on after
//    the inserted value (later kinds still search the whole fragment);
//  - after a block's entries are inserted, the template is searched for further blocks only
//    after those entries;
//  - a NUL byte is an ordinary byte;
//  - weather markers accept WEATHER and WHEATHER (the patterns of diary/Markers.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "diary/DiaryFile.h"
#include "diary/Reporter.h"
#include "settings/Settings.h"

namespace SumirelReference {

// The text with the first match of the pattern replaced; the empty text when there is none.
std::string ReplaceMarker(std::string_view text, std::string_view pattern,
                          std::string_view replacement, Sumirel::Reporter& reporter);

// The fragment filled with one entry: contents, date, weather, title, then the number.
std::string RenderEntry(std::uint32_t number, const Sumirel::SDiary& entry,
                        std::string_view blockTemplate, const Sumirel::LenAddStrings& addStrings,
                        Sumirel::Reporter& reporter);

// The page builder's working fields, meaningful during one build.
struct PageWorkingFields {
    std::string BlockTemplate;
    std::string PageText;
    std::vector<std::uint32_t> BlockPositions;
};

// The text with its first complete block at or after the 0-based offset `from` cut out (end
// markers before that block's start removed one by one); the empty text when there is none.
std::string CutTemplateBlock(PageWorkingFields& fields, std::string text, std::size_t from,
                             Sumirel::Reporter& reporter);

// Writes the page file from the template and the diary; false after a format error was shown
// (the page file is then not written). File errors travel out.
bool BuildPage(const std::string& templateFileName, const std::string& diaryFileName,
               const std::string& pageFileName, const Sumirel::LenAddStrings& addStrings,
               Sumirel::Reporter& reporter);

// The text with the first section of one kind replaced by the value; the empty text when
// either marker is missing.
std::string ReplaceSingleSection(std::string text, std::string_view openPattern,
                                 std::string_view closePattern, std::string_view value,
                                 Sumirel::Reporter& reporter);

std::string FillSingleSections(std::string text, const Sumirel::SDiary& entry,
                               const Sumirel::LenAddStrings& addStrings,
                               Sumirel::Reporter& reporter);

// Rewrites every target file with its sections filled from the first diary entry; false
// after a damaged diary was shown. File errors travel out.
bool UpdateTargetFiles(const std::string& diaryFileName, const std::vector<std::string>& targets,
                       const Sumirel::LenAddStrings& addStrings, Sumirel::Reporter& reporter);

}  // namespace SumirelReference
