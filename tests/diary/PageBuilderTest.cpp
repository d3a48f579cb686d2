#include "diary/PageBuilder.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "diary/DiaryFile.h"
#include "diary/Messages.h"
#include "platform/Errors.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace {

using Sumirel::PageBuilder;
using Sumirel::SDiary;
using SumirelTest::ReadBytes;
using SumirelTest::RecordingReporter;
using SumirelTest::TempDir;

std::string Entries(std::initializer_list<SDiary> entries) {
    std::string text;
    for (const SDiary& e : entries) {
        text += Sumirel::FormatEntryBlock(e) + "\r\n";
    }
    return text;
}

const std::string kThree =
    Entries({{"d3", "w3", "t3", "c3"}, {"d2", "w2", "t2", "c2"}, {"d1", "w1", "t1", "c1"}});

struct BuildCase {
    const char* name;
    std::string templateText;
    std::string diaryText;
    bool ok;
    std::string page;  // expected page; for a failure, the error text
};

void PrintTo(const BuildCase& c, std::ostream* os) {
    *os << c.name;
}

class BuildPageCases : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildPageCases, WritesPageOrReports) {
    const BuildCase& c = GetParam();
    TempDir dir;
    const std::string templ = dir.Write("Template.html", c.templateText);
    const std::string diary = dir.Write("Diary.txt", c.diaryText);
    const std::string page = dir.Write("Diary.html", "old page");
    RecordingReporter reporter;
    PageBuilder builder(templ, {"", "<BR>"}, reporter);
    EXPECT_EQ(builder.BuildPage(diary, page), c.ok);
    if (c.ok) {
        EXPECT_EQ(ReadBytes(page), c.page);
        EXPECT_TRUE(reporter.errors.empty());
    } else {
        EXPECT_EQ(ReadBytes(page), "old page");
        ASSERT_EQ(reporter.errors.size(), 1u);
        EXPECT_EQ(reporter.errors[0], c.page);
    }
    EXPECT_EQ(ReadBytes(diary), c.diaryText);
    EXPECT_EQ(ReadBytes(templ), c.templateText);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BuildPageCases,
    testing::Values(
        BuildCase{"one_block_three_entries",
                  "<ul>\n<!--sumirel-->\n<li><!--count-->:<!--title-->\n<!--end_sumirel--></ul>\n",
                  kThree, true,
                  "<ul>\r\n<li>0:t3\r\n\r\n<li>1:t2\r\n\r\n<li>2:t1\r\n\r\n</ul>\r\n"},
        BuildCase{"two_blocks_each_from_zero",
                  "A<!--sumirel--><!--count--><!--end_sumirel-->B<!-- sumirel -->[<!--date-->]<!-- "
                  "end_sumirel -->C",
                  kThree, true, "A0\r\n1\r\n2\r\nB[d3]\r\n[d2]\r\n[d1]\r\nC\r\n"},
        BuildCase{"no_entries", "a<!--sumirel-->x<!--end_sumirel-->b\r\n", "no blocks here\r\n",
                  true, "ab\r\n"},
        BuildCase{"no_block_writes_empty_page", "<html>plain</html>\r\n", kThree, true, ""},
        BuildCase{"capital_markers_only_gives_empty_page", "<!--SUMIREL-->x<!--END_SUMIREL-->",
                  kThree, true, ""},
        BuildCase{"capital_markers_stay_beside_real_block",
                  "<!--SUMIREL--><!--sumirel-->x<!--end_sumirel-->", Entries({{}}), true,
                  "<!--SUMIREL-->x\r\n\r\n"},
        BuildCase{"stray_end_before_start_removed",
                  "a<!--end_sumirel-->b<!--sumirel--><!--title--><!--end_sumirel-->c", kThree, true,
                  "abt3\r\nt2\r\nt1\r\nc\r\n"},
        BuildCase{"text_around_entries_never_rendered",
                  "<!--sumirel--><!--title-->,<!--end_sumirel-->",
                  "before\r\n" + Entries({{"", "", "A", ""}}) + "between\r\n" +
                      Entries({{"", "", "B", ""}}) + "after",
                  true, "A,\r\nB,\r\n\r\n"},
        BuildCase{"entry_holding_block_markers_is_not_a_block",
                  "<!--sumirel--><!--title-->|<!--end_sumirel-->",
                  Entries({{"", "", "<!--sumirel-->x<!--end_sumirel-->", ""}}), true,
                  "<!--sumirel-->x<!--end_sumirel-->|\r\n\r\n"},
        BuildCase{"fragment_leading_white_space_removed",
                  "<!--sumirel--> \t\r\n x \r\n<!--end_sumirel-->", Entries({{}}), true,
                  "x \r\n\r\n\r\n"},
        BuildCase{"damaged: start_without_end_marker", "a<!--sumirel-->b", kThree, false,
                  Sumirel::Messages::kNoBlockEnd},
        BuildCase{"damaged: end_marker_only_before_start", "<!--end_sumirel--><!--sumirel-->b",
                  kThree, false, Sumirel::Messages::kNoBlockEnd},
        BuildCase{"damaged: diary_start_without_end", "<!--sumirel-->x<!--end_sumirel-->",
                  kThree + "<Start>\r\n<Title>t</Title>", false, Sumirel::Messages::kNoDiaryEnd},
        BuildCase{"damaged: diary_end_before_start", "<!--sumirel-->x<!--end_sumirel-->",
                  "<End>\r\n" + kThree, false, Sumirel::Messages::kDiaryDamaged},
        BuildCase{"damaged: contents_holding_end_tag", "<!--sumirel-->x<!--end_sumirel-->",
                  Entries({{"", "", "", "a<End>b"}, {"", "", "", "c"}}), false,
                  Sumirel::Messages::kDiaryDamaged},
        BuildCase{"damaged: second_block_unclosed_first_lost",
                  "<!--sumirel-->x<!--end_sumirel--><!--sumirel-->y", kThree, false,
                  Sumirel::Messages::kNoBlockEnd}),
    [](const testing::TestParamInfo<BuildCase>& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) {
                ch = '_';
            }
        }
        return name;
    });

TEST(BuildPage, MissingTemplateOrDiaryRaisesAndWritesNothing) {
    TempDir dir;
    const std::string diary = dir.Write("Diary.txt", kThree);
    const std::string page = dir.Write("Diary.html", "old");
    RecordingReporter reporter;
    PageBuilder missingTemplate(dir.File("none.html"), {}, reporter);
    EXPECT_THROW(missingTemplate.BuildPage(diary, page), Sumirel::FileError);
    PageBuilder builder(dir.Write("Template.html", "<!--sumirel-->x<!--end_sumirel-->"), {},
                        reporter);
    EXPECT_THROW(builder.BuildPage(dir.File("none.txt"), page), Sumirel::FileError);
    EXPECT_EQ(ReadBytes(page), "old");
}

TEST(BuildPage, ReadOnlyPageRaisesAndKeepsOldPage) {
    TempDir dir;
    const std::string page = dir.Write("Diary.html", "old");
    ASSERT_EQ(::chmod(page.c_str(), 0444), 0);
    RecordingReporter reporter;
    PageBuilder builder(dir.Write("Template.html", "<!--sumirel-->x<!--end_sumirel-->"), {},
                        reporter);
    EXPECT_THROW(builder.BuildPage(dir.Write("Diary.txt", kThree), page), Sumirel::FileError);
    EXPECT_EQ(ReadBytes(page), "old");
}

TEST(CutTemplateBlock, SetsWorkingFields) {
    RecordingReporter reporter;
    PageBuilder builder("", {}, reporter);
    const std::string cut = builder.CutTemplateBlock(
        "ab<!--end_sumirel-->cd<!--sumirel-->\r\n  frag <!--end_sumirel-->ef");
    EXPECT_EQ(cut, "abcdef");
    EXPECT_EQ(builder.PageText, "abcdef");
    EXPECT_EQ(builder.BlockTemplate, "frag ");
    EXPECT_EQ(builder.BlockPositions, std::vector<std::uint32_t>{5});

    EXPECT_EQ(builder.CutTemplateBlock("no block"), "");
    EXPECT_EQ(builder.BlockTemplate, "");
    EXPECT_EQ(builder.PageText, "abcdef");
    EXPECT_EQ(builder.BlockPositions.size(), 1u);
}

}  // namespace
