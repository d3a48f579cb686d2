#pragma once
// Reading the whole settings record from the settings file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/WriterLock.h"
#include "settings/Settings.h"
#include "settings/SettingsPlace.h"

namespace Sumirel {

// Every field from the file at `iniFileName`, read once, with the settings table's defaults
// for what is missing (the file names in the current folder, asked afresh for each;
// `currentPort` for Port when the caller's client holds one), credentials unscrambled. A
// missing file gives every default; one that exists but cannot be read throws FileError.
Settings LoadSettings(const std::string& iniFileName,
                      std::optional<std::int32_t> currentPort = std::nullopt);

// Takes the writer lock of the diary that the settings file names, when it names one, so
// that storing settings never races a Write or a Rebuild reading them. Throws
// LockBusyError after the wait.
void LockDiaryOf(const std::string& iniFileName, std::optional<WriterLock>& lock);

// The target-file list as the settings file stores it: every "<" a line break.
std::vector<std::string> SplitOtherFiles(const std::string& stored);
// The stored list as the text of the settings dialog's box: every "<" a CR LF.
std::string OtherFilesBoxText(const std::string& stored);
// The text of the settings dialog's target box (lines joined by CR LF) in its stored form.
std::string StoreOtherFiles(const std::string& boxText);

// Today's date as the main window proposes it: year, month and day in decimal without
// leading zeros, each followed by its separator.
std::string FormatDate(int year, int month, int day, const DateSeparator& separators);

}  // namespace Sumirel
