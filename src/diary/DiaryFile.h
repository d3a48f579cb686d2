#pragma once
// The diary file: tagged blocks, newest first.
//
//   <Start>
//   <Date>...</Date>
//   <Wheather>...</Wheather>
//   <Title>...</Title>
//   <Contents>
//   ...lines...
//   </Contents>
//   <End>
//   (two empty lines)

#include <string>
#include <string_view>

#include "diary/Reporter.h"

namespace Sumirel {

struct SDiary {
    std::string Date;
    std::string Wheather;
    std::string Title;
    std::string Contents;
};

// The block text WriteEntry puts on top of the diary, ending with "<End>" and two CR LF.
std::string FormatEntryBlock(const SDiary& entry);

// Puts the entry at the top of the diary file, dropping any text before the first "<Start>".
// The file must exist. Throws FileError; the file is left whole when anything fails.
void WriteEntry(const std::string& diaryFileName, const SDiary& entry, Reporter& reporter);

// Splits one block into its fields. A field whose opening tag is missing, or whose closing
// tag is missing or stands before it, is empty. Contents lose one leading CR LF. Never fails.
SDiary ParseEntry(std::string_view block, Reporter& reporter);

}  // namespace Sumirel
