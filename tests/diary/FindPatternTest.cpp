#include "diary/FindPattern.h"

#include <gtest/gtest.h>

#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace {

using Sumirel::FindPattern;
using Sumirel::PatternMatch;
using SumirelTest::RecordingReporter;
using SumirelTest::Sjis;

constexpr char kBlockStart[] = "<!-- *sumirel *-->";
constexpr char kTitle[] = "<!-- *[Tt][Ii][Tt][Ll][Ee] *-->";

struct Case {
    const char* name;
    std::string text;
    std::string pattern;
    bool found;
    std::uint32_t position;
    std::uint32_t length;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class FindPatternCases : public testing::TestWithParam<Case> {};

TEST_P(FindPatternCases, ReportsLeftmostMatch) {
    const Case& c = GetParam();
    RecordingReporter reporter;
    const PatternMatch m = FindPattern(c.text, c.pattern, reporter);
    EXPECT_EQ(m.Found, c.found);
    if (c.found) {
        EXPECT_EQ(m.Position, c.position);
        EXPECT_EQ(m.Length, c.length);
    }
    EXPECT_TRUE(reporter.engineMessages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindPatternCases,
    testing::Values(Case{"empty_text", "", kBlockStart, false, 0, 0},
                    Case{"empty_text_tag", "", "<Start>", false, 0, 0},
                    Case{"marker_no_spaces", "ab<!--sumirel-->", kBlockStart, true, 3, 14},
                    Case{"marker_one_space", "<!-- sumirel -->", kBlockStart, true, 1, 16},
                    Case{"marker_many_spaces", "x<!--    sumirel   -->y", kBlockStart, true, 2, 21},
                    Case{"marker_in_capitals", "<!-- SUMIREL -->", kBlockStart, false, 0, 0},
                    Case{"marker_with_tab", "<!--\tsumirel-->", kBlockStart, false, 0, 0},
                    Case{"class_lower", "<!--title-->", kTitle, true, 1, 12},
                    Case{"class_upper", "<!-- TITLE -->", kTitle, true, 1, 14},
                    Case{"class_mixed", "..<!--TiTlE -->", kTitle, true, 3, 13},
                    Case{"first_of_two", "<Start>a<Start>", "<Start>", true, 1, 7},
                    Case{"first_of_two_later", "ab<End>cd<End>", "<End>", true, 3, 5},
                    Case{"shift_jis_before_match", Sjis(u8"日記は<Start>"), "<Start>", true, 7, 7},
                    Case{"nul_is_ordinary", std::string("a\0b<End>", 8), "<End>", true, 4, 5},
                    Case{"case_sensitive_tag", "<start>", "<Start>", false, 0, 0}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(FindPattern, RejectedPatternShowsEngineMessageAndFindsNothing) {
    RecordingReporter reporter;
    const PatternMatch m = FindPattern("abc[", "[", reporter);
    EXPECT_FALSE(m.Found);
    ASSERT_EQ(reporter.engineMessages.size(), 1u);
    EXPECT_FALSE(reporter.engineMessages[0].empty());
    EXPECT_TRUE(reporter.errors.empty());

    // Each search reports again, as every search is its own attempt.
    FindPattern("abc", "[", reporter);
    EXPECT_EQ(reporter.engineMessages.size(), 2u);
}

TEST(SearchPattern, StartOffsetIgnoresTextBeforeIt) {
    RecordingReporter reporter;
    const std::string text = "<End>xx<End>";
    auto outcome = Sumirel::SearchPattern(text, "<End>", 1, reporter);
    ASSERT_TRUE(outcome.Match.Found);
    EXPECT_EQ(outcome.Match.Position, 8u);
    // A match may not begin before the offset, even when it would end after it.
    outcome = Sumirel::SearchPattern(text, "<End>", 8, reporter);
    EXPECT_FALSE(outcome.Match.Found);
    outcome = Sumirel::SearchPattern(text, "<End>", 99, reporter);
    EXPECT_FALSE(outcome.Match.Found);
    EXPECT_FALSE(outcome.EngineFailed);

    outcome = Sumirel::SearchPattern(text, "(", 0, reporter);
    EXPECT_TRUE(outcome.EngineFailed);
}

}  // namespace
