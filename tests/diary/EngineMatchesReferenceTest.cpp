// The fast engine against the plain step-by-step one (tests/diary/reference): a few cases
// with known pages, then a few hundred generated workspaces, damaged ones included, and
// generated fragments, templates and target texts for the single operations.
//
// Every generated case is made from one fixed seed, printed when the engines disagree, so a
// failure can be replayed by itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "diary/DiaryFile.h"
#include "diary/EntryRenderer.h"
#include "diary/Messages.h"
#include "diary/PageBuilder.h"
#include "diary/TargetFiles.h"
#include "platform/Errors.h"
#include "reference/LiteralEngine.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace {

using Sumirel::LenAddStrings;
using Sumirel::SDiary;
using SumirelTest::ReadBytes;
using SumirelTest::RecordingReporter;
using SumirelTest::Sjis;
using SumirelTest::TempDir;

// ---------------------------------------------------------------------------------------------
// Readable bytes for failure messages.

std::string Escaped(std::string_view bytes, std::size_t limit = 3000) {
    std::string out;
    const std::size_t shown = std::min(bytes.size(), limit);
    for (std::size_t i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n\n        ";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    if (shown < bytes.size()) {
        out += "...(" + std::to_string(bytes.size() - shown) + " more bytes)";
    }
    return out;
}

// Where two byte strings first differ, with some bytes of each around that place.
std::string FirstDifference(std::string_view fast, std::string_view reference) {
    std::size_t at = 0;
    while (at < fast.size() && at < reference.size() && fast[at] == reference[at]) {
        ++at;
    }
    const std::size_t from = at > 60 ? at - 60 : 0;
    std::ostringstream out;
    out << "first difference at byte " << at << " (fast " << fast.size() << " bytes, reference "
        << reference.size() << " bytes), from byte " << from
        << ":\n      fast:      " << Escaped(fast.substr(std::min(from, fast.size())), 200)
        << "\n      reference: " << Escaped(reference.substr(std::min(from, reference.size())), 200)
        << "\n";
    return out.str();
}

// ---------------------------------------------------------------------------------------------
// Known pages and target files, worked out by hand: both engines must give them, so the two
// cannot agree on a wrong result.

const LenAddStrings kDefaultAdd{"", "<BR>"};
const LenAddStrings kNoAdd{"", ""};
const std::string kOldPage = "old page\r\n";

std::string Block(const std::string& date, const std::string& title, const std::string& contents,
                  const std::string& weather = "w") {
    return "<Start>\r\n<Date>" + date + "</Date>\r\n<Wheather>" + weather +
           "</Wheather>\r\n<Title>" + title + "</Title>\r\n<Contents>\r\n" + contents +
           "\r\n</Contents>\r\n<End>\r\n\r\n\r\n";
}

struct PageCase {
    const char* name;
    std::string templateText;
    std::string diaryText;
    LenAddStrings add;
    std::optional<std::string> page;  // the page written; absent: the error below, page kept
    std::string error;
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.name;
}

class KnownPages : public testing::TestWithParam<PageCase> {};

TEST_P(KnownPages, BothEnginesBuildIt) {
    const PageCase& c = GetParam();
    for (const bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast engine" : "reference engine");
        TempDir dir;
        const std::string templ = dir.Write("template.html", c.templateText);
        const std::string diary = dir.Write("diary.txt", c.diaryText);
        const std::string page = dir.Write("page.html", kOldPage);
        RecordingReporter reporter;
        const bool result =
            fast ? Sumirel::PageBuilder(templ, c.add, reporter).BuildPage(diary, page)
                 : SumirelReference::BuildPage(templ, diary, page, c.add, reporter);
        EXPECT_EQ(result, c.page.has_value());
        EXPECT_EQ(Escaped(ReadBytes(page)), Escaped(c.page.value_or(kOldPage)));
        EXPECT_EQ(reporter.errors,
                  c.page ? std::vector<std::string>{} : std::vector<std::string>{c.error});
        EXPECT_EQ(ReadBytes(templ), c.templateText);
        EXPECT_EQ(ReadBytes(diary), c.diaryText);
    }
}

const std::string kDateBlock = "<!--sumirel-->[<!--date-->]<!--end_sumirel-->";

INSTANTIATE_TEST_SUITE_P(
    Table, KnownPages,
    testing::Values(
        PageCase{"entries_newest_first_numbered_from_zero",
                 "a\r\n<!--sumirel--><!--count-->:<!--title--><!--end_sumirel-->\r\nb",
                 Block("d", "t1", "") + Block("d", "t2", "") + Block("d", "t3", ""), kDefaultAdd,
                 "a\r\n0:t1\r\n1:t2\r\n2:t3\r\n\r\nb\r\n", ""},
        PageCase{"every_block_lists_all_entries_from_zero",
                 "<!--sumirel-->[<!--count-->]<!--end_sumirel-->mid<!-- sumirel -->(<!--COUNT-->)"
                 "<!--  end_sumirel  -->",
                 Block("d", "t", "") + Block("d", "t", ""), kDefaultAdd,
                 "[0]\r\n[1]\r\nmid(0)\r\n(1)\r\n\r\n", ""},
        PageCase{"contents_laid_out_line_by_line",
                 "<!--sumirel--><!--contents--><!--end_sumirel-->",
                 Block("d", "t", "a\r\nb") + Block("d", "t", ""), LenAddStrings{"<p>", "</p>"},
                 "<p>a</p>\r\n<p>b</p>\r\n\r\n<p></p>\r\n\r\n\r\n", ""},
        PageCase{"stray_end_marker_before_first_block_removed", "<!--end_sumirel-->x" + kDateBlock,
                 Block("d", "t", ""), kDefaultAdd, "x[d]\r\n\r\n", ""},
        PageCase{"removed_stray_end_marker_joins_its_neighbours",
                 "<!--<!--end_sumirel-->sumirel-->a<!--end_sumirel-->|<!--sumirel-->b"
                 "<!--end_sumirel-->",
                 Block("d", "t", ""), kDefaultAdd, "a\r\n|b\r\n\r\n", ""},
        PageCase{"leading_white_space_of_fragment_removed",
                 "<!--sumirel-->\r\n\t [<!--date-->]\r\n<!--end_sumirel-->", Block("d", "t", ""),
                 kDefaultAdd, "[d]\r\n\r\n\r\n", ""},
        PageCase{"value_holding_its_own_marker_replaced_once",
                 "<!--sumirel-->[<!--title-->]<!--end_sumirel-->", Block("d", "T<!--TITLE-->", ""),
                 kDefaultAdd, "[T<!--TITLE-->]\r\n\r\n", ""},
        PageCase{"later_kind_found_inside_earlier_value",
                 "<!--sumirel--><!--contents-->|<!--title--><!--end_sumirel-->",
                 Block("d", "T", "<!--title-->"), kNoAdd, "T\r\n|T\r\n\r\n", ""},
        PageCase{"block_markers_inside_entries_start_no_block",
                 "<!--sumirel--><!--contents--><!--end_sumirel-->|<!--sumirel-->#<!--count-->"
                 "<!--end_sumirel-->",
                 Block("d", "t", "<!--sumirel-->\r\n<!--end_sumirel-->"), kNoAdd,
                 "<!--sumirel-->\r\n<!--end_sumirel-->\r\n\r\n|#0\r\n\r\n", ""},
        PageCase{"tag_pieces_join_once_a_block_is_cut", kDateBlock,
                 "<Sta<Start><Date>a</Date><End>rt><Date>x</Date><End>\r\n", kDefaultAdd,
                 "[a]\r\n[x]\r\n\r\n", ""},
        PageCase{"text_around_diary_blocks_never_rendered", kDateBlock,
                 "junk<Date>j</Date>\r\n" + Block("d1", "t", "") + "between\r\n" +
                     Block("d2", "t", "") + "tail",
                 kDefaultAdd, "[d1]\r\n[d2]\r\n\r\n", ""},
        PageCase{"diary_without_entries_removes_blocks", "a<!--sumirel-->x<!--end_sumirel-->b", "",
                 kDefaultAdd, "ab\r\n", ""},
        PageCase{"no_recognised_block_gives_empty_page", "<!--SUMIREL-->x<!--END_SUMIREL-->",
                 Block("d", "t", ""), kDefaultAdd, "", ""},
        PageCase{"marker_alone_with_empty_value_stays",
                 "<!--sumirel--><!--title--><!--end_sumirel-->", Block("d", "", ""), kDefaultAdd,
                 "<!--title-->\r\n\r\n", ""},
        PageCase{"lone_line_ends_read_as_line_breaks",
                 "a\r<!--sumirel--><!--date--><!--end_sumirel-->\nb",
                 "<Start>\n<Date>d</Date>\r<End>\n", kDefaultAdd, "a\r\nd\r\n\r\nb\r\n", ""},
        PageCase{"nul_is_an_ordinary_byte",
                 std::string("a\0", 2) + kDateBlock + std::string("\0b", 2),
                 Block(std::string("x\0y", 3), "t", ""), kDefaultAdd,
                 std::string("a\0[x\0y]\r\n\0b\r\n", 13), ""},
        PageCase{"start_marker_without_end_marker", "<!--sumirel-->x", Block("d", "t", ""),
                 kDefaultAdd, std::nullopt, Sumirel::Messages::kNoBlockEnd},
        PageCase{"end_marker_only_before_start_marker", "<!--end_sumirel--><!--sumirel-->x",
                 Block("d", "t", ""), kDefaultAdd, std::nullopt, Sumirel::Messages::kNoBlockEnd},
        PageCase{"error_in_second_block_writes_nothing", kDateBlock + "<!--sumirel-->b",
                 Block("d", "t", ""), kDefaultAdd, std::nullopt, Sumirel::Messages::kNoBlockEnd},
        PageCase{"last_diary_start_without_end", kDateBlock,
                 Block("d", "t", "") + "<Start>\r\n<Date>x</Date>\r\n", kDefaultAdd, std::nullopt,
                 Sumirel::Messages::kNoDiaryEnd},
        PageCase{"diary_end_before_first_start", kDateBlock, "<End>\r\n" + Block("d", "t", ""),
                 kDefaultAdd, std::nullopt, Sumirel::Messages::kDiaryDamaged},
        PageCase{"contents_holding_end_tag_damage_later_entries", kDateBlock,
                 Block("d", "t", "<End>") + Block("d", "t", ""), kDefaultAdd, std::nullopt,
                 Sumirel::Messages::kDiaryDamaged}),
    [](const testing::TestParamInfo<PageCase>& info) { return std::string(info.param.name); });

struct TargetCase {
    const char* name;
    std::string diaryText;
    std::string target;
    bool result;
    std::string expected;  // the target file afterwards
    std::string error;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

class KnownTargets : public testing::TestWithParam<TargetCase> {};

TEST_P(KnownTargets, BothEnginesFillIt) {
    const TargetCase& c = GetParam();
    for (const bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast engine" : "reference engine");
        TempDir dir;
        const std::string diary = dir.Write("diary.txt", c.diaryText);
        const std::vector<std::string> targets{dir.Write("target.html", c.target)};
        RecordingReporter reporter;
        const bool result =
            fast ? Sumirel::UpdateTargetFiles(diary, targets, kDefaultAdd, reporter)
                 : SumirelReference::UpdateTargetFiles(diary, targets, kDefaultAdd, reporter);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(Escaped(ReadBytes(targets[0])), Escaped(c.expected));
        EXPECT_EQ(reporter.errors,
                  c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, KnownTargets,
    testing::Values(
        TargetCase{"all_four_kinds_filled", Block("d", "t", "a") + Block("d2", "t2", "b"),
                   "<!--contents_sng-->old<!--/contents_sng-->\n<!-- DATE_SNG --><!--/date_sng-->"
                   "\n<!--Weather_Sng-->x<!--  /weather_sng-->\n<!--title_sng-->old\r\ntitle"
                   "<!--/title_sng-->",
                   true,
                   "<!--contents_sng-->a<BR>\r\n<!--/contents_sng-->\r\n<!-- DATE_SNG -->d"
                   "<!--/date_sng-->\r\n<!--Weather_Sng-->w<!--  /weather_sng-->\r\n"
                   "<!--title_sng-->t<!--/title_sng-->\r\n",
                   ""},
        TargetCase{"closing_before_opening_inserts_without_removing", Block("d", "t", ""),
                   "<!--/date_sng-->x<!--date_sng-->y", true,
                   "<!--/date_sng-->x<!--date_sng-->dy\r\n", ""},
        TargetCase{"only_first_section_and_recognised_markers", Block("d", "t", ""),
                   "<!--\ttitle_sng-->a<!-- / title_sng-->|<!--title_sng-->1<!--/title_sng-->"
                   "<!--title_sng-->2<!--/title_sng--><!--date_sng-->3<!--/ date_sng-->",
                   true,
                   "<!--\ttitle_sng-->a<!-- / title_sng-->|<!--title_sng-->t<!--/title_sng-->"
                   "<!--title_sng-->2<!--/title_sng--><!--date_sng-->3<!--/ date_sng-->\r\n",
                   ""},
        TargetCase{"later_kind_found_inside_contents", Block("d", "t", "<!--date_sng-->"),
                   "<!--contents_sng--><!--/contents_sng-->|<!--date_sng-->old<!--/date_sng-->",
                   true, "<!--contents_sng--><!--date_sng-->d<!--/date_sng-->\r\n", ""},
        TargetCase{"empty_contents_give_prefix_and_suffix", Block("d", "t", ""),
                   "<!--contents_sng-->x<!--/contents_sng-->", true,
                   "<!--contents_sng--><BR>\r\n<!--/contents_sng-->\r\n", ""},
        TargetCase{"no_markers_rewritten_with_crlf", Block("d", "t", ""), "a\nb\rc", true,
                   "a\r\nb\r\nc\r\n", ""},
        TargetCase{"empty_target_stays_empty", Block("d", "t", ""), "", true, "", ""},
        TargetCase{"diary_without_start_writes_nothing", "no entries\n", "a\nb", true, "a\nb", ""},
        TargetCase{"diary_start_without_end", "<Start>\r\n<Date>x</Date>\r\n", "a\nb", false,
                   "a\nb", Sumirel::Messages::kNoDiaryEnd},
        TargetCase{"diary_end_before_start", "<End>" + Block("d", "t", ""), "a\nb", false, "a\nb",
                   Sumirel::Messages::kDiaryDamaged}),
    [](const testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// The generator: every choice comes from one std::mt19937 with a fixed seed, so a seed always
// gives the same case.

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}

    int Int(int lo, int hi) {
        return lo + static_cast<int>(rng_() % static_cast<unsigned>(hi - lo + 1));
    }
    bool Chance(int percent) { return static_cast<int>(rng_() % 100) < percent; }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[rng_() % items.size()];
    }

    // Japanese words, among them characters whose second byte is 0x5C, '|', '[' or '@'.
    std::string Japanese() {
        static const std::vector<std::string> kWords = {
            Sjis(u8"日記"),   Sjis(u8"晴れ"), Sjis(u8"曇り"),     Sjis(u8"雨"),   Sjis(u8"今日は"),
            Sjis(u8"ソフト"), Sjis(u8"表示"), Sjis(u8"能力"),     Sjis(u8"十日"), Sjis(u8"予定"),
            Sjis(u8"ポーチ"), Sjis(u8"ァ"),   Sjis(u8"　"),       Sjis(u8"＜＞"), Sjis(u8"ｶﾅ"),
            Sjis(u8"～"),     Sjis(u8"。"),   Sjis(u8"散歩した"), Sjis(u8"題名")};
        return Pick(kWords);
    }

    std::string Word() {
        using namespace std::string_literals;
        static const std::vector<std::string> kWords = {
            "a",   "hello", "2002/3/4", "<b>bold</b>",      "&amp;", "<",     ">",
            "--",  "<!--",  "-->",      "<!-- comment -->", " ",     "  x  ", "<br>",
            "[x]", "\\",    "\t",       "\x81\x40",         "x\0y"s};
        return Chance(50) ? Japanese() : Pick(kWords);
    }

    std::string Spaces() { return Pick(std::vector<std::string>{"", "", "", " ", "   "}); }

    std::string AnyCase(std::string_view keyword) {
        std::string out(keyword);
        const int mode = Int(0, 3);
        for (char& c : out) {
            const bool upper = mode == 1 || (mode == 2 && Chance(50));
            if (upper && c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return out;
    }

    std::string Comment(std::string_view keyword) {
        return "<!--" + Spaces() + std::string(keyword) + Spaces() + "-->";
    }

    std::string FieldMarker() {
        static const std::vector<std::string> kKeywords = {"contents", "date",  "weather",
                                                           "wheather", "title", "count"};
        switch (Int(0, 9)) {
            case 0:
                return "<!--\t" + AnyCase(Pick(kKeywords)) + "-->";  // a tab: no marker
            case 1:
                return Comment(AnyCase(Pick(kKeywords)) + "_sng");  // another kind of marker
            default:
                return Comment(AnyCase(Pick(kKeywords)));
        }
    }

    std::string BlockStart() { return Comment("sumirel"); }
    std::string BlockEnd() { return Comment("end_sumirel"); }

    // Markers and tags that a value or a piece of text may hold.
    std::string MarkerPiece() {
        switch (Int(0, 8)) {
            case 0:
                return BlockStart();
            case 1:
                return BlockEnd();
            case 2:
                return Comment(AnyCase("SUMIREL"));
            case 3:
                return SectionMarker(Int(0, 3), Chance(50));
            case 4:
                return Pick(std::vector<std::string>{"<Start>", "<End>", "<Sta", "rt>", "<En", "d>",
                                                     "</Title>", "</Contents>", "<Contents>",
                                                     "<Date>"});
            default:
                return FieldMarker();
        }
    }

    std::string Value(int markerPercent) {
        std::string out;
        const int n = Int(0, 3);
        for (int i = 0; i < n; ++i) {
            out += Chance(markerPercent) ? MarkerPiece() : Word();
        }
        return out;
    }

    // Opening or closing marker of a single-entry section, in the spellings the section
    // patterns accept (and, now and then, two they do not).
    std::string SectionMarker(int kind, bool closing) {
        static const char* const kKeywords[] = {"contents_sng", "date_sng", "weather_sng",
                                                "title_sng"};
        std::string keyword = AnyCase(kind == 2 && Chance(30) ? "wheather_sng" : kKeywords[kind]);
        if (Chance(5)) {
            return "<!--\t" + (closing ? "/" + keyword : keyword) + "-->";
        }
        if (closing && Chance(5)) {
            return "<!-- / " + keyword + " -->";
        }
        return "<!--" + Spaces() + (closing ? "/" : "") + keyword + Spaces() + "-->";
    }

    // Line ends of one file: all CR LF, all LF, all CR, or mixed.
    void ChooseLineEnds() { lineEndStyle_ = Int(0, 4); }
    std::string LineEnd() {
        switch (lineEndStyle_) {
            case 1:
                return "\n";
            case 2:
                return "\r";
            case 3:
                return Pick(std::vector<std::string>{"\r\n", "\n", "\r"});
            default:
                return "\r\n";
        }
    }

    LenAddStrings AddStrings() {
        LenAddStrings add;
        add.LenStartString =
            Chance(60)
                ? ""
                : Pick(std::vector<std::string>{
                      "<p>", " ", Japanese(), "<!--title-->", "<!-- Date -->", "<!--contents-->",
                      "<!--sumirel-->", std::string("\0", 1), "<!--date_sng-->"});
        add.LenEndString = Chance(60) ? "<BR>"
                                      : Pick(std::vector<std::string>{
                                            "", "</p>", "<!--count-->", "<!--end_sumirel-->",
                                            std::string("\0x", 2), "<!--/contents_sng-->", "<br>"});
        return add;
    }

    // One diary block, damaged now and then.
    std::string DiaryBlock() {
        struct Field {
            const char* open;
            const char* close;
            std::string value;
        };
        std::vector<Field> fields = {
            {"<Date>", "</Date>", Chance(80) ? "2002/3/" + std::to_string(Int(1, 31)) : Value(15)},
            {"<Wheather>", "</Wheather>", Value(10)},
            {"<Title>", "</Title>", Chance(5) ? Value(20) + LineEnd() + Word() : Value(20)},
        };
        if (Chance(10)) {
            std::swap(fields[0], fields[2]);
        }
        std::string block = "<Start>" + LineEnd();
        for (const Field& field : fields) {
            if (Chance(5)) {
                continue;  // the field's tags missing
            }
            block += Chance(3) ? "<title>" : field.open;
            block += field.value;
            block += Chance(3) ? "" : field.close;
            block += LineEnd();
        }
        if (!Chance(5)) {
            block += "<Contents>" + LineEnd();
            const int lines = Chance(15) ? 0 : Int(1, 4);
            if (lines == 0) {
                block += LineEnd();  // contents written empty
            }
            for (int i = 0; i < lines; ++i) {
                block += Value(Chance(10) ? 40 : 5) + LineEnd();
            }
            block += Chance(3) ? "" : "</Contents>" + LineEnd();
        }
        if (Chance(4)) {
            return block;  // no "<End>"
        }
        block += "<End>";
        return block;
    }

    std::string Diary() {
        ChooseLineEnds();
        std::string text;
        if (Chance(4)) {
            return Chance(50) ? "" : Value(20) + LineEnd();
        }
        if (Chance(15)) {
            text += Value(10) + LineEnd();
        }
        if (Chance(6)) {
            text += "<End>" + LineEnd();
        }
        const int entries = Int(0, 6);
        for (int i = 0; i < entries; ++i) {
            // A tag split in two around a block, its head right before "<Start>" and its tail
            // right after "<End>": once the block is cut out, the two halves make the tag.
            std::string head;
            std::string tail;
            if (Chance(8)) {
                const std::string tag = Chance(70) ? "<Start>" : "<End>";
                const auto split =
                    static_cast<std::size_t>(Int(1, static_cast<int>(tag.size()) - 1));
                head = tag.substr(0, split);
                tail = tag.substr(split);
            }
            text += head + DiaryBlock() + tail;
            if (!Chance(10)) {
                text += LineEnd() + LineEnd() + LineEnd();
            }
            if (Chance(10)) {
                text += Value(15) + LineEnd();
            }
        }
        if (Chance(10)) {
            text += Value(15);
        }
        return text;
    }

    std::string Fragment() {
        std::string text = Pick(std::vector<std::string>{"", "", " ", "\t", "\r\n", "\r\n  ",
                                                         std::string("\0 ", 2), "\x01\x1f"});
        const int pieces = Int(0, 8);
        for (int i = 0; i < pieces; ++i) {
            const int what = Int(0, 9);
            if (what < 4) {
                text += FieldMarker();
            } else if (what < 6) {
                text += Word();
            } else if (what < 8) {
                text += LineEnd();
            } else if (what == 8) {
                text += Comment(AnyCase("sumirel"));
            } else {
                text += MarkerPiece();
            }
        }
        return text;
    }

    // Text outside the blocks: words, line ends, field markers and markers that are no block
    // markers, stray end markers now and then.
    std::string Outside() {
        std::string text;
        const int pieces = Int(0, 5);
        for (int i = 0; i < pieces; ++i) {
            const int what = Int(0, 9);
            if (what < 4) {
                text += Word();
            } else if (what < 6) {
                text += LineEnd();
            } else if (what == 6) {
                text += FieldMarker();
            } else if (what == 7) {
                text += Pick(std::vector<std::string>{"<!--SUMIREL-->", "<!-- End_Sumirel -->",
                                                      "<!--\tsumirel-->", "<!--sumirel->"});
            } else if (what == 8 && Chance(40)) {
                text += BlockEnd();
            } else if (what == 8 && Chance(30)) {
                // Removing the stray end marker joins its neighbours into a block marker.
                text +=
                    Pick(std::vector<std::string>{"<!--", "<!--end_"}) + BlockEnd() + "sumirel-->";
            } else {
                text += SectionMarker(Int(0, 3), Chance(50));
            }
        }
        return text;
    }

    std::string Template() {
        ChooseLineEnds();
        std::string text = "<html>" + LineEnd() + Outside();
        const int blocks = Int(0, 3);
        for (int i = 0; i < blocks; ++i) {
            if (Chance(10)) {
                text += BlockEnd();
            }
            text += BlockStart() + Fragment();
            if (!Chance(5)) {
                text += BlockEnd();
            }
            text += Outside();
        }
        if (Chance(50)) {
            text += LineEnd() + "</html>";
        }
        return text;
    }

    std::string Target() {
        ChooseLineEnds();
        if (Chance(5)) {
            return "";
        }
        std::string text = Outside();
        std::vector<int> kinds = {0, 1, 2, 3};
        for (std::size_t i = kinds.size(); i > 1; --i) {
            std::swap(kinds[i - 1], kinds[rng_() % i]);
        }
        for (int kind : kinds) {
            const auto open = [&] { return SectionMarker(kind, false); };
            const auto close = [&] { return SectionMarker(kind, true); };
            switch (Int(0, 7)) {
                case 0:  // no section of this kind
                    break;
                case 1:
                    text += open() + Value(20) + LineEnd() + Value(5) + close();
                    break;
                case 2:
                    text += open() + close();
                    break;
                case 3:
                    text += open() + Value(10);
                    break;
                case 4:
                    text += Value(10) + close();
                    break;
                case 5:  // closing marker before the opening one
                    text += close() + Value(10) + open();
                    break;
                case 6:  // two sections
                    text += open() + Value(10) + close() + LineEnd() + open() + "old" + close();
                    break;
                default:
                    text += open() + "old" + LineEnd() + close();
                    break;
            }
            text += Outside();
            if (Chance(50)) {
                text += LineEnd();
            }
        }
        return text;
    }

    SDiary Entry() {
        SDiary entry;
        entry.Date = Value(15);
        entry.Wheather = Value(15);
        entry.Title = Value(20);
        const int lines = Int(0, 4);
        for (int i = 0; i < lines; ++i) {
            entry.Contents += Value(25);
            if (i + 1 < lines || Chance(70)) {
                entry.Contents += Pick(std::vector<std::string>{"\r\n", "\r\n", "\n", "\r"});
            }
        }
        if (lines == 0 && Chance(50)) {
            entry.Contents = "\r\n";
        }
        return entry;
    }

private:
    std::mt19937 rng_;
    int lineEndStyle_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Running both engines on copies of one workspace.

struct Workspace {
    std::string templateText;
    std::string diaryText;
    std::optional<std::string> page;                  // absent: no page file before the build
    std::vector<std::optional<std::string>> targets;  // absent: a target file that is missing
    bool diaryMissing = false;
    LenAddStrings addStrings;
};

Workspace GenerateWorkspace(std::uint32_t seed) {
    Generator g(seed);
    Workspace w;
    w.templateText = g.Template();
    w.diaryText = g.Diary();
    if (g.Chance(50)) {
        w.page = "old page\r\n";
    }
    const int targets = g.Int(0, 3);
    for (int i = 0; i < targets; ++i) {
        w.targets.emplace_back(g.Target());
        if (g.Chance(3)) {
            w.targets.back().reset();
        }
    }
    w.diaryMissing = g.Chance(2);
    w.addStrings = g.AddStrings();
    return w;
}

std::string Describe(const Workspace& w) {
    std::ostringstream out;
    out << "    template:  " << Escaped(w.templateText) << "\n";
    out << "    diary:     " << (w.diaryMissing ? "(missing)" : Escaped(w.diaryText)) << "\n";
    for (std::size_t i = 0; i < w.targets.size(); ++i) {
        out << "    target" << i << ":   " << (w.targets[i] ? Escaped(*w.targets[i]) : "(missing)")
            << "\n";
    }
    out << "    prefix:    " << Escaped(w.addStrings.LenStartString)
        << "\n    suffix:    " << Escaped(w.addStrings.LenEndString) << "\n";
    return out.str();
}

using Files = std::map<std::string, std::string>;

// One copy of the workspace in its own folder.
class Copy {
public:
    Copy(const std::filesystem::path& folder, const Workspace& w) : folder_(folder) {
        std::filesystem::create_directory(folder_);
        templateFile = Write("template.html", w.templateText);
        diaryFile = w.diaryMissing ? Path("diary.txt") : Write("diary.txt", w.diaryText);
        pageFile = w.page ? Write("page.html", *w.page) : Path("page.html");
        for (std::size_t i = 0; i < w.targets.size(); ++i) {
            const std::string name = "target" + std::to_string(i) + ".html";
            targetFiles.push_back(w.targets[i] ? Write(name, *w.targets[i]) : Path(name));
        }
    }

    // Every file of the folder, by name: left-over temporary files would show up too.
    Files Contents() const {
        Files files;
        for (const auto& item : std::filesystem::directory_iterator(folder_)) {
            files[item.path().filename().string()] = ReadBytes(item.path().string());
        }
        return files;
    }

    std::string templateFile;
    std::string diaryFile;
    std::string pageFile;
    std::vector<std::string> targetFiles;

private:
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path folder_;
};

struct Outcome {
    bool threw = false;  // a FileError left the operation
    bool result = false;
    std::vector<std::string> errors;
    std::vector<std::string> engineMessages;
    Files files;
};

template <typename Run>
Outcome RunOn(const Copy& copy, Run run) {
    Outcome outcome;
    RecordingReporter reporter;
    try {
        outcome.result = run(reporter);
    } catch (const Sumirel::FileError&) {
        outcome.threw = true;
    }
    outcome.errors = reporter.errors;
    outcome.engineMessages = reporter.engineMessages;
    outcome.files = copy.Contents();
    return outcome;
}

std::string JoinedMessages(const std::vector<std::string>& messages) {
    std::string out;
    for (const auto& m : messages) {
        // Appended piece by piece: "[" + a temporary trips GCC 12's false -Wrestrict at -O3.
        out += '[';
        out += Escaped(m);
        out += "] ";
    }
    return out;
}

// What differs between the two outcomes; empty when they agree. Also holds each engine to
// leaving every file as it was after reporting a damaged template or diary.
std::string Compare(const Outcome& fast, const Outcome& reference, const Files& before,
                    bool untouchedAfterThrow) {
    std::ostringstream out;
    if (fast.threw != reference.threw || (!fast.threw && fast.result != reference.result)) {
        out << "  result: fast "
            << (fast.threw    ? "threw FileError"
                : fast.result ? "true"
                              : "false")
            << ", reference "
            << (reference.threw    ? "threw FileError"
                : reference.result ? "true"
                                   : "false")
            << "\n";
    }
    if (fast.errors != reference.errors) {
        out << "  errors: fast " << JoinedMessages(fast.errors) << "\n          reference "
            << JoinedMessages(reference.errors) << "\n";
    }
    if (!fast.engineMessages.empty() || !reference.engineMessages.empty()) {
        out << "  engine messages: fast " << JoinedMessages(fast.engineMessages) << " reference "
            << JoinedMessages(reference.engineMessages) << "\n";
    }
    for (const auto& [name, bytes] : reference.files) {
        auto it = fast.files.find(name);
        if (it == fast.files.end()) {
            out << "  file " << name << " only after the reference\n";
        } else if (it->second != bytes) {
            out << "  file " << name << ": " << FirstDifference(it->second, bytes);
        }
    }
    for (const auto& [name, bytes] : fast.files) {
        if (!reference.files.contains(name)) {
            out << "  file " << name << " only after the fast engine\n";
        }
    }
    const bool reported = !fast.threw && !fast.result;
    if ((reported || (fast.threw && untouchedAfterThrow)) && fast.files != before) {
        out << "  the fast engine changed files although it failed\n";
    }
    return out.str();
}

constexpr std::uint32_t kWorkspaceSeeds = 300;
constexpr int kMaxReportedCases = 3;

TEST(EngineMatchesReference, GeneratedWorkspaces) {
    int reportedCases = 0;
    for (std::uint32_t seed = 1; seed <= kWorkspaceSeeds && reportedCases < kMaxReportedCases;
         ++seed) {
        const Workspace w = GenerateWorkspace(seed);
        TempDir dir;
        const Copy fastCopy(dir.Path() / "fast", w);
        const Copy refCopy(dir.Path() / "reference", w);
        const Files before = refCopy.Contents();

        const Outcome fastPage = RunOn(fastCopy, [&](RecordingReporter& r) {
            Sumirel::PageBuilder builder(fastCopy.templateFile, w.addStrings, r);
            return builder.BuildPage(fastCopy.diaryFile, fastCopy.pageFile);
        });
        const Outcome refPage = RunOn(refCopy, [&](RecordingReporter& r) {
            return SumirelReference::BuildPage(refCopy.templateFile, refCopy.diaryFile,
                                               refCopy.pageFile, w.addStrings, r);
        });
        std::string mismatch = Compare(fastPage, refPage, before, true);
        if (!mismatch.empty()) {
            mismatch = " BuildPage:\n" + mismatch;
        } else {
            // The target files, from the state the build left (the same in both folders).
            const Outcome fastTargets = RunOn(fastCopy, [&](RecordingReporter& r) {
                return Sumirel::UpdateTargetFiles(fastCopy.diaryFile, fastCopy.targetFiles,
                                                  w.addStrings, r);
            });
            const Outcome refTargets = RunOn(refCopy, [&](RecordingReporter& r) {
                return SumirelReference::UpdateTargetFiles(refCopy.diaryFile, refCopy.targetFiles,
                                                           w.addStrings, r);
            });
            mismatch = Compare(fastTargets, refTargets, refPage.files, false);
            if (!mismatch.empty()) {
                mismatch = " UpdateTargetFiles:\n" + mismatch;
            }
        }
        if (!mismatch.empty()) {
            ++reportedCases;
            ADD_FAILURE() << "workspace seed " << seed << mismatch << "  inputs:\n" << Describe(w);
        }
    }
}

TEST(EngineMatchesReference, RenderEntryOnGeneratedFragments) {
    int reportedCases = 0;
    for (std::uint32_t seed = 1; seed <= 3000 && reportedCases < kMaxReportedCases; ++seed) {
        Generator g(seed);
        const std::string fragment = g.Fragment();
        const SDiary entry = g.Entry();
        const LenAddStrings add = g.AddStrings();
        const std::uint32_t number =
            g.Chance(5) ? 4294967295u : static_cast<std::uint32_t>(g.Int(0, 120));
        RecordingReporter reporter;
        const std::string fast = Sumirel::RenderEntry(number, entry, fragment, add, reporter);
        const std::string reference =
            SumirelReference::RenderEntry(number, entry, fragment, add, reporter);
        if (fast != reference || !reporter.engineMessages.empty()) {
            ++reportedCases;
            ADD_FAILURE() << "fragment seed " << seed << ": " << FirstDifference(fast, reference)
                          << "  fragment: " << Escaped(fragment) << "\n  number: " << number
                          << "\n  date: " << Escaped(entry.Date)
                          << "\n  weather: " << Escaped(entry.Wheather)
                          << "\n  title: " << Escaped(entry.Title)
                          << "\n  contents: " << Escaped(entry.Contents)
                          << "\n  prefix: " << Escaped(add.LenStartString)
                          << "\n  suffix: " << Escaped(add.LenEndString);
        }
    }
}

TEST(EngineMatchesReference, CutTemplateBlockOnGeneratedTemplates) {
    int reportedCases = 0;
    for (std::uint32_t seed = 1; seed <= 3000 && reportedCases < kMaxReportedCases; ++seed) {
        Generator g(seed);
        const std::string text = g.Template();
        // Half the cases search from the first byte, the others from some offset, as the
        // page builder does after inserting a block's entries.
        const std::size_t from =
            g.Chance(50) ? 0
                         : static_cast<std::size_t>(g.Int(0, static_cast<int>(text.size()) + 1));

        RecordingReporter reporter;
        Sumirel::PageBuilder fast("unused.html", LenAddStrings{}, reporter);
        fast.BlockTemplate = "old fragment";
        fast.PageText = "old page";
        fast.BlockPositions = {7};
        SumirelReference::PageWorkingFields reference{"old fragment", "old page", {7}};

        const std::string fastText = fast.CutTemplateBlock(text, from);
        const std::string refText =
            SumirelReference::CutTemplateBlock(reference, text, from, reporter);
        std::ostringstream diff;
        if (fastText != refText) {
            diff << "  returned text: " << FirstDifference(fastText, refText);
        }
        if (fast.BlockTemplate != reference.BlockTemplate) {
            diff << "  BlockTemplate: "
                 << FirstDifference(fast.BlockTemplate, reference.BlockTemplate);
        }
        if (fast.PageText != reference.PageText) {
            diff << "  PageText: " << FirstDifference(fast.PageText, reference.PageText);
        }
        if (fast.BlockPositions != reference.BlockPositions) {
            diff << "  BlockPositions differ (fast " << fast.BlockPositions.size()
                 << " items, last " << fast.BlockPositions.back() << "; reference "
                 << reference.BlockPositions.size() << " items, last "
                 << reference.BlockPositions.back() << ")\n";
        }
        if (!diff.str().empty()) {
            ++reportedCases;
            ADD_FAILURE() << "template seed " << seed << ", from " << from << ":\n"
                          << diff.str() << "  text: " << Escaped(text);
        }
    }
}

TEST(EngineMatchesReference, FillSingleSectionsOnGeneratedTargets) {
    int reportedCases = 0;
    for (std::uint32_t seed = 1; seed <= 3000 && reportedCases < kMaxReportedCases; ++seed) {
        Generator g(seed);
        const std::string text = g.Target();
        const SDiary entry = g.Entry();
        const LenAddStrings add = g.AddStrings();
        RecordingReporter reporter;
        const std::string fast = Sumirel::FillSingleSections(text, entry, add, reporter);
        const std::string reference =
            SumirelReference::FillSingleSections(text, entry, add, reporter);
        if (fast != reference) {
            ++reportedCases;
            ADD_FAILURE() << "target seed " << seed << ": " << FirstDifference(fast, reference)
                          << "  text: " << Escaped(text) << "\n  date: " << Escaped(entry.Date)
                          << "\n  weather: " << Escaped(entry.Wheather)
                          << "\n  title: " << Escaped(entry.Title)
                          << "\n  contents: " << Escaped(entry.Contents)
                          << "\n  prefix: " << Escaped(add.LenStartString)
                          << "\n  suffix: " << Escaped(add.LenEndString);
        }
    }
}

}  // namespace
