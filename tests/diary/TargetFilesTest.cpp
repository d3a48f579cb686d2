#include "diary/TargetFiles.h"

#include <gtest/gtest.h>

#include "diary/DiaryFile.h"
#include "diary/Messages.h"
#include "platform/Errors.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace {

using Sumirel::FillSingleSections;
using Sumirel::SDiary;
using Sumirel::UpdateTargetFiles;
using SumirelTest::ReadBytes;
using SumirelTest::RecordingReporter;
using SumirelTest::TempDir;

const Sumirel::LenAddStrings kDefaults{"", "<BR>"};
const SDiary kEntry{"2002/3/4", "fine", "New", "a\r\nb\r\n"};

struct FillCase {
    const char* name;
    std::string target;
    SDiary entry;
    std::string expected;
};

void PrintTo(const FillCase& c, std::ostream* os) {
    *os << c.name;
}

class FillSingleSectionsCases : public testing::TestWithParam<FillCase> {};

TEST_P(FillSingleSectionsCases, FillsFirstSectionOfEachKind) {
    const FillCase& c = GetParam();
    RecordingReporter reporter;
    EXPECT_EQ(FillSingleSections(c.target, c.entry, kDefaults, reporter), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FillSingleSectionsCases,
    testing::Values(
        FillCase{"no_markers", "<p>x</p>", kEntry, "<p>x</p>"},
        FillCase{"lower_case_title_replaced", "<!--title_sng-->Old<!--/title_sng-->", kEntry,
                 "<!--title_sng-->New<!--/title_sng-->"},
        FillCase{"empty_date_section", "<!-- DATE_SNG --><!-- /DATE_SNG -->", kEntry,
                 "<!-- DATE_SNG -->2002/3/4<!-- /DATE_SNG -->"},
        FillCase{"contents_two_lines", "<!--contents_sng-->\r\nold<!--/contents_sng-->", kEntry,
                 "<!--contents_sng-->a<BR>\r\nb<BR>\r\n<!--/contents_sng-->"},
        FillCase{"written_empty_contents",
                 "<!--contents_sng-->x<!--/contents_sng-->",
                 {"", "", "", "\r\n"},
                 "<!--contents_sng--><BR>\r\n<!--/contents_sng-->"},
        FillCase{"entirely_empty_contents",
                 "<!--contents_sng-->x<!--/contents_sng-->",
                 {},
                 "<!--contents_sng--><!--/contents_sng-->"},
        FillCase{
            "weather_both_spellings",
            "<!--weather_sng-->a<!--/weather_sng-->|<!--WHEATHER_SNG-->b<!--/Wheather_sng-->",
            kEntry,
            "<!--weather_sng-->fine<!--/weather_sng-->|<!--WHEATHER_SNG-->b<!--/Wheather_sng-->"},
        FillCase{"wheather_spelling_alone", "<!--Wheather_Sng-->b<!--/WHEATHER_SNG-->", kEntry,
                 "<!--Wheather_Sng-->fine<!--/WHEATHER_SNG-->"},
        FillCase{"second_section_of_kind_kept",
                 "<!--date_sng-->1<!--/date_sng--><!--date_sng-->2<!--/date_sng-->", kEntry,
                 "<!--date_sng-->2002/3/4<!--/date_sng--><!--date_sng-->2<!--/date_sng-->"},
        FillCase{"opening_without_closing_left_others_filled",
                 "<!--date_sng-->old<!--title_sng--><!--/title_sng-->", kEntry,
                 "<!--date_sng-->old<!--title_sng-->New<!--/title_sng-->"},
        FillCase{"reversed_markers_insert_after_opening", "<!--/title_sng-->x<!--title_sng-->y",
                 kEntry, "<!--/title_sng-->x<!--title_sng-->Newy"},
        // Neither the tab marker nor the blank after the slash counts, so the real opening
        // marker pairs with the closing marker before it.
        FillCase{"tab_or_blank_after_slash_no_marker",
                 "<!--\ttitle_sng-->a<!--/title_sng--><!--title_sng-->b<!--/ title_sng-->", kEntry,
                 "<!--\ttitle_sng-->a<!--/title_sng--><!--title_sng-->Newb<!--/ title_sng-->"},
        FillCase{"later_kind_found_inside_inserted_value",
                 "<!--contents_sng--><!--/contents_sng--><!--/date_sng-->",
                 {"D", "", "", "<!--date_sng-->"},
                 "<!--contents_sng--><!--date_sng-->D<!--/date_sng-->"},
        FillCase{"nul_is_ordinary", std::string("a\0<!--title_sng--><!--/title_sng-->b", 36),
                 kEntry, std::string("a\0<!--title_sng-->New<!--/title_sng-->b", 39)}),
    [](const testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

class UpdateTargetFilesTest : public testing::Test {
protected:
    std::string Diary(const std::string& text) { return dir.Write("Diary.txt", text); }
    std::string Target(const std::string& name, const std::string& text) {
        return dir.Write(name, text);
    }
    TempDir dir;
    RecordingReporter reporter;
};

TEST_F(UpdateTargetFilesTest, FillsEveryTargetFromNewestEntry) {
    const std::string diary = Diary(Sumirel::FormatEntryBlock(kEntry) + "\r\n" +
                                    Sumirel::FormatEntryBlock({"old", "", "Old", ""}));
    const std::string a = Target("a.html", "<!--title_sng-->x<!--/title_sng-->\n<p>");
    const std::string b = Target("b.html", "plain\rtext");
    EXPECT_TRUE(UpdateTargetFiles(diary, {a, b}, kDefaults, reporter));
    EXPECT_EQ(ReadBytes(a), "<!--title_sng-->New<!--/title_sng-->\r\n<p>\r\n");
    EXPECT_EQ(ReadBytes(b), "plain\r\ntext\r\n");
    EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(UpdateTargetFilesTest, NothingToDo) {
    const std::string target = Target("a.html", "<!--title_sng--><!--/title_sng-->\n");
    // No diary name, or no such diary: targets untouched, even missing ones.
    EXPECT_TRUE(UpdateTargetFiles("", {target, dir.File("none.html")}, kDefaults, reporter));
    EXPECT_TRUE(UpdateTargetFiles(dir.File("none.txt"), {target}, kDefaults, reporter));
    // A diary without entries: targets read but not rewritten (their line ends stay).
    EXPECT_TRUE(UpdateTargetFiles(Diary("no entries\n"), {target}, kDefaults, reporter));
    EXPECT_TRUE(
        UpdateTargetFiles(Diary(Sumirel::FormatEntryBlock(kEntry)), {}, kDefaults, reporter));
    EXPECT_EQ(ReadBytes(target), "<!--title_sng--><!--/title_sng-->\n");
    EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(UpdateTargetFilesTest, DamagedDiaryReportedBeforeAnyWrite) {
    struct {
        const char* name;
        std::string diary;
        const char* message;
    } cases[] = {
        {"start_without_end", "<Start>\r\n<Title>t</Title>\r\n", Sumirel::Messages::kNoDiaryEnd},
        {"end_before_start", "<End>\r\n" + Sumirel::FormatEntryBlock(kEntry),
         Sumirel::Messages::kDiaryDamaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingReporter local;
        const std::string a = Target("a.html", "<!--title_sng--><!--/title_sng-->\n");
        const std::string b = Target("b.html", "<!--title_sng--><!--/title_sng-->\n");
        EXPECT_FALSE(UpdateTargetFiles(Diary(c.diary), {a, b}, kDefaults, local));
        EXPECT_EQ(local.errors, std::vector<std::string>{c.message});
        EXPECT_EQ(ReadBytes(a), "<!--title_sng--><!--/title_sng-->\n");
        EXPECT_EQ(ReadBytes(b), "<!--title_sng--><!--/title_sng-->\n");
    }
}

TEST_F(UpdateTargetFilesTest, MissingTargetInMiddleRaisesAfterEarlierOnesWritten) {
    const std::string diary = Diary(Sumirel::FormatEntryBlock(kEntry));
    const std::string a = Target("a.html", "<!--title_sng--><!--/title_sng-->");
    const std::string c = Target("c.html", "<!--title_sng--><!--/title_sng-->");
    EXPECT_THROW(UpdateTargetFiles(diary, {a, dir.File("b.html"), c}, kDefaults, reporter),
                 Sumirel::FileError);
    EXPECT_EQ(ReadBytes(a), "<!--title_sng-->New<!--/title_sng-->\r\n");
    EXPECT_EQ(ReadBytes(c), "<!--title_sng--><!--/title_sng-->");
}

}  // namespace
