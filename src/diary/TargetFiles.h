#pragma once
// Single-entry sections: places in further pages of the site that always show the newest
// diary entry, each between an opening and a closing comment marker.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diary/DiaryFile.h"
#include "diary/Reporter.h"
#include "settings/Settings.h"

namespace Sumirel {

// The text with the bytes between the first opening and the first closing marker replaced
// by the value (inserted right after the opening marker, nothing removed when the closing
// marker stands before the opening one's end); the empty text when either marker is missing.
std::string ReplaceSingleSection(std::string text, std::string_view openPattern,
                                 std::string_view closePattern, std::string_view value,
                                 Reporter& reporter);

// Fills the first section of each kind: contents (line by line with prefix and suffix), date,
// weather, title, each kind searched in the text as the kinds before it left it.
std::string FillSingleSections(std::string text, const SDiary& entry,
                               const LenAddStrings& addStrings, Reporter& reporter);

// The newest entry: the block from the diary's first "<Start>" through its first "<End>".
// Empty when the diary holds no "<Start>"; throws FormatError when it is damaged.
std::optional<SDiary> NewestEntry(const std::string& diaryText, Reporter& reporter);

// Refreshes the sections of every target file from the first entry of the diary. True when
// nothing was reported (also when there was nothing to do); false after a damaged diary was
// shown, in which case no target file was written. File errors travel out as FileError;
// files earlier in the list keep their new content.
bool UpdateTargetFiles(const std::string& diaryFileName, const std::vector<std::string>& targets,
                       const LenAddStrings& addStrings, Reporter& reporter);

}  // namespace Sumirel
