#include "diary/FeedDates.h"

#include <gtest/gtest.h>

#include "TimeZoneScope.h"
#include "support/TempDir.h"

namespace {

using Sumirel::CivilDate;
using Sumirel::DateSeparator;
using SumirelTest::Sjis;
using SumirelTest::TimeZoneScope;

std::string Show(const std::optional<CivilDate>& date) {
    return date ? Sumirel::IsoDate(*date) : "none";
}

TEST(FeedDatesTest, EntryDateReadWithTheSeparatorsOfTheSettings) {
    const DateSeparator slash{"/", "/", ""};
    const DateSeparator kanji{Sjis(u8"年"), Sjis(u8"月"), Sjis(u8"日")};
    const DateSeparator dash{"-", "-", ""};
    const struct {
        const char* name;
        std::string text;
        DateSeparator separators;
        const char* expected;
    } cases[] = {
        {"nominal: slashes", "2024/5/1", slash, "2024-05-01"},
        {"nominal: leading zeros", "2024/05/01", slash, "2024-05-01"},
        {"nominal: kanji separators", Sjis(u8"2024年5月1日"), kanji, "2024-05-01"},
        {"nominal: dashes", "2024-12-31", dash, "2024-12-31"},
        {"nominal: blanks around", " 2024/5/1\t", slash, "2024-05-01"},
        {"leap day of a leap year", "2024/2/29", slash, "2024-02-29"},
        {"leap day of a century divisible by 400", "2000/2/29", slash, "2000-02-29"},
        {"impossible: 30 February", "2024/2/30", slash, "none"},
        {"impossible: leap day of a common year", "2023/2/29", slash, "none"},
        {"impossible: leap day of 1900", "1900/2/29", slash, "none"},
        {"impossible: 31 April", "2024/4/31", slash, "none"},
        {"impossible: month 13", "2024/13/1", slash, "none"},
        {"impossible: day 0", "2024/5/0", slash, "none"},
        {"impossible: year 0", "0/5/1", slash, "none"},
        {"empty", "", slash, "none"},
        {"other separators than the settings'", "2024/5/1", kanji, "none"},
        {"kanji date missing its day separator", Sjis(u8"2024年5月1"), kanji, "none"},
        {"trailing text", Sjis(u8"2024/5/1(水)"), slash, "none"},
        {"day separator where the settings have none", Sjis(u8"2024/5/1日"), slash, "none"},
        {"five-digit year", "20245/5/1", slash, "none"},
        {"three-digit day", "2024/5/001", slash, "none"},
        {"full-width digits", Sjis(u8"２０２４/５/１"), slash, "none"},
        {"free text", Sjis(u8"五月一日"), kanji, "none"},
        {"empty year separator cannot be read", "202451", DateSeparator{"", "/", ""}, "none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Show(Sumirel::ParseEntryDate(c.text, c.separators)), c.expected) << c.name;
    }
}

TEST(FeedDatesTest, NoonInLocalTimeWithTheZonesOffset) {
    const struct {
        const char* name;
        const char* zone;
        CivilDate date;
        const char* expected;
    } cases[] = {
        {"east of UTC", "JST-9", {2024, 5, 1}, "2024-05-01T12:00:00+09:00"},
        {"UTC", "UTC0", {2024, 5, 1}, "2024-05-01T12:00:00Z"},
        {"west, winter", "EST5EDT,M3.2.0,M11.1.0", {2024, 1, 15}, "2024-01-15T12:00:00-05:00"},
        {"west, summer time", "EST5EDT,M3.2.0,M11.1.0", {2024, 7, 1}, "2024-07-01T12:00:00-04:00"},
        {"half-hour offset", "IST-5:30", {2024, 2, 29}, "2024-02-29T12:00:00+05:30"},
    };
    for (const auto& c : cases) {
        const TimeZoneScope zone(c.zone);
        const auto noon = Sumirel::LocalNoon(c.date);
        ASSERT_TRUE(noon) << c.name;
        EXPECT_EQ(Sumirel::Rfc3339(*noon), c.expected) << c.name;
    }
}

TEST(FeedDatesTest, OffsetWithSecondsIsWrittenInUtc) {
    const TimeZoneScope zone("XYZ-0:30:15");
    EXPECT_EQ(Sumirel::Rfc3339(0), "1970-01-01T00:00:00Z");
}

}  // namespace
