#include "settings/LoadSettings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "settings/Scramble.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsTable.h"
#include "support/TempDir.h"

namespace {

using namespace Sumirel;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using Lines = std::vector<std::string>;

// Makes `folder` the current folder for the life of the object.
class CurrentFolderScope {
public:
    explicit CurrentFolderScope(const std::filesystem::path& folder)
        : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolderScope() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
    }

private:
    std::filesystem::path old_;
};

std::string Canonical(const TempDir& dir) {
    return std::filesystem::canonical(dir.Path()).string();
}

TEST(LoadSettingsTest, MissingFileGivesEveryDefault) {
    TempDir work;
    const CurrentFolderScope scope(work.Path());
    const Settings s = LoadSettings(work.File("none.ini"), 21);
    const std::string here = Canonical(work);
    EXPECT_EQ(s.DiaryFileName, here + "/Diary.txt");
    EXPECT_EQ(s.HtmlFileName, here + "/Diary.html");
    EXPECT_EQ(s.TemplateFileName, here + "/Template.html");
    EXPECT_EQ(s.Separators.YearSep, "/");
    EXPECT_EQ(s.Separators.MonSep, "/");
    EXPECT_EQ(s.Separators.DaySep, "");
    EXPECT_EQ(s.AddStrings.LenStartString, "");
    EXPECT_EQ(s.AddStrings.LenEndString, "<BR>");
    EXPECT_TRUE(s.OtherFiles.empty());
    EXPECT_EQ(s.Ftp.HostName, "");
    EXPECT_EQ(s.Ftp.ID, "");
    EXPECT_EQ(s.Ftp.Pass, "");
    EXPECT_EQ(s.Ftp.DefaultDir, "");
    EXPECT_EQ(s.Ftp.Port, 21);
    EXPECT_FALSE(s.Ftp.DialUp);
    EXPECT_FALSE(s.Ftp.QuitDialUp);
    EXPECT_EQ(s.Ftp.DialEntryName, "");
    EXPECT_EQ(s.Ftp.DialID, "");
    EXPECT_EQ(s.Ftp.DialPass, "");
    EXPECT_EQ(s.Feed.FileName, "");
    EXPECT_EQ(s.Feed.Url, "");
    EXPECT_EQ(s.Feed.Title, "");
    EXPECT_EQ(s.Feed.Entries, 15);
    EXPECT_EQ(LoadSettings(work.File("none.ini"), 2121).Ftp.Port, 2121);
}

TEST(LoadSettingsTest, DefaultFilesFollowTheCurrentFolderNotTheSettingsFile) {
    TempDir program;
    TempDir work;
    const std::string ini = program.Write("sumirel.ini", "[Settings]\r\nDaySep=d\r\n");
    const CurrentFolderScope scope(work.Path());
    const Settings s = LoadSettings(ini, 21);
    EXPECT_EQ(s.Separators.DaySep, "d");
    EXPECT_EQ(s.DiaryFileName, Canonical(work) + "/Diary.txt");
    EXPECT_EQ(s.TemplateFileName, Canonical(work) + "/Template.html");
}

TEST(LoadSettingsTest, ReadsEveryKey) {
    TempDir dir;
    const std::string ini = dir.Write(
        "sumirel.ini", "[Files]\r\nDiaryFileName=d.txt\r\nHtmlFileName=" + Sjis("日記.html") +
                           "\r\nTemplateFileName=t.html\r\n"
                           "[Settings]\r\nYearSep=" +
                           Sjis("年") + "\r\nMonSep=" + Sjis("月") + "\r\nDaySep=" + Sjis("日") +
                           "\r\nLenStartString=<P>\r\nLenEndString=\r\n"
                           "OtherFiles=/www/index.html</www/top.html<\r\n"
                           "[FTP]\r\nHostName=ftp.example.jp\r\nID=" +
                           ScrambleText("user") + "\r\nPass=" + ScrambleText("secret") +
                           "\r\nDefaultDir=/public_html\r\n"
                           "Port=2121\r\nDialUp=1\r\nQuitDialUp=1\r\nDialEntryName=" +
                           Sjis("接続") + "\r\nDialID=" + ScrambleText("dial") +
                           "\r\nDialPass=" + ScrambleText("dpw") +
                           "\r\n[Feed]\r\nFileName=/www/atom.xml\r\n"
                           "Url=https://example.jp/diary/Diary.html\r\nTitle=" +
                           Sjis("日々") + "\r\nEntries=30\r\n");
    const Settings s = LoadSettings(ini, 21);
    EXPECT_EQ(s.DiaryFileName, "d.txt");
    EXPECT_EQ(s.HtmlFileName, Sjis("日記.html"));
    EXPECT_EQ(s.TemplateFileName, "t.html");
    EXPECT_EQ(FormatDate(2024, 3, 5, s.Separators), Sjis("2024年3月5日"));
    EXPECT_EQ(s.AddStrings.LenStartString, "<P>");
    EXPECT_EQ(s.AddStrings.LenEndString, "");  // present but empty: not the default
    EXPECT_EQ(s.OtherFiles, (Lines{"/www/index.html", "/www/top.html"}));
    EXPECT_EQ(s.Ftp.HostName, "ftp.example.jp");
    EXPECT_EQ(s.Ftp.ID, "user");
    EXPECT_EQ(s.Ftp.Pass, "secret");
    EXPECT_EQ(s.Ftp.DefaultDir, "/public_html");
    EXPECT_EQ(s.Ftp.Port, 2121);
    EXPECT_TRUE(s.Ftp.DialUp);
    EXPECT_TRUE(s.Ftp.QuitDialUp);
    EXPECT_EQ(s.Ftp.DialEntryName, Sjis("接続"));
    EXPECT_EQ(s.Ftp.DialID, "dial");
    EXPECT_EQ(s.Ftp.DialPass, "dpw");
    EXPECT_EQ(s.Feed.FileName, "/www/atom.xml");
    EXPECT_EQ(s.Feed.Url, "https://example.jp/diary/Diary.html");
    EXPECT_EQ(s.Feed.Title, Sjis("日々"));
    EXPECT_EQ(s.Feed.Entries, 30);

    const Settings again = LoadSettings(ini, 21);
    EXPECT_EQ(again.OtherFiles, s.OtherFiles);
    EXPECT_EQ(again.Ftp.Pass, s.Ftp.Pass);
}

TEST(LoadSettingsTest, HandWrittenPortsFlagsAndCredentials) {
    const struct {
        const char* name;
        std::string ftp;
        std::int32_t port;
        bool dialUp;
        std::string id;
    } cases[] = {
        {"letters in Port", "Port=abc\r\nDialUp=word\r\n", 21, false, ""},
        {"hex Port, DialUp 2", "Port=0x15\r\nDialUp=2\r\n", 21, true, ""},
        {"other hex Port", "port=$1F90\r\ndialup=0\r\n", 8080, false, ""},
        // A plain ID typed by hand is unscrambled all the same: a+1, b+9, c+9.
        {"plain ID", "ID=abc\r\n", 21, false, "bkl"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Settings s = LoadSettings(dir.Write("sumirel.ini", "[FTP]\r\n" + c.ftp), 21);
        EXPECT_EQ(s.Ftp.Port, c.port);
        EXPECT_EQ(s.Ftp.DialUp, c.dialUp);
        EXPECT_EQ(s.Ftp.ID, c.id);
    }
}

TEST(LoadSettingsTest, CredentialWithBlankAndQuoteWhenScrambledSurvives) {
    // "!+" scrambles to " \"" ('!' - 1, '+' - 9): it begins with a blank and ends with a quote.
    ASSERT_EQ(ScrambleText("!+"), " \"");
    TempDir dir;
    IniFile ini(dir.File("sumirel.ini"));
    ini.WriteString(SettingsKeys::kFtp, "Pass", ScrambleText("!+"));
    ini.WriteString(SettingsKeys::kFtp, "DialPass", ScrambleText(" x "));
    const Settings s = LoadSettings(ini.FileName(), 21);
    EXPECT_EQ(s.Ftp.Pass, "!+");
    EXPECT_EQ(s.Ftp.DialPass, " x ");
}

TEST(LoadSettingsTest, SplitOtherFiles) {
    const struct {
        const char* name;
        std::string stored;
        Lines expected;
    } cases[] = {
        {"two paths each ending its line", "a.html<b.html<", {"a.html", "b.html"}},
        {"two in a row give an empty entry", "a.html<<b.html", {"a.html", "", "b.html"}},
        {"single path", "a.html", {"a.html"}},
        {"empty", "", {}},
        {"only a line break", "<", {""}},
        {"Shift-JIS path", Sjis("日記.html") + "<", {Sjis("日記.html")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SplitOtherFiles(c.stored), c.expected);
    }
}

TEST(LoadSettingsTest, StoreOtherFiles) {
    const struct {
        const char* name;
        std::string box;
        std::string stored;
    } cases[] = {
        {"lines each ending", "a.html\r\nb.html\r\n", "a.html<b.html<"},
        {"empty line between", "a.html\r\n\r\nb.html", "a.html<<b.html"},
        {"single path", "a.html", "a.html"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StoreOtherFiles(c.box), c.stored);
    }
    EXPECT_EQ(SplitOtherFiles(StoreOtherFiles("a\r\nb\r\n")), (Lines{"a", "b"}));
}

TEST(LoadSettingsTest, FormatDate) {
    EXPECT_EQ(FormatDate(2024, 3, 5, DateSeparator{}), "2024/3/5");
    EXPECT_EQ(FormatDate(1999, 12, 31, DateSeparator{"-", "-", "."}), "1999-12-31.");
    EXPECT_EQ(FormatDate(2024, 1, 9, DateSeparator{"", "", ""}), "202419");
}

}  // namespace

namespace {

// A settings file that exists but cannot be read is never "all defaults": those would name
// the diary files of whatever folder is current.
TEST(LoadSettingsTest, UnreadableFileRaisesNamingIt) {
    TempDir dir;
    const std::string folder = dir.File("folder.ini");
    std::filesystem::create_directory(folder);
    try {
        LoadSettings(folder);
        ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), folder);
    }
    // A readable file without one usable line still gives every default.
    const Settings s = LoadSettings(dir.Write("junk.ini", "junk\r\n[Files\r\n"));
    EXPECT_EQ(s.AddStrings.LenEndString, "<BR>");
    EXPECT_EQ(s.Ftp.Port, 21);
}

// Every key has one row, and a writer of a credential leaves the file to its owner alone.
TEST(LoadSettingsTest, TableAndWriter) {
    std::set<std::string> keys;
    for (const SettingRow& row : SettingsTable()) {
        EXPECT_TRUE(keys.insert(std::string(row.Section) + "/" + row.Key).second) << row.Key;
    }
    EXPECT_THROW(FindSettingRow(SettingsKeys::kFtp, "NoSuchKey"), std::logic_error);

    TempDir dir;
    const std::string ini = dir.Write("sumirel.ini", "[FTP]\r\nHostName=old\r\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0644), 0);
    SettingsWriter plain(ini);
    plain.Text(SettingsKeys::kFtp, "HostName", "host");
    EXPECT_THROW(plain.Integer(SettingsKeys::kFtp, "HostName", 1), std::logic_error);
    plain.Commit();
    struct stat info {};
    ASSERT_EQ(::stat(ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);

    SettingsWriter secret(ini);
    secret.Text(SettingsKeys::kFtp, "Pass", "pw");
    secret.Integer(SettingsKeys::kFtp, "Port", 2121);
    secret.Commit();
    ASSERT_EQ(::stat(ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(ReadBytes(ini),
              "[FTP]\r\nHostName=host\r\nPass=" + ScrambleText("pw") + "\r\nPort=2121\r\n");
    const Settings s = LoadSettings(ini);
    EXPECT_EQ(s.Ftp.Pass, "pw");
    EXPECT_EQ(s.Ftp.Port, 2121);
}

}  // namespace
