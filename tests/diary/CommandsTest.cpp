#include "diary/Commands.h"

#include <deque>

#include <gtest/gtest.h>

#include "diary/Messages.h"
#include "platform/Backups.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

namespace {

using Sumirel::CommandResult;
using Sumirel::SDiary;
using SumirelTest::ReadBytes;
using SumirelTest::TempDir;
namespace Messages = Sumirel::Messages;

// Answers questions from a script and records everything the command shows, in order.
class ScriptedUi : public Sumirel::CommandUi {
public:
    explicit ScriptedUi(std::deque<bool> answers = {}) : answers_(std::move(answers)) {}
    bool AskYesNo(const std::string& question) override {
        shown.push_back("ask:" + question);
        EXPECT_FALSE(answers_.empty()) << "unexpected question";
        if (answers_.empty()) {
            return false;
        }
        const bool answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    void ShowClosingMessage(const std::string& message) override {
        shown.push_back("close:" + message);
    }
    void ShowError(const std::string& message) override { shown.push_back("error:" + message); }
    void ShowEngineMessage(const std::string& message) override {
        shown.push_back("engine:" + message);
    }
    std::vector<std::string> shown;

private:
    std::deque<bool> answers_;
};

std::string Ask(const char* question) {
    return std::string("ask:") + question;
}
std::string Close(const char* message) {
    return std::string("close:") + message;
}
std::string DiaryOf(const SDiary& entry) {
    return Sumirel::FormatEntryBlock(entry) + "\r\n";
}

class CommandsTest : public testing::Test {
protected:
    void SetUp() override {
        settings.DiaryFileName = dir.Write("Diary.txt", "");
        settings.HtmlFileName = dir.File("Diary.html");
        settings.TemplateFileName = dir.Write(
            "Template.html", "<!--sumirel--><!--title-->:<!--contents--><!--end_sumirel-->");
        settings.AddStrings = {"", "<BR>"};
        settings.OtherFiles = {dir.Write("index.html", "<!--title_sng--><!--/title_sng-->")};
    }
    TempDir dir;
    Sumirel::Settings settings;
};

TEST_F(CommandsTest, WriteQuestionsAndAnswers) {
    struct {
        const char* name;
        SDiary entry;
        std::deque<bool> answers;
        std::vector<std::string> shown;
        CommandResult result;
    } cases[] = {
        {"nothing_missing_no_question",
         {"d", "w", " ", "c"},
         {},
         {Close(Messages::kWriteDone)},
         CommandResult::Succeeded},
        {"no_title_declined",
         {"d", "w", "", ""},
         {false},
         {Ask(Messages::kAskNoTitle)},
         CommandResult::NotRun},
        {"no_contents_declined",
         {"d", "w", "t", ""},
         {false},
         {Ask(Messages::kAskNoContents)},
         CommandResult::NotRun},
        {"both_missing_both_accepted",
         {"d", "w", "", ""},
         {true, true},
         {Ask(Messages::kAskNoTitle), Ask(Messages::kAskNoContents), Close(Messages::kWriteDone)},
         CommandResult::Succeeded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = ReadBytes(settings.DiaryFileName);
        ScriptedUi ui(c.answers);
        EXPECT_EQ(Sumirel::WriteCommand(settings, c.entry, ui), c.result);
        EXPECT_EQ(ui.shown, c.shown);
        if (c.result == CommandResult::NotRun) {
            EXPECT_EQ(ReadBytes(settings.DiaryFileName), before);
        } else {
            EXPECT_EQ(ReadBytes(settings.DiaryFileName).substr(0, 20), "<Start>\r\n<Date>d</Da");
            EXPECT_EQ(ReadBytes(settings.OtherFiles[0]),
                      "<!--title_sng-->" + c.entry.Title + "<!--/title_sng-->\r\n");
        }
    }
}

TEST_F(CommandsTest, WriteGuardsOnMissingFileNames) {
    for (auto clear : {&Sumirel::Settings::DiaryFileName, &Sumirel::Settings::HtmlFileName}) {
        Sumirel::Settings s = settings;
        s.*clear = "";
        ScriptedUi ui;
        EXPECT_EQ(Sumirel::WriteCommand(s, {"d", "w", "", ""}, ui), CommandResult::NotRun);
        EXPECT_TRUE(ui.shown.empty());
    }
    EXPECT_EQ(ReadBytes(settings.DiaryFileName), "");
    EXPECT_EQ(ReadBytes(settings.HtmlFileName), "<missing>");
}

TEST_F(CommandsTest, WriteWithFailingPageKeepsEntryAndSkipsTargets) {
    dir.Write("Template.html", "<!--sumirel-->unclosed");
    ScriptedUi ui;
    EXPECT_EQ(Sumirel::WriteCommand(settings, {"d", "w", "t", "c"}, ui), CommandResult::Failed);
    EXPECT_EQ(ui.shown, (std::vector<std::string>{std::string("error:") + Messages::kNoBlockEnd,
                                                  Close(Messages::kWriteFailed)}));
    EXPECT_NE(ReadBytes(settings.DiaryFileName).find("<Title>t</Title>"), std::string::npos);
    EXPECT_EQ(ReadBytes(settings.OtherFiles[0]), "<!--title_sng--><!--/title_sng-->");
}

TEST_F(CommandsTest, WriteWithMissingTargetFileAfterPageSaysTheWriteFailed) {
    ScriptedUi ui;
    settings.OtherFiles.push_back(dir.File("missing.html"));
    EXPECT_EQ(Sumirel::WriteCommand(settings, {"d", "w", "t", "c"}, ui), CommandResult::Failed);
    // The entry, the page and the first target were written before the failure.
    EXPECT_NE(ReadBytes(settings.DiaryFileName).find("<Title>t</Title>"), std::string::npos);
    EXPECT_NE(ReadBytes(settings.HtmlFileName).find("t:c<BR>"), std::string::npos);
    EXPECT_EQ(ReadBytes(settings.OtherFiles[0]), "<!--title_sng-->t<!--/title_sng-->\r\n");
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_TRUE(ui.shown[0].starts_with("error:")) << ui.shown[0];
    EXPECT_NE(ui.shown[0].find(dir.File("missing.html")), std::string::npos);
    EXPECT_EQ(ui.shown[1], Close(Messages::kWriteFailed));
}

TEST_F(CommandsTest, WriteAsksBeforeRepeatingTheNewestEntry) {
    const SDiary newest{"d", "w", "t", "line1\r\nline2"};
    const struct {
        const char* name;
        std::string diary;
        SDiary entry;
        std::deque<bool> answers;
        bool asked;
        CommandResult result;
    } cases[] = {
        {"same_declined", DiaryOf(newest), newest, {false}, true, CommandResult::NotRun},
        {"same_accepted", DiaryOf(newest), newest, {true}, true, CommandResult::Succeeded},
        {"other_contents",
         DiaryOf(newest),
         {"d", "w", "t", "line1"},
         {},
         false,
         CommandResult::Succeeded},
        {"other_date",
         DiaryOf(newest),
         {"e", "w", "t", newest.Contents},
         {},
         false,
         CommandResult::Succeeded},
        // Only the newest entry counts: an older one equal to the entry is no question.
        {"older_equal",
         DiaryOf({"x", "", "new", "c"}) + DiaryOf(newest),
         newest,
         {},
         false,
         CommandResult::Succeeded},
        {"damaged_diary_no_question",
         "<Start>" + DiaryOf(newest).substr(7, 40),
         newest,
         {},
         false,
         CommandResult::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("Diary.txt", c.diary);
        ScriptedUi ui(c.answers);
        EXPECT_EQ(Sumirel::WriteCommand(settings, c.entry, ui), c.result);
        EXPECT_EQ(!ui.shown.empty() && ui.shown[0] == Ask(Messages::kAskDuplicate), c.asked);
        if (c.result == CommandResult::NotRun) {
            EXPECT_EQ(ReadBytes(settings.DiaryFileName), c.diary);
        }
    }
}

TEST_F(CommandsTest, WriteKeepsTheNewestBackupsOfTheDiary) {
    settings.BackupCount = 2;
    for (const char* title : {"one", "two", "three"}) {
        ScriptedUi ui;
        ASSERT_EQ(Sumirel::WriteCommand(settings, {"d", "w", title, "c"}, ui),
                  CommandResult::Succeeded);
    }
    const std::vector<std::string> kept = Sumirel::BackupsOf(settings.DiaryFileName);
    ASSERT_EQ(kept.size(), 2u);
    // The newest copy is the diary as it stood before the last write.
    EXPECT_NE(ReadBytes(kept[1]).find("<Title>two</Title>"), std::string::npos);
    EXPECT_EQ(ReadBytes(kept[1]).find("three"), std::string::npos);

    // Rebuild replaces no diary and keeps no copy of it.
    ScriptedUi ui;
    settings.BackupCount = 5;
    ASSERT_EQ(Sumirel::RebuildCommand(settings, ui), CommandResult::Succeeded);
    EXPECT_EQ(Sumirel::BackupsOf(settings.DiaryFileName).size(), 2u);
}

TEST_F(CommandsTest, RebuildAfterHandEdit) {
    dir.Write("Diary.txt", Sumirel::FormatEntryBlock({"d", "w", "edited", "x"}));
    ScriptedUi ui;
    EXPECT_EQ(Sumirel::RebuildCommand(settings, ui), CommandResult::Succeeded);
    EXPECT_EQ(ui.shown, std::vector<std::string>{Close(Messages::kRebuilt)});
    EXPECT_EQ(ReadBytes(settings.HtmlFileName), "edited:x<BR>\r\n\r\n\r\n");
    EXPECT_EQ(ReadBytes(settings.OtherFiles[0]), "<!--title_sng-->edited<!--/title_sng-->\r\n");
}

TEST_F(CommandsTest, RebuildFailuresShowNoClosingMessage) {
    dir.Write("Diary.txt", "<End>" + Sumirel::FormatEntryBlock({"d", "w", "t", "x"}));
    ScriptedUi ui;
    EXPECT_EQ(Sumirel::RebuildCommand(settings, ui), CommandResult::Failed);
    EXPECT_EQ(ui.shown, std::vector<std::string>{std::string("error:") + Messages::kDiaryDamaged});

    // A template without blocks builds an empty page without reading the diary's blocks, so
    // the damage is found by the target update instead.
    dir.Write("Template.html", "no blocks");
    ScriptedUi ui2;
    EXPECT_EQ(Sumirel::RebuildCommand(settings, ui2), CommandResult::Failed);
    EXPECT_EQ(ui2.shown, std::vector<std::string>{std::string("error:") + Messages::kDiaryDamaged});
    EXPECT_EQ(ReadBytes(settings.HtmlFileName), "");
    EXPECT_EQ(ReadBytes(settings.OtherFiles[0]), "<!--title_sng--><!--/title_sng-->");

    settings.TemplateFileName = dir.File("none.html");
    ScriptedUi ui3;
    EXPECT_THROW(Sumirel::RebuildCommand(settings, ui3), Sumirel::FileError);
    EXPECT_TRUE(ui3.shown.empty());
}

}  // namespace
