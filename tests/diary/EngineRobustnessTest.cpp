// The engine on byte soup: random mixtures of tags, marker pieces, whole markers, line breaks,
// NUL and arbitrary bytes, a few KB at most. Every call must come back with a sound answer:
// no crash, no endless loop, only the engine's own three error texts, and files untouched
// whenever a damaged template or diary was reported. Fixed seeds and a fixed number of
// rounds keep the run short and repeatable.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "diary/DiaryFile.h"
#include "diary/EntryRenderer.h"
#include "diary/Messages.h"
#include "diary/PageBuilder.h"
#include "diary/TargetFiles.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace {

using Sumirel::LenAddStrings;
using Sumirel::SDiary;
using SumirelTest::ReadBytes;
using SumirelTest::RecordingReporter;
using SumirelTest::TempDir;

class Soup {
public:
    explicit Soup(std::uint32_t seed) : rng_(seed) {}

    // Up to `maxBytes` bytes (a piece may run a little past it, then it is cut).
    std::string Make(std::size_t maxBytes) {
        static const std::vector<std::string> kPieces = {"<Start>",
                                                         "<End>",
                                                         "<Sta",
                                                         "rt>",
                                                         "<Date>",
                                                         "</Date>",
                                                         "<Wheather>",
                                                         "</Wheather>",
                                                         "<Title>",
                                                         "</Title>",
                                                         "<Contents>",
                                                         "</Contents>",
                                                         "<!--",
                                                         "-->",
                                                         " ",
                                                         "  ",
                                                         "/",
                                                         "sumirel",
                                                         "end_sumirel",
                                                         "_sng",
                                                         "contents",
                                                         "DATE",
                                                         "Weather",
                                                         "wheather",
                                                         "title",
                                                         "COUNT",
                                                         "<!--sumirel-->",
                                                         "<!-- end_sumirel -->",
                                                         "<!--contents-->",
                                                         "<!--date-->",
                                                         "<!--weather-->",
                                                         "<!--title-->",
                                                         "<!--count-->",
                                                         "<!--contents_sng-->",
                                                         "<!--/contents_sng-->",
                                                         "<!--date_sng-->",
                                                         "<!--/date_sng-->",
                                                         "<!--wheather_sng-->",
                                                         "<!--/weather_sng-->",
                                                         "<!--title_sng-->",
                                                         "<!--/title_sng-->",
                                                         "\r",
                                                         "\n",
                                                         "\r\n",
                                                         std::string(1, '\0'),
                                                         "\t",
                                                         "\x83\x5c",
                                                         "\x95\x5c",
                                                         "\x81\x40",
                                                         "<",
                                                         ">",
                                                         "-",
                                                         "x"};
        std::string out;
        const std::size_t target = rng_() % (maxBytes + 1);
        while (out.size() < target) {
            if (rng_() % 8 == 0) {
                out += static_cast<char>(rng_() & 0xff);
            } else {
                out += kPieces[rng_() % kPieces.size()];
            }
        }
        out.resize(std::min(out.size(), maxBytes));
        return out;
    }

    std::uint32_t Next() { return rng_(); }

private:
    std::mt19937 rng_;
};

bool IsEngineError(const std::string& message) {
    return message == Sumirel::Messages::kNoBlockEnd || message == Sumirel::Messages::kNoDiaryEnd ||
           message == Sumirel::Messages::kDiaryDamaged;
}

std::size_t FilesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

TEST(EngineRobustness, BuildPageAndTargetFilesOnByteSoup) {
    for (std::uint32_t seed = 1; seed <= 250; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Soup soup(seed);
        TempDir dir;
        const std::string templ = dir.Write("template.html", soup.Make(3000));
        const std::string diaryText = soup.Make(3000);
        const std::string diary = dir.Write("diary.txt", diaryText);
        const std::string page = dir.Write("page.html", "old page");
        const std::vector<std::string> targetTexts{soup.Make(2000), soup.Make(2000)};
        const std::vector<std::string> targets{dir.Write("a.html", targetTexts[0]),
                                               dir.Write("b.html", targetTexts[1])};
        const LenAddStrings add{soup.Make(12), soup.Make(12)};

        RecordingReporter reporter;
        const bool built = Sumirel::PageBuilder(templ, add, reporter).BuildPage(diary, page);
        if (built) {
            EXPECT_TRUE(reporter.errors.empty());
        } else {
            ASSERT_EQ(reporter.errors.size(), 1u);
            EXPECT_TRUE(IsEngineError(reporter.errors[0]));
            EXPECT_EQ(ReadBytes(page), "old page");
        }

        RecordingReporter targetReporter;
        const bool updated = Sumirel::UpdateTargetFiles(diary, targets, add, targetReporter);
        if (updated) {
            EXPECT_TRUE(targetReporter.errors.empty());
        } else {
            ASSERT_EQ(targetReporter.errors.size(), 1u);
            EXPECT_TRUE(IsEngineError(targetReporter.errors[0]));
            EXPECT_EQ(ReadBytes(targets[0]), targetTexts[0]);
            EXPECT_EQ(ReadBytes(targets[1]), targetTexts[1]);
        }
        EXPECT_EQ(ReadBytes(diary), diaryText);
        EXPECT_TRUE(reporter.engineMessages.empty());
        EXPECT_TRUE(targetReporter.engineMessages.empty());
        EXPECT_EQ(FilesIn(dir.Path()), 5u) << "a temporary file was left behind";
    }
}

TEST(EngineRobustness, SingleOperationsOnByteSoup) {
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Soup soup(seed);
        RecordingReporter reporter;

        // Every field is a stretch of the block it was taken from.
        const std::string block = soup.Make(1500);
        const SDiary entry = Sumirel::ParseEntry(block, reporter);
        for (const std::string* field :
             {&entry.Date, &entry.Wheather, &entry.Title, &entry.Contents}) {
            EXPECT_NE(block.find(*field), std::string::npos);
        }

        const LenAddStrings add{soup.Make(12), soup.Make(12)};
        const std::string fragment = soup.Make(1500);
        const std::string rendered =
            Sumirel::RenderEntry(soup.Next(), entry, fragment, add, reporter);
        if (fragment.find("<!--") == std::string::npos) {
            EXPECT_EQ(rendered, fragment);
        }

        const std::string target = soup.Make(1500);
        const std::string filled = Sumirel::FillSingleSections(target, entry, add, reporter);
        if (target.find("<!--") == std::string::npos) {
            EXPECT_EQ(filled, target);
        }

        Sumirel::PageBuilder builder("unused.html", add, reporter);
        const std::string templateText = soup.Make(1500);
        const std::size_t from = soup.Next() % (templateText.size() + 16);
        const std::string cut = builder.CutTemplateBlock(templateText, from);
        EXPECT_LE(cut.size(), templateText.size());

        EXPECT_TRUE(reporter.engineMessages.empty());
        EXPECT_TRUE(reporter.errors.empty());
    }
}

}  // namespace
