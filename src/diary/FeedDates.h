#pragma once
// Dates of the feed: an entry's date text read with the date separators of the settings, and
// moments written as RFC 3339 date-times in local time.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "settings/Settings.h"

namespace Sumirel {

struct CivilDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

// The date of a text made of year, YearSep, month, MonSep, day and DaySep (ASCII digits, blanks
// around the whole allowed), such as 2024/5/1 or 2024年5月1日. Nothing when the text has any
// other form, when YearSep or MonSep is empty (the numbers would run together), or when the
// day does not exist (2024/2/30). Years run from 1 to 9999.
std::optional<CivilDate> ParseEntryDate(std::string_view text, const DateSeparator& separators);

// Noon of the day in the local time zone.
std::optional<std::time_t> LocalNoon(const CivilDate& date);

// The moment in local time with its offset, "2024-05-01T12:00:00+09:00"; UTC ("Z") when the
// zone's offset is not a whole number of minutes or the local year has no four digits.
std::string Rfc3339(std::time_t moment);

// "2024-05-01".
std::string IsoDate(const CivilDate& date);

}  // namespace Sumirel
