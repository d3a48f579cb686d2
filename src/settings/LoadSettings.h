#pragma once
// Reading the whole settings record from the settings file.

#include <cstdint>
#include <string>
#include <vector>

#include "settings/Settings.h"
#include "settings/SettingsFile.h"

namespace Sumirel {

// Every field from the file at `iniFileName`, with the defaults for what is missing: the
// three file names in the current folder (asked afresh for each), "/" "/" "" as date
// separators, "" and "<BR>" as line prefix and suffix, `currentPort` for Port, credentials
// unscrambled.
Settings LoadSettings(const std::string& iniFileName, std::int32_t currentPort);

// The target-file list as the settings file stores it: every "<" a line break.
std::vector<std::string> SplitOtherFiles(const std::string& stored);
// The text of the settings dialog's target box (lines joined by CR LF) in its stored form.
std::string StoreOtherFiles(const std::string& boxText);

// Today's date as the main window proposes it: year, month and day in decimal without
// leading zeros, each followed by its separator.
std::string FormatDate(int year, int month, int day, const DateSeparator& separators);

}  // namespace Sumirel
