#include "settings/Scramble.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/TempDir.h"

namespace {

using Sumirel::ScrambleText;
using Sumirel::UnscrambleText;

// The key begins "QwEr": 'Q' = 81, 'w' = 119, 'E' = 69, 'r' = 114, so the shifts of positions
// 0 to 3 are 1, 9, 9, 4. Its last letter (position 71) is 'j' = 106: shift 6.
TEST(ScrambleTest, KnownShifts) {
    const struct {
        const char* name;
        std::string plain;
        std::string scrambled;
    } cases[] = {
        {"empty", "", ""},
        {"first positions", "AAAA", "@88="},                           // 65-1, 65-9, 65-9, 65-4
        {"small bytes wrap", std::string("\x00\x08", 2), "\xff\xff"},  // 0-1, 8-9 mod 256
        {"byte near 255", "\xff", "\xfe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScrambleText(c.plain), c.scrambled);
        EXPECT_EQ(UnscrambleText(c.scrambled), c.plain);
    }
}

TEST(ScrambleTest, PositionsFrom72OnAreNotShifted) {
    const std::string scrambled = ScrambleText(std::string(75, 'A'));
    ASSERT_EQ(scrambled.size(), 75u);
    EXPECT_EQ(scrambled[0], '@');
    EXPECT_EQ(scrambled[71], 'A' - 6);
    EXPECT_EQ(scrambled.substr(72), "AAA");
}

TEST(ScrambleTest, RoundTrips) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) {
        allBytes += static_cast<char>(b);
    }
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"password", "pa ss\"word"},
        {"double-byte text", SumirelTest::Sjis("日記のパスワード")},
        {"bytes 0x00 to 0x08", std::string("\x00\x01\x02\x03\x04\x05\x06\x07\x08", 9)},
        {"every byte, longer than 72 bytes", allBytes},
        {"every byte reversed", std::string(allBytes.rbegin(), allBytes.rend())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ScrambleText(c.text).size(), c.text.size());
        EXPECT_EQ(UnscrambleText(ScrambleText(c.text)), c.text);
        EXPECT_EQ(ScrambleText(UnscrambleText(c.text)), c.text);
    }
}

TEST(ScrambleTest, DoubleByteCharacterShiftsEachByteByItsPosition) {
    const std::string plain = SumirelTest::Sjis("日");  // 93 FA
    EXPECT_EQ(ScrambleText(plain), "\x92\xf1");         // 0x93-1, 0xFA-9
}

TEST(ScrambleTest, KeyboardTextGivesNoByteBelow0x17) {
    const std::string scrambled = ScrambleText(std::string(100, ' '));
    const auto lowest = static_cast<unsigned char>(
        *std::min_element(scrambled.begin(), scrambled.end(), [](char a, char b) {
            return static_cast<unsigned char>(a) < static_cast<unsigned char>(b);
        }));
    EXPECT_EQ(lowest, 0x17);  // ' ' - 9
}

}  // namespace
