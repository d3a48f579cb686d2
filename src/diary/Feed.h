#pragma once
// The Atom feed (RFC 4287) of the newest diary entries, written at every Write and Rebuild
// next to the diary page, always in UTF-8.
//
// The feed's id is the Url of the settings (the diary page's public address), its title the
// Title setting, else the page's <title>, else 日記; its updated is the newest entry's. Each
// entry carries an id (see EntryId.h), its title (the date when it has none), its updated
// (noon local time of its date, or the diary file's last-write time when the date text does
// not read as a date), a link to the page and its contents as the page shows them, with the
// line prefix and suffix applied and relative href and src made absolute against the Url.
// Titles and contents go out as HTML; character references the diary holds for characters
// Shift-JIS lacks become the characters.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "diary/Reporter.h"
#include "settings/Settings.h"

namespace Sumirel {

// The feed document. `blocks` are all blocks of the diary, newest first (DiaryWalk);
// `pageText` the generated page; `diaryTime` stands in for dates that do not read as dates.
// The settings' feed Url must have a host (UrlHost).
std::string BuildFeed(const Settings& settings, const std::vector<std::string_view>& blocks,
                      std::string_view pageText, std::time_t diaryTime, Reporter& reporter);

// Writes the feed file when the settings name one; true also when they name none. False
// after a missing or unusable Url or a damaged diary was reported (no feed is written then).
// File errors travel out as FileError.
bool WriteFeed(const Settings& settings, std::string_view pageText, Reporter& reporter);

}  // namespace Sumirel
