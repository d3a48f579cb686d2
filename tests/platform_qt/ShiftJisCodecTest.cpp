// Widget text <-> Shift-JIS bytes (code page 932) through Qt's ICU-backed "windows-31j".

#include <gtest/gtest.h>

#include <QList>
#include <QString>
#include <ostream>
#include <random>
#include <string>
#include <string_view>

#include "platform/qt/ShiftJisCodec.h"
#include "support/TempDir.h"

namespace {

using Sumirel::FromShiftJis;
using Sumirel::ToShiftJis;
using SumirelTest::Sjis;
using namespace std::string_literals;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Readable failure output: the bytes in hex.
std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string CodePoints(const QString& text) {
    std::string out;
    for (char32_t c : text.toUcs4()) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%sU+%04X", out.empty() ? "" : " ",
                      static_cast<unsigned>(c));
        out += buffer;
    }
    return out;
}

struct RoundTripCase {
    const char* name;
    const char* utf8;
    std::string bytes;  // the expected code page 932 bytes
};

// gtest and ctest show the case by its name.
void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class RoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, EncodesToTheCodePageBytesAndBack) {
    const auto& c = GetParam();
    const QString text = U(c.utf8);
    EXPECT_EQ(Hex(ToShiftJis(text)), Hex(c.bytes));
    EXPECT_EQ(CodePoints(FromShiftJis(c.bytes)), CodePoints(text));
}

INSTANTIATE_TEST_SUITE_P(
    ShiftJisCodec, RoundTrip,
    testing::Values(RoundTripCase{"Empty", "", ""},
                    RoundTripCase{"Hiragana", "あいう", "\x82\xa0\x82\xa2\x82\xa4"},
                    RoundTripCase{"KanjiAndPunctuation", "日記、晴れ。", Sjis("日記、晴れ。")},
                    RoundTripCase{"FullwidthLetters", "ＡＢＣ１２３", Sjis("ＡＢＣ１２３")},
                    RoundTripCase{"HalfWidthKatakana", "ｱｲｳｴｵﾞﾟ｡｢｣､･ｰ",
                                  "\xb1\xb2\xb3\xb4\xb5\xde\xdf\xa1\xa2\xa3\xa4\xa5\xb0"},
                    RoundTripCase{"CircledDigitNec", "①⑳", "\x87\x40\x87\x53"},
                    RoundTripCase{"RomanNumeralNec", "Ⅰ", "\x87\x54"},
                    RoundTripCase{"SmallRomanNumeralIbm", "ⅰ", "\xfa\x40"},
                    RoundTripCase{"ParenthesizedKabushikiNec", "㈱", "\x87\x8a"},
                    RoundTripCase{"SquareUnitNec", "㌔㍻", "\x87\x60\x87\x7e"},
                    RoundTripCase{"TakaIbm", "髙", "\xfb\xfc"},
                    RoundTripCase{"FullwidthTilde", "～", "\x81\x60"},
                    RoundTripCase{"FullwidthYen", "￥", "\x81\x8f"},
                    RoundTripCase{"MixedAsciiAndJapanese", "<b>今日</b>\r\n",
                                  "<b>\x8d\xa1\x93\xfa</b>\r\n"},
                    RoundTripCase{"UserDefinedArea", "\xee\x80\x80", "\xf0\x40"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShiftJisCodec, EveryAsciiCharacterIsOneByteOfTheSameValue) {
    // ICU's table rotates 0x1A, 0x1C and 0x7F; code page 932 does not, and neither do we.
    std::string bytes;
    QString text;
    for (int c = 0; c < 0x80; ++c) {
        bytes += static_cast<char>(c);
        text += QChar(char16_t(c));
    }
    EXPECT_EQ(Hex(ToShiftJis(text)), Hex(bytes));
    EXPECT_EQ(CodePoints(FromShiftJis(bytes)), CodePoints(text));
}

TEST(ShiftJisCodec, BackslashAndTildeStaySingleAsciiBytes) {
    EXPECT_EQ(ToShiftJis(U("C:\\日記\\~a")), "C:\\"s + Sjis("日記") + "\\~a");
    EXPECT_EQ(FromShiftJis("\\~"), U("\\~"));
    // 0x5C as the trail byte of a double-byte character is part of that character.
    EXPECT_EQ(FromShiftJis("\x95\x5c\\"), U("表\\"));
    EXPECT_EQ(ToShiftJis(U("表")), "\x95\x5c");
}

TEST(ShiftJisCodec, ControlCodesInsideOtherTextKeepTheirValues) {
    const std::string bytes = "\x82\xa0\x1a\x1c\x7f\x82\xa0"s;
    const QString text =
        U("あ") + QChar(char16_t{0x1A}) + QChar(char16_t{0x1C}) + QChar(char16_t{0x7F}) + U("あ");
    EXPECT_EQ(Hex(ToShiftJis(text)), Hex(bytes));
    EXPECT_EQ(CodePoints(FromShiftJis(bytes)), CodePoints(text));
    // Also on the slow paths (an emoji and an invalid byte beside them).
    EXPECT_EQ(Hex(ToShiftJis(text + U("😀"))), Hex(bytes + "&#x1F600;"));
    EXPECT_EQ(CodePoints(FromShiftJis(bytes + "\x80")),
              CodePoints(text + QChar(QChar::ReplacementCharacter)));
}

TEST(ShiftJisCodec, NulIsKeptBothWays) {
    const std::string bytes("a\0\x82\xa0\0b", 6);
    QString text = U("a");
    text += QChar(char16_t{0});
    text += U("あ");
    text += QChar(char16_t{0});
    text += U("b");
    EXPECT_EQ(Hex(ToShiftJis(text)), Hex(bytes));
    EXPECT_EQ(CodePoints(FromShiftJis(bytes)), CodePoints(text));
    EXPECT_EQ(FromShiftJis(std::string_view("\0", 1)).size(), 1);
}

// --- The wave dash question -------------------------------------------------------------
// Code page 932 has one character at 0x81 0x60, which Windows (and windows-31j) reads as
// U+FF5E FULLWIDTH TILDE. JIS X 0208 names it U+301C WAVE DASH, and input methods on Linux
// type that. Decision: both are written as 0x81 0x60 (not as "&#x301C;"), so a diary typed on
// Linux holds the same bytes as one typed on Windows; reading gives U+FF5E.

TEST(ShiftJisCodec, ByteOfFullwidthTildeDecodesToFullwidthTilde) {
    EXPECT_EQ(CodePoints(FromShiftJis("\x81\x60")), "U+FF5E");
}

TEST(ShiftJisCodec, FullwidthTildeAndWaveDashBothBecomeTheSameByte) {
    EXPECT_EQ(Hex(ToShiftJis(QString(QChar(char16_t{0xFF5E})))), "81 60");
    EXPECT_EQ(Hex(ToShiftJis(QString(QChar(char16_t{0x301C})))), "81 60");
    EXPECT_EQ(Hex(ToShiftJis(U("5時〜6時"))), Hex(Sjis("5時") + "\x81\x60" + Sjis("6時")));
}

struct VariantCase {
    const char* name;
    char16_t jis;      // the JIS X 0208 spelling
    char16_t windows;  // the spelling code page 932 decodes to
    const char* bytes;
};

// gtest and ctest show the case by its name.
void PrintTo(const VariantCase& c, std::ostream* os) {
    *os << c.name;
}

class JisVariant : public testing::TestWithParam<VariantCase> {};

TEST_P(JisVariant, BothSpellingsGiveTheCodePageBytes) {
    const auto& c = GetParam();
    EXPECT_EQ(Hex(ToShiftJis(QString(QChar(c.jis)))), Hex(c.bytes));
    EXPECT_EQ(Hex(ToShiftJis(QString(QChar(c.windows)))), Hex(c.bytes));
    EXPECT_EQ(FromShiftJis(c.bytes), QString(QChar(c.windows)));
}

INSTANTIATE_TEST_SUITE_P(ShiftJisCodec, JisVariant,
                         testing::Values(VariantCase{"WaveDash", 0x301C, 0xFF5E, "\x81\x60"},
                                         VariantCase{"DoubleVerticalLine", 0x2016, 0x2225,
                                                     "\x81\x61"},
                                         VariantCase{"MinusSign", 0x2212, 0xFF0D, "\x81\x7c"},
                                         VariantCase{"CentSign", 0x00A2, 0xFFE0, "\x81\x91"},
                                         VariantCase{"PoundSign", 0x00A3, 0xFFE1, "\x81\x92"},
                                         VariantCase{"NotSign", 0x00AC, 0xFFE2, "\x81\xca"},
                                         VariantCase{"EmDash", 0x2014, 0x2015, "\x81\x5c"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Characters the code page lacks ------------------------------------------------------

struct ReferenceCase {
    const char* name;
    QString text;
    std::string bytes;
};

// gtest and ctest show the case by its name.
void PrintTo(const ReferenceCase& c, std::ostream* os) {
    *os << c.name;
}

class CharacterReference : public testing::TestWithParam<ReferenceCase> {};

TEST_P(CharacterReference, UnencodableCharacterBecomesHexReference) {
    const auto& c = GetParam();
    EXPECT_EQ(ToShiftJis(c.text), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    ShiftJisCodec, CharacterReference,
    testing::Values(
        ReferenceCase{"EmojiAlone", U("😀"), "&#x1F600;"},
        ReferenceCase{"EmojiBetweenText", U("今日は😀です"),
                      Sjis("今日は") + "&#x1F600;" + Sjis("です")},
        ReferenceCase{"TwoEmojis", U("😀😂"), "&#x1F600;&#x1F602;"},
        ReferenceCase{"EmojiAtEnd", U("a😀"), "a&#x1F600;"},
        ReferenceCase{"BmpCharacterNoLeadingZeros", U("é"), "&#xE9;"},
        ReferenceCase{"UpperCaseHex", U("€"), "&#x20AC;"},
        ReferenceCase{"YenSignIsNotBackslash", U("¥"), "&#xA5;"},
        ReferenceCase{"Hangul", U("한"), "&#xD55C;"},
        ReferenceCase{"KanjiOutsideTheCodePage", U("𠮷野家"), "&#x20BB7;" + Sjis("野家")},
        ReferenceCase{"ReplacementCharacter", U("\xef\xbf\xbd"), "&#xFFFD;"},
        ReferenceCase{"ByteOrderMarkAtStart", QChar(QChar::ByteOrderMark) + U("a"), "&#xFEFF;a"},
        ReferenceCase{"ByteOrderMarkInside",
                      U("a\xef\xbb\xbf"
                        "b"),
                      "a&#xFEFF;b"},
        ReferenceCase{"VariationSelectorKept", U("❤️"), "&#x2764;&#xFE0F;"},
        ReferenceCase{"ZeroWidthJoinerKept", U("👨‍👩"), "&#x1F468;&#x200D;&#x1F469;"},
        ReferenceCase{"SoftHyphenKept",
                      U("a\xc2\xad"
                        "b"),
                      "a&#xAD;b"},
        ReferenceCase{"LoneHighSurrogateAtEnd", U("a") + QChar(char16_t{0xD83D}), "a&#xFFFD;"},
        ReferenceCase{"LoneHighSurrogateInside", U("a") + QChar(char16_t{0xD83D}) + U("b"),
                      "a&#xFFFD;b"},
        ReferenceCase{"LoneLowSurrogate", QString(QChar(char16_t{0xDE00})) + U("あ"),
                      "&#xFFFD;\x82\xa0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShiftJisCodec, ReferenceDecodesAsPlainText) {
    EXPECT_EQ(FromShiftJis("&#x1F600;"), U("&#x1F600;"));
}

TEST(ShiftJisCodec, LongTextWithOneEmojiKeepsEverythingElse) {
    QString text;
    std::string bytes;
    for (int i = 0; i < 2000; ++i) {
        text += U("日記ｱa～");
        bytes += Sjis("日記ｱa～");
    }
    text += U("😀");
    bytes += "&#x1F600;";
    text += U("終");
    bytes += Sjis("終");
    EXPECT_EQ(ToShiftJis(text), bytes);
}

// --- Invalid bytes -----------------------------------------------------------------------

struct InvalidCase {
    const char* name;
    std::string bytes;
    QString text;
};

// gtest and ctest show the case by its name.
void PrintTo(const InvalidCase& c, std::ostream* os) {
    *os << c.name;
}

class InvalidBytes : public testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidBytes, DecodeToReplacementCharacter) {
    const auto& c = GetParam();
    EXPECT_EQ(CodePoints(FromShiftJis(c.bytes)), CodePoints(c.text));
}

const QString kFffd(QChar::ReplacementCharacter);

INSTANTIATE_TEST_SUITE_P(
    ShiftJisCodec, InvalidBytes,
    testing::Values(InvalidCase{"Byte80", "\x80", kFffd},
                    InvalidCase{"ByteA0",
                                "a\xa0"
                                "b",
                                U("a") + kFffd + U("b")},
                    InvalidCase{"BytesFDtoFF", "\xfd\xfe\xff", kFffd + kFffd + kFffd},
                    InvalidCase{"LeadByteAtEnd", "a\x82", U("a") + kFffd},
                    InvalidCase{"LeadByteAlone", "\x82", kFffd},
                    InvalidCase{"LeadByteBeforeSpace", "\x82 a", kFffd + U(" a")},
                    InvalidCase{"LeadByteBeforeLineBreak", "\x82\r\n", kFffd + U("\r\n")},
                    InvalidCase{"LeadByteBeforeControl", "\x82\x7f", kFffd + QChar(char16_t{0x7F})},
                    InvalidCase{"LeadByteBeforeLeadByte", "\x82\xff\x82\xa0",
                                kFffd + kFffd + U("あ")},
                    InvalidCase{"PairThenInvalid", "\x82\x82\xa0", U("ｂ") + kFffd},
                    InvalidCase{"UnassignedPair",
                                "\x85\x40"
                                "a",
                                kFffd + U("a")},
                    InvalidCase{"UnassignedPairThenInvalidThenKana", "\x85\x40\xff\x82\xa0\xb1",
                                kFffd + kFffd + U("あｱ")},
                    InvalidCase{"InvalidBetweenKanji", Sjis("日") + "\xff" + Sjis("記"),
                                U("日") + kFffd + U("記")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShiftJisCodec, RandomBytesNeverCrashAndValidCharactersSurvive) {
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int length = round % 64;
        for (int i = 0; i < length; ++i) {
            bytes += static_cast<char>(byte(random));
        }
        const QString text = FromShiftJis(bytes);
        EXPECT_LE(text.size(), static_cast<qsizetype>(bytes.size())) << Hex(bytes);
        // What was decoded, less the replacement characters, encodes and decodes unchanged.
        QString valid = text;
        valid.remove(QChar(QChar::ReplacementCharacter));
        EXPECT_EQ(CodePoints(FromShiftJis(ToShiftJis(valid))), CodePoints(valid)) << Hex(bytes);
    }
}

TEST(ShiftJisCodec, EveryDecodedDoubleByteCharacterEncodesBackToACodePageCharacter) {
    // Every assigned pair decodes to one character that encodes to a pair which decodes to
    // the same character (the NEC-selected IBM rows ED/EE give the IBM rows FA-FC back, as on
    // Windows).
    int assigned = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const QString text = FromShiftJis(pair);
            ASSERT_EQ(text.size(), 1) << Hex(pair);
            if (text[0] == QChar(QChar::ReplacementCharacter)) {
                continue;
            }
            ++assigned;
            const std::string again = ToShiftJis(text);
            ASSERT_EQ(again.size(), 2u) << Hex(pair) << " -> " << Hex(again);
            EXPECT_EQ(FromShiftJis(again), text) << Hex(pair);
        }
    }
    EXPECT_GT(assigned, 7000);
}

}  // namespace
