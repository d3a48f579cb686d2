// Line lists: splitting at CR LF, lone CR and lone LF; joining with CR LF after every line.

#include "platform/LineList.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/Errors.h"
#include "support/TempDir.h"

namespace {

using Sumirel::LineList;
using Sumirel::NormalizeLineBreaks;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using namespace std::string_literals;
using Lines = std::vector<std::string>;

// Readable failure output: line breaks and NUL made visible.
std::string Show(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\r':
                out += "\\r";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\0':
                out += "\\0";
                break;
            default:
                out += c;
        }
    }
    return out;
}

struct SplitCase {
    const char* name;
    std::string text;
    Lines lines;
};

const SplitCase kSplitCases[] = {
    {"empty text gives no line", "", {}},
    {"one line without a break", "abc", {"abc"}},
    {"final CR LF adds no line", "abc\r\n", {"abc"}},
    {"final lone LF adds no line", "abc\n", {"abc"}},
    {"final lone CR adds no line", "abc\r", {"abc"}},
    {"only CR LF gives one empty line", "\r\n", {""}},
    {"only LF gives one empty line", "\n", {""}},
    {"only CR gives one empty line", "\r", {""}},
    {"CR LF", "a\r\nb\r\nc", {"a", "b", "c"}},
    {"lone LF", "a\nb\nc\n", {"a", "b", "c"}},
    {"lone CR", "a\rb\rc\r", {"a", "b", "c"}},
    {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}},
    {"CR CR LF is two breaks", "a\r\r\nb", {"a", "", "b"}},
    {"mixed", "a\r\nb\nc\rd\r\n", {"a", "b", "c", "d"}},
    {"empty lines kept", "a\r\n\r\n\r\nb\r\n", {"a", "", "", "b"}},
    {"two final breaks give one empty line", "a\r\n\r\n", {"a", ""}},
    {"blank lines only", "\r\n\r\n", {"", ""}},
    {"leading break", "\nabc", {"", "abc"}},
    {"NUL is an ordinary byte", "a\0b\r\n\0"s, {"a\0b"s, "\0"s}},
    {"Shift-JIS text", Sjis("日記\r\n晴れ\r\n"), {Sjis("日記"), Sjis("晴れ")}},
    // 0x0D and 0x0A never occur inside a double-byte character.
    {"Shift-JIS with 0x5C trail byte", Sjis("表\r\n能"), {Sjis("表"), Sjis("能")}},
};

TEST(LineListTest, SplitsText) {
    for (const auto& c : kSplitCases) {
        EXPECT_EQ(LineList::FromText(c.text).Lines(), c.lines) << c.name;
    }
}

TEST(LineListTest, SetTextReplacesTheLines) {
    LineList list = LineList::FromText("x\r\ny\r\n");
    for (const auto& c : kSplitCases) {
        list.SetText(c.text);
        EXPECT_EQ(list.Lines(), c.lines) << c.name;
        EXPECT_EQ(list.Count(), c.lines.size()) << c.name;
    }
}

struct JoinCase {
    const char* name;
    Lines lines;
    std::string text;
};

TEST(LineListTest, JoinsWithCrLfAfterEveryLine) {
    const JoinCase cases[] = {
        {"no lines", {}, ""},
        {"one empty line", {""}, "\r\n"},
        {"one line", {"abc"}, "abc\r\n"},
        {"several lines", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
        {"item keeps its inner CR LF", {"a\r\nb", "c"}, "a\r\nb\r\nc\r\n"},
        {"item keeps a lone LF", {"a\nb"}, "a\nb\r\n"},
        {"item keeps a lone CR", {"a\rb"}, "a\rb\r\n"},
        {"item ending in a break", {"a\r\n"}, "a\r\n\r\n"},
        {"NUL kept", {"\0"s}, "\0\r\n"s},
    };
    for (const auto& c : cases) {
        LineList list;
        for (const auto& line : c.lines) {
            list.Add(line);
        }
        EXPECT_EQ(Show(list.Text()), Show(c.text)) << c.name;
    }
}

TEST(LineListTest, AddedItemKeepsItsLineBreaksUntilReadAgain) {
    LineList list = LineList::FromText("<Start>\r\n");
    list.Add("first\r\nsecond\nthird");
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Lines()[1], "first\r\nsecond\nthird");
    const std::string text = list.Text();
    EXPECT_EQ(Show(text), Show("<Start>\r\nfirst\r\nsecond\nthird\r\n"));
    EXPECT_EQ(LineList::FromText(text).Lines(), (Lines{"<Start>", "first", "second", "third"}));
}

TEST(LineListTest, InsertPutsTheItemBeforeTheIndexAndClampsToTheEnd) {
    LineList list = LineList::FromText("b\r\nd\r\n");
    list.Insert(0, "a");
    list.Insert(2, "c");
    list.Insert(4, "e");
    list.Insert(100, "f");
    EXPECT_EQ(list.Lines(), (Lines{"a", "b", "c", "d", "e", "f"}));
    list.Insert(0, "x\r\ny");
    EXPECT_EQ(list.Lines().front(), "x\r\ny");
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Text(), "");
}

TEST(LineListTest, SplitThenJoinEqualsJoinThenSplit) {
    for (const auto& c : kSplitCases) {
        const LineList list = LineList::FromText(c.text);
        EXPECT_EQ(LineList::FromText(list.Text()).Lines(), list.Lines()) << c.name;
    }
}

// --- NormalizeLineBreaks --------------------------------------------------------------------

struct NormalizeCase {
    const char* name;
    std::string text;
    std::string expected;
};

TEST(LineListTest, NormalizeLineBreaksTable) {
    const NormalizeCase cases[] = {
        {"empty stays empty", "", ""},
        {"normal text unchanged", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"only CR LF", "\r\n", "\r\n"},
        {"final break added", "abc", "abc\r\n"},
        {"lone LF", "a\nb\n", "a\r\nb\r\n"},
        {"lone CR", "a\rb\r", "a\r\nb\r\n"},
        {"only CR", "\r", "\r\n"},
        {"only LF", "\n", "\r\n"},
        {"LF CR", "\n\r", "\r\n\r\n"},
        {"CR CR LF", "\r\r\n", "\r\n\r\n"},
        {"mixed without final break", "a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd\r\n"},
        {"normal except the end", "a\r\nb", "a\r\nb\r\n"},
        {"NUL kept", "\0a\0"s, "\0a\0\r\n"s},
        {"Shift-JIS", Sjis("日\n記"), Sjis("日\r\n記\r\n")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Show(NormalizeLineBreaks(c.text)), Show(c.expected)) << c.name;
        EXPECT_EQ(Show(NormalizeLineBreaks(c.text)), Show(LineList::FromText(c.text).Text()))
            << c.name;
    }
}

TEST(LineListTest, NormalizeLineBreaksEqualsSplitAndJoinForAllShortTexts) {
    // Every text of up to 7 bytes over {a, CR, LF}.
    const char alphabet[] = {'a', '\r', '\n'};
    std::vector<std::string> texts{""};
    for (std::size_t begin = 0, length = 0; length < 7; ++length) {
        const std::size_t end = texts.size();
        for (std::size_t i = begin; i < end; ++i) {
            for (char c : alphabet) {
                texts.push_back(texts[i] + c);
            }
        }
        begin = end;
    }
    ASSERT_EQ(texts.size(), 3280u);
    for (const auto& text : texts) {
        ASSERT_EQ(Show(NormalizeLineBreaks(text)), Show(LineList::FromText(text).Text()))
            << Show(text);
    }
}

TEST(LineListTest, NormalizeLineBreaksEqualsSplitAndJoinForRandomTexts) {
    std::mt19937 random(932);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\0', '\x82'};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<int> length(0, 200);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int i = length(random); i > 0; --i) {
            text += alphabet[pick(random)];
        }
        ASSERT_EQ(Show(NormalizeLineBreaks(text)), Show(LineList::FromText(text).Text()))
            << Show(text);
    }
}

// --- Files ----------------------------------------------------------------------------------

TEST(LineListTest, FileRoundTrip) {
    TempDir dir;
    const std::string file = dir.Write("diary.txt", "a\nb\rc\r\n\r\n");
    LineList list = LineList::FromFile(file);
    EXPECT_EQ(list.Lines(), (Lines{"a", "b", "c", ""}));
    list.Add("d\r\ne");
    list.SaveToFile(file);
    EXPECT_EQ(Show(ReadBytes(file)), Show("a\r\nb\r\nc\r\n\r\nd\r\ne\r\n"));
}

TEST(LineListTest, EmptyListSavesAnEmptyFile) {
    TempDir dir;
    const std::string file = dir.Write("diary.txt", "old\r\n");
    LineList().SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), "");
}

TEST(LineListTest, MissingFileRaisesFileError) {
    TempDir dir;
    EXPECT_THROW(LineList::FromFile(dir.File("missing.txt")), Sumirel::FileError);
}

}  // namespace
