#pragma once
// The Write and Rebuild commands: thin sequences over the diary file, the page builder and
// the target files, asking and telling the user through an interface the caller supplies.

#include <string>

#include "diary/DiaryFile.h"
#include "diary/Reporter.h"
#include "settings/Settings.h"

namespace Sumirel {

class CommandUi : public Reporter {
public:
    // A Yes/No question with the caption "警告"; true only for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
    // The closing message, in a box titled with the application's title.
    virtual void ShowClosingMessage(const std::string& message) = 0;
};

enum class CommandResult {
    NotRun,     // a file name was missing or a question was declined; nothing was written
    Succeeded,  // the page, the feed (when one is set) and every target file were written
    Failed,     // a damaged diary or template, or a feed without a usable Url, was reported
};

// Stores the entry on top of the diary, rebuilds the page, the feed and the target files (the
// feed right after the page; a feed that cannot be made keeps no target file from being
// updated, but makes the command fail), and closes with "書き込み完了" or "書き込み失敗".
// File errors travel out as FileError.
CommandResult WriteCommand(const Settings& settings, const SDiary& entry, CommandUi& ui);

// Rebuilds the page, the feed and the target files from the diary as it stands; closes with
// "再構築しました" on success, with nothing more on failure.
CommandResult RebuildCommand(const Settings& settings, CommandUi& ui);

}  // namespace Sumirel
