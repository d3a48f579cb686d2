#pragma once
// The entry form's draft: what was typed but not yet written, kept in the state folder
// (StateFolder) so that a window that is killed or crashes loses at most the last moments
// of typing. One draft per diary file, named after the diary's absolute path.

#include <optional>
#include <string>

#include "diary/DiaryFile.h"

namespace Sumirel {

// The draft file of a diary file.
std::string DraftFileName(const std::string& diaryFileName);

// Replaces the diary's draft atomically, readable by its owner alone. Throws FileError.
void SaveDraft(const std::string& diaryFileName, const SDiary& entry);

// The diary's draft; nothing when there is none or it cannot be read back whole.
std::optional<SDiary> LoadDraft(const std::string& diaryFileName);

// Removes the diary's draft, when there is one.
void RemoveDraft(const std::string& diaryFileName);

}  // namespace Sumirel
