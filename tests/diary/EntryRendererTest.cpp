#include "diary/EntryRenderer.h"

#include <gtest/gtest.h>

#include "support/RecordingReporter.h"

namespace {

using Sumirel::LenAddStrings;
using Sumirel::RenderEntry;
using Sumirel::SDiary;
using SumirelTest::RecordingReporter;

const LenAddStrings kDefaults{"", "<BR>"};

struct RenderCase {
    const char* name;
    std::string fragment;
    SDiary entry;
    std::uint32_t number;
    LenAddStrings addStrings;
    std::string expected;
};

void PrintTo(const RenderCase& c, std::ostream* os) {
    *os << c.name;
}

class RenderEntryCases : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderEntryCases, FillsMarkers) {
    const RenderCase& c = GetParam();
    RecordingReporter reporter;
    EXPECT_EQ(RenderEntry(c.number, c.entry, c.fragment, c.addStrings, reporter), c.expected);
    EXPECT_TRUE(reporter.engineMessages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, RenderEntryCases,
    testing::Values(
        RenderCase{"two_contents_lines_default_suffix",
                   "<!--contents-->",
                   {"", "", "", "a\r\nb\r\n"},
                   0,
                   kDefaults,
                   "a<BR>\r\nb<BR>\r\n"},
        RenderCase{"written_empty_contents",
                   "<p><!--contents--></p>",
                   {"", "", "", "\r\n"},
                   0,
                   kDefaults,
                   "<p><BR>\r\n</p>"},
        RenderCase{"no_contents_tag_removes_marker",
                   "<p><!--contents--></p>",
                   {},
                   0,
                   kDefaults,
                   "<p></p>"},
        RenderCase{"prefix_and_suffix",
                   "<!--contents-->",
                   {"", "", "", "x\ny\rz"},
                   0,
                   {"<li>", "</li>"},
                   "<li>x</li>\r\n<li>y</li>\r\n<li>z</li>\r\n"},
        RenderCase{"two_date_markers",
                   "<!--date-->|<!-- DATE -->",
                   {"D", "", "", ""},
                   0,
                   kDefaults,
                   "D|D"},
        RenderCase{"letter_case_and_spaces",
                   "<!--DaTe--><!--   date--><!--date   --><!--  DATE  -->",
                   {"d", "", "", ""},
                   0,
                   kDefaults,
                   "dddd"},
        RenderCase{"weather_both_spellings",
                   "<!--weather-->/<!-- WHEATHER -->/<!--Wheather-->",
                   {"", "fine", "", ""},
                   0,
                   kDefaults,
                   "fine/fine/fine"},
        RenderCase{"count_from_number", "#<!--count-->", {}, 12, kDefaults, "#12"},
        RenderCase{"every_field",
                   "<!--date--> <!--weather--> <!--title--> <!--count-->",
                   {"2002/3/4", "sun", "T", ""},
                   0,
                   kDefaults,
                   "2002/3/4 sun T 0"},
        RenderCase{"no_markers_unchanged",
                   "<p>plain</p>",
                   {"d", "w", "t", "c"},
                   0,
                   kDefaults,
                   "<p>plain</p>"},
        RenderCase{
            "lone_marker_empty_value_stays", "<!--title-->", {}, 0, kDefaults, "<!--title-->"},
        RenderCase{"last_of_two_empty_markers_stays",
                   "<!--title--><!--title-->",
                   {},
                   0,
                   kDefaults,
                   "<!--title-->"},
        RenderCase{"tab_is_no_marker",
                   "<!--\ttitle-->",
                   {"", "", "T", ""},
                   0,
                   kDefaults,
                   "<!--\ttitle-->"},
        RenderCase{
            "html_copied_unescaped", "<!--title-->", {"", "", "a<b&c", ""}, 0, kDefaults, "a<b&c"},
        RenderCase{"value_with_own_marker_replaced_once",
                   "<!--title-->!<!--title-->",
                   {"", "", "<!--title-->", ""},
                   0,
                   kDefaults,
                   "<!--title-->!<!--title-->"},
        RenderCase{"later_marker_inside_earlier_value",
                   "<!--contents-->",
                   {"", "", "T", "see <!--title-->"},
                   0,
                   kDefaults,
                   "see T<BR>\r\n"},
        RenderCase{"earlier_marker_inside_later_value_stays",
                   "<!--title-->",
                   {"D", "", "<!--date-->", ""},
                   0,
                   kDefaults,
                   "<!--date-->"}),
    [](const testing::TestParamInfo<RenderCase>& info) { return std::string(info.param.name); });

TEST(ReplaceMarker, EmptyWhenAbsentFirstOnlyOtherwise) {
    RecordingReporter reporter;
    EXPECT_EQ(Sumirel::ReplaceMarker("abc", "<!--x-->", "v", reporter), "");
    EXPECT_EQ(Sumirel::ReplaceMarker("a<!--x-->b<!--x-->", "<!--x-->", "v", reporter),
              "avb<!--x-->");
}

}  // namespace
