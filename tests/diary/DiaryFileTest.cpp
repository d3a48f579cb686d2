#include "diary/DiaryFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace {

using Sumirel::ParseEntry;
using Sumirel::SDiary;
using Sumirel::WriteEntry;
using SumirelTest::ReadBytes;
using SumirelTest::RecordingReporter;
using SumirelTest::TempDir;

const SDiary kEntry{"2002/3/4", "晴れ", " Title ", "line1\r\nline2"};
const std::string kBlock =
    "<Start>\r\n<Date>2002/3/4</Date>\r\n<Wheather>晴れ</Wheather>\r\n<Title> Title "
    "</Title>\r\n<Contents>\r\nline1\r\nline2\r\n</Contents>\r\n<End>\r\n\r\n\r\n";
const std::string kOld =
    "<Start>\r\n<Date>old</Date>\r\n<Wheather></Wheather>\r\n<Title>t</Title>\r\n"
    "<Contents>\r\n\r\n</Contents>\r\n<End>\r\n\r\n\r\n";

struct WriteCase {
    const char* name;
    std::string before;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteEntryCases : public testing::TestWithParam<WriteCase> {};

TEST_P(WriteEntryCases, PutsEntryOnTop) {
    TempDir dir;
    const std::string diary = dir.Write("Diary.txt", GetParam().before);
    RecordingReporter reporter;
    WriteEntry(diary, kEntry, reporter);
    EXPECT_EQ(ReadBytes(diary), GetParam().after);
    EXPECT_TRUE(reporter.engineMessages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, WriteEntryCases,
    testing::Values(
        WriteCase{"empty_file", "", kBlock},
        WriteCase{"text_before_first_start_dropped", "garbage\r\nmore" + kOld, kBlock + kOld},
        WriteCase{"text_without_start_replaced", "just some\nnotes\n", kBlock},
        WriteCase{"lone_line_ends_become_crlf", "<Start>\n<Date>d</Date>\r<End>\n\n\n",
                  kBlock + "<Start>\r\n<Date>d</Date>\r\n<End>\r\n\r\n\r\n"},
        WriteCase{"missing_final_break_added", "<Start>x<End>", kBlock + "<Start>x<End>\r\n"},
        WriteCase{"nul_byte_kept", std::string("<Start>a\0b<End>\r\n", 17),
                  kBlock + std::string("<Start>a\0b<End>\r\n", 17)}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST(WriteEntry, EmptyFieldsGiveOneEmptyContentsLine) {
    TempDir dir;
    const std::string diary = dir.Write("Diary.txt", "");
    RecordingReporter reporter;
    WriteEntry(diary, SDiary{}, reporter);
    const std::string written = ReadBytes(diary);
    EXPECT_EQ(written,
              "<Start>\r\n<Date></Date>\r\n<Wheather></Wheather>\r\n<Title></Title>\r\n"
              "<Contents>\r\n\r\n</Contents>\r\n<End>\r\n\r\n\r\n");
    EXPECT_EQ(ParseEntry(written, reporter).Contents, "\r\n");
}

TEST(WriteEntry, MissingFileRaisesAndCreatesNothing) {
    TempDir dir;
    const std::string diary = dir.File("Diary.txt");
    RecordingReporter reporter;
    EXPECT_THROW(WriteEntry(diary, kEntry, reporter), Sumirel::FileError);
    EXPECT_EQ(ReadBytes(diary), "<missing>");
}

TEST(WriteEntry, UnwritableFileKeepsOldContent) {
    TempDir dir;
    const std::string diary = dir.Write("Diary.txt", kOld);
    ASSERT_EQ(::chmod(diary.c_str(), 0444), 0);
    RecordingReporter reporter;
    EXPECT_THROW(WriteEntry(diary, kEntry, reporter), Sumirel::FileError);
    EXPECT_EQ(ReadBytes(diary), kOld);
}

TEST(WriteEntry, RoundTripsThroughParseEntry) {
    TempDir dir;
    const std::string diary = dir.Write("Diary.txt", kOld);
    RecordingReporter reporter;
    WriteEntry(diary, kEntry, reporter);
    const SDiary parsed = ParseEntry(ReadBytes(diary), reporter);
    EXPECT_EQ(parsed.Date, kEntry.Date);
    EXPECT_EQ(parsed.Wheather, kEntry.Wheather);
    EXPECT_EQ(parsed.Title, kEntry.Title);
    EXPECT_EQ(parsed.Contents, kEntry.Contents + "\r\n");
}

struct ParseCase {
    const char* name;
    std::string block;
    SDiary expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

class ParseEntryCases : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseEntryCases, SplitsFields) {
    RecordingReporter reporter;
    const SDiary got = ParseEntry(GetParam().block, reporter);
    const SDiary& want = GetParam().expected;
    EXPECT_EQ(got.Date, want.Date);
    EXPECT_EQ(got.Wheather, want.Wheather);
    EXPECT_EQ(got.Title, want.Title);
    EXPECT_EQ(got.Contents, want.Contents);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseEntryCases,
    testing::Values(
        ParseCase{"nominal", kOld, {"old", "", "t", "\r\n"}},
        ParseCase{
            "single_line_contents", "<Contents>\r\nabc\r\n</Contents>", {"", "", "", "abc\r\n"}},
        ParseCase{"only_one_leading_crlf_removed",
                  "<Contents>\r\n\r\nx</Contents>",
                  {"", "", "", "\r\nx"}},
        ParseCase{"any_order", "<Title>T</Title><Date>D</Date>", {"D", "", "T", ""}},
        ParseCase{"missing_wheather", "<Date>D</Date><Title>T</Title>", {"D", "", "T", ""}},
        ParseCase{"other_letter_case", "<date>D</date><TITLE>T</TITLE>", {"", "", "", ""}},
        ParseCase{"closing_before_opening", "</Date>x<Date>D", {"", "", "", ""}},
        ParseCase{"damaged: opening_without_closing", "<Title>runs to the end", {"", "", "", ""}},
        ParseCase{"contents_end_at_first_closing",
                  "<Contents>a</Contents>b</Contents>",
                  {"", "", "", "a"}},
        ParseCase{"spaces_kept", "<Title>  two  </Title>", {"", "", "  two  ", ""}},
        ParseCase{"empty_block", "", {"", "", "", ""}}),
    [](const testing::TestParamInfo<ParseCase>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

}  // namespace
