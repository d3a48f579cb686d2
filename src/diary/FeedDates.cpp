#include "diary/FeedDates.h"

#include <cstdio>

namespace Sumirel {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads 1 to maxDigits ASCII digits at `at`.
std::optional<int> ReadNumber(std::string_view text, std::size_t& at, std::size_t maxDigits) {
    int value = 0;
    std::size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (++digits > maxDigits) {
            return std::nullopt;
        }
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return value;
}

bool ReadSeparator(std::string_view text, std::size_t& at, std::string_view separator) {
    if (text.substr(at, separator.size()) != separator) {
        return false;
    }
    at += separator.size();
    return true;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string FormatUtc(std::time_t moment) {
    std::tm utc{};
    if (::gmtime_r(&moment, &utc) == nullptr) {
        return "1970-01-01T00:00:00Z";
    }
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

}  // namespace

std::optional<CivilDate> ParseEntryDate(std::string_view text, const DateSeparator& separators) {
    if (separators.YearSep.empty() || separators.MonSep.empty()) {
        return std::nullopt;
    }
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    std::size_t at = 0;
    CivilDate date;
    const auto year = ReadNumber(text, at, 4);
    if (!year || !ReadSeparator(text, at, separators.YearSep)) {
        return std::nullopt;
    }
    const auto month = ReadNumber(text, at, 2);
    if (!month || !ReadSeparator(text, at, separators.MonSep)) {
        return std::nullopt;
    }
    const auto day = ReadNumber(text, at, 2);
    if (!day || !ReadSeparator(text, at, separators.DaySep) || at != text.size()) {
        return std::nullopt;
    }
    if (*year < 1 || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month)) {
        return std::nullopt;
    }
    date.Year = *year;
    date.Month = *month;
    date.Day = *day;
    return date;
}

std::optional<std::time_t> LocalNoon(const CivilDate& date) {
    std::tm local{};
    local.tm_year = date.Year - 1900;
    local.tm_mon = date.Month - 1;
    local.tm_mday = date.Day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    const std::time_t moment = std::mktime(&local);
    if (moment == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return moment;
}

std::string Rfc3339(std::time_t moment) {
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr) {
        return FormatUtc(moment);
    }
    const long offset = local.tm_gmtoff;
    const int year = local.tm_year + 1900;
    if (offset % 60 != 0 || year < 1 || year > 9999) {
        return FormatUtc(moment);
    }
    char text[40];
    const int written =
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string result(text, static_cast<std::size_t>(written));
    if (offset == 0) {
        return result + "Z";
    }
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    std::snprintf(text, sizeof text, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60,
                  minutes % 60);
    return result + text;
}

std::string IsoDate(const CivilDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

}  // namespace Sumirel
