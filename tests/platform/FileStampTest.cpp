#include "platform/FileStamp.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

std::time_t Local(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(DosStamp, PacksLocalDateAndTime) {
    const std::int32_t expected = static_cast<std::int32_t>(
        (((2002u - 1980u) << 9 | 3u << 5 | 4u) << 16) | (5u << 11 | 6u << 5 | 4u));
    EXPECT_EQ(Sumirel::DosStamp(Local(2002, 3, 4, 5, 6, 8)), expected);
    // Seconds count in steps of two.
    EXPECT_EQ(Sumirel::DosStamp(Local(2002, 3, 4, 5, 6, 9)), expected);
    EXPECT_EQ(Sumirel::DosStamp(Local(1979, 12, 31, 12, 0, 0)), -1);
}

TEST(FileAgeStamp, RealFileNeverZeroMissingFileMinusOne) {
    SumirelTest::TempDir dir;
    const std::string file = dir.Write("a.txt", "x");
    EXPECT_NE(Sumirel::FileAgeStamp(file), 0);
    EXPECT_NE(Sumirel::FileAgeStamp(file), -1);
    EXPECT_EQ(Sumirel::FileAgeStamp(dir.File("missing.txt")), -1);
}

}  // namespace
