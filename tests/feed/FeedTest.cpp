// The feed as Write and Rebuild write it: validity against the Atom schema (read by
// xmllint, a strict XML parser), ids, the count limit, dates, titles, links and errors.

#include "diary/Feed.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "TimeZoneScope.h"
#include "diary/Commands.h"
#include "diary/Messages.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

namespace {

using Sumirel::CommandResult;
using Sumirel::SDiary;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using SumirelTest::TimeZoneScope;

const std::string kAtom = "http://www.w3.org/2005/Atom";

std::string Utf8(std::u8string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

class RecordingUi : public Sumirel::CommandUi {
public:
    bool AskYesNo(const std::string&) override { return true; }
    void ShowClosingMessage(const std::string& message) override { closing.push_back(message); }
    void ShowError(const std::string& message) override { errors.push_back(message); }
    void ShowEngineMessage(const std::string& message) override { errors.push_back(message); }
    std::vector<std::string> closing;
    std::vector<std::string> errors;
};

struct ShellRun {
    int status = -1;
    std::string output;
};

// Runs a shell command line, its standard error joined to its output.
ShellRun Shell(const std::string& command) {
    ShellRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// What a feed reader sees: the string value of an XPath expression over the feed, where
// "a:name" stands for the element "name" of the Atom namespace.
std::string XPath(const std::string& file, const std::string& expression) {
    static const std::regex atomName("a:([A-Za-z]+)");
    const std::string path = std::regex_replace(
        expression, atomName, "*[local-name()='$1' and namespace-uri()='" + kAtom + "']");
    const ShellRun run = Shell("xmllint --xpath " + Quoted(path) + " " + Quoted(file));
    if (run.status != 0) {
        return "<xmllint failed: " + run.output + ">";
    }
    // xmllint ends what it prints with a line break.
    return run.output.empty() ? run.output : run.output.substr(0, run.output.size() - 1);
}

std::vector<std::string> EntryIds(const std::string& feed) {
    std::vector<std::string> ids;
    const std::regex id("<entry>\\s*<id>([^<]*)</id>");
    for (auto it = std::sregex_iterator(feed.begin(), feed.end(), id); it != std::sregex_iterator();
         ++it) {
        ids.push_back((*it)[1]);
    }
    return ids;
}

std::string Diary(const std::vector<SDiary>& entries) {
    std::string text;
    for (const SDiary& entry : entries) {
        text += Sumirel::FormatEntryBlock(entry) + "\r\n";
    }
    return text;
}

void SetModificationTime(const std::string& path, std::time_t moment) {
    const struct timespec times[2] = {{moment, 0}, {moment, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class FeedTest : public testing::Test {
protected:
    void SetUp() override {
        settings.DiaryFileName = dir.Write("Diary.txt", "");
        settings.HtmlFileName = dir.File("Diary.html");
        settings.TemplateFileName = dir.Write(
            "Template.html",
            "<html><head><title>\r\n  My &amp; " + Sjis(u8"日記") +
                "\r\n</title></head><body>\r\n<!--sumirel--><h2><!--date--> <!--title--></h2>\r\n"
                "<!--contents--><!--end_sumirel-->\r\n</body></html>\r\n");
        settings.AddStrings = {"<p>", "</p>"};
        settings.OtherFiles = {dir.Write("index.html", "<!--title_sng--><!--/title_sng-->")};
        settings.Feed.FileName = dir.File("atom.xml");
        settings.Feed.Url = "https://example.org/diary/Diary.html";
    }

    void WriteDiary(const std::vector<SDiary>& entries) const {
        dir.Write("Diary.txt", Diary(entries));
    }

    CommandResult Rebuild() { return Sumirel::RebuildCommand(settings, ui); }
    std::string Feed() const { return ReadBytes(settings.Feed.FileName); }

    void ExpectValid() const {
        const ShellRun run = Shell("xmllint --noout --relaxng " + Quoted(SUMIREL_ATOM_SCHEMA) +
                                   " " + Quoted(settings.Feed.FileName));
        EXPECT_EQ(run.status, 0) << run.output << "\n" << Feed();
    }

    TempDir dir;
    Sumirel::Settings settings;
    RecordingUi ui;
};

TEST_F(FeedTest, FeedReadsStrictlyAndValidatesAgainstTheAtomSchema) {
    const struct {
        const char* name;
        std::vector<SDiary> entries;
        std::string title;
    } cases[] = {
        {"empty diary: a feed without entries", {}, ""},
        {"markup, references, Japanese, a control byte and an undated entry",
         {{"2024/5/2", Sjis(u8"晴れ"), "A &amp; B <em>x</em>",
           Sjis(u8"今日は") + "&#x1F600;&#12354; &#60;script&#62;\r\n<a href=\"photo.html\">" +
               Sjis(u8"写真") + "</a> \x01<img src='/img/a.png'>"},
          {Sjis(u8"いつか"), "", "", ""}},
         "Tom & Jerry's <diary>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteDiary(c.entries);
        settings.Feed.Title = c.title;
        ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
        EXPECT_TRUE(ui.errors.empty());
        ExpectValid();
    }
    // What a reader gets from the last one.
    const std::string file = settings.Feed.FileName;
    EXPECT_EQ(XPath(file, "string(/a:feed/a:title)"), "Tom & Jerry's <diary>");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[1]/a:title)"), "A &amp; B <em>x</em>");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[1]/a:content)"),
              Utf8(u8"<p>今日は😀あ &#60;script&#62;</p>\n<p><a "
                   u8"href=\"https://example.org/diary/photo.html\">写真</a> \uFFFD<img "
                   u8"src=\"https://example.org/img/a.png\"></p>\n"));
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[2]/a:title)"), Utf8(u8"いつか"));
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[2]/a:content)"), "<p></p>\n");
}

TEST_F(FeedTest, FeedLevelElements) {
    const TimeZoneScope zone("JST-9");
    settings.Feed.FileName = dir.File(Utf8(u8"日記 feed.xml"));
    settings.Feed.FileName = Sjis(settings.Feed.FileName);
    WriteDiary({{"2024/5/2", "", "new", "n"}, {"2024/5/1", "", "old", "o"}});
    ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
    const std::string file = dir.File(Utf8(u8"日記 feed.xml"));
    EXPECT_EQ(XPath(file, "string(/a:feed/a:id)"), "https://example.org/diary/Diary.html");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:updated)"), "2024-05-02T12:00:00+09:00");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:link[@rel='self']/@href)"),
              "https://example.org/diary/%E6%97%A5%E8%A8%98%20feed.xml");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:link[@rel='alternate']/@href)"),
              "https://example.org/diary/Diary.html");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:generator)"), "Sumirel");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[2]/a:link[@rel='alternate']/@href)"),
              "https://example.org/diary/Diary.html");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[2]/a:title)"), "old");
}

TEST_F(FeedTest, FeedTitleFromSettingsElsePageElseDefault) {
    const struct {
        const char* name;
        std::string title;
        std::string templ;
        std::string expected;
    } cases[] = {
        {"setting wins", Sjis(u8"わたしの&#x1F600;"),
         "<title>Page</title><!--sumirel--><!--end_sumirel-->", Utf8(u8"わたしの😀")},
        {"page title, blanks collapsed, references decoded", "",
         "<TITLE lang=ja>\r\n  A &amp;\r\n B </TITLE><!--sumirel--><!--end_sumirel-->", "A & B"},
        {"no page title", "", "<h1>x</h1><!--sumirel--><!--end_sumirel-->", Utf8(u8"日記")},
        {"titlebar is no title", "", "<titlebar>x</titlebar><!--sumirel--><!--end_sumirel-->",
         Utf8(u8"日記")},
    };
    for (const auto& c : cases) {
        settings.Feed.Title = c.title;
        dir.Write("Template.html", c.templ);
        ASSERT_EQ(Rebuild(), CommandResult::Succeeded) << c.name;
        EXPECT_EQ(XPath(settings.Feed.FileName, "string(/a:feed/a:title)"), c.expected) << c.name;
        EXPECT_EQ(XPath(settings.Feed.FileName, "string(/a:feed/a:author/a:name)"), c.expected)
            << c.name;
    }
}

TEST_F(FeedTest, IdsStayAcrossRebuildsAndWritesAndDifferForEveryEntry) {
    const SDiary twice{"2024/5/1", "", "same", "written twice"};
    WriteDiary({{"2024/5/2", "", "t", "c"},
                twice,
                {"2024/5/1", "", "morning", "one day, first"},
                {"2024/5/1", "", "evening", "one day, second"},
                twice,
                {Sjis(u8"いつか"), "", "undated", "u"}});
    ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
    const std::string first = Feed();
    const std::vector<std::string> ids = EntryIds(first);
    ASSERT_EQ(ids.size(), 6u);
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size()) << first;
    const std::regex form("tag:example\\.org,(2024-05-0[12]|2000-01-01):entry-[0-9a-f]{16}(\\.2)?");
    for (const auto& id : ids) {
        EXPECT_TRUE(std::regex_match(id, form)) << id;
    }
    EXPECT_EQ(ids[1], ids[4] + ".2");  // the newer copy of the repeated entry
    EXPECT_EQ(ids[5].substr(0, 28), "tag:example.org,2000-01-01:e");

    ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
    EXPECT_EQ(Feed(), first);

    // A diary saved by another editor with LF line breaks keeps its ids.
    const std::string crlf = ReadBytes(settings.DiaryFileName);
    dir.Write("Diary.txt", std::regex_replace(crlf, std::regex("\r\n"), "\n"));
    ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
    EXPECT_EQ(EntryIds(Feed()), ids);
    dir.Write("Diary.txt", crlf);

    const SDiary added{"2024/5/3", "", "added", "new on top"};
    ASSERT_EQ(Sumirel::WriteCommand(settings, added, ui), CommandResult::Succeeded);
    const std::vector<std::string> after = EntryIds(Feed());
    ASSERT_EQ(after.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(after.begin() + 1, after.end()), ids);
    EXPECT_TRUE(ui.errors.empty());
}

TEST_F(FeedTest, AtMostEntriesOfTheNewest) {
    WriteDiary(
        {{"2024/5/3", "", "three", ""}, {"2024/5/2", "", "two", ""}, {"2024/5/1", "", "", ""}});
    const struct {
        int entries;
        std::vector<std::string> titles;
    } cases[] = {
        {2, {"three", "two"}},
        {3, {"three", "two", "2024/5/1"}},
        {15, {"three", "two", "2024/5/1"}},
        {1, {"three"}},
        {0, {}},
        {-4, {}},
    };
    for (const auto& c : cases) {
        settings.Feed.Entries = c.entries;
        ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
        std::vector<std::string> titles;
        const std::string feed = Feed();
        const std::regex title("<title type=\"html\">([^<]*)</title>");
        for (auto it = std::sregex_iterator(feed.begin(), feed.end(), title);
             it != std::sregex_iterator(); ++it) {
            titles.push_back((*it)[1]);
        }
        EXPECT_EQ(titles, c.titles) << c.entries;
        ExpectValid();
    }
}

TEST_F(FeedTest, UpdatedIsNoonOfTheDateElseTheDiarysTime) {
    const TimeZoneScope zone("JST-9");
    settings.Separators = {Sjis(u8"年"), Sjis(u8"月"), Sjis(u8"日")};
    WriteDiary({{Sjis(u8"2024年2月30日"), "", "impossible", ""},
                {Sjis(u8"2024年2月29日"), "", "leap", ""},
                {"2024/2/28", "", "other separators", ""}});
    // 2023-11-14T22:13:20Z
    SetModificationTime(settings.DiaryFileName, 1700000000);
    ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
    const std::string file = settings.Feed.FileName;
    EXPECT_EQ(XPath(file, "string(/a:feed/a:updated)"), "2023-11-15T07:13:20+09:00");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[1]/a:updated)"), "2023-11-15T07:13:20+09:00");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[2]/a:updated)"), "2024-02-29T12:00:00+09:00");
    EXPECT_EQ(XPath(file, "string(/a:feed/a:entry[3]/a:updated)"), "2023-11-15T07:13:20+09:00");

    WriteDiary({});
    SetModificationTime(settings.DiaryFileName, 1700000000);
    ASSERT_EQ(Rebuild(), CommandResult::Succeeded);
    EXPECT_EQ(XPath(file, "string(/a:feed/a:updated)"), "2023-11-15T07:13:20+09:00");
}

TEST_F(FeedTest, UrlMissingOrUnusableIsReportedAndNoFeedWritten) {
    namespace Messages = Sumirel::Messages;
    const struct {
        const char* name;
        std::string url;
        const char* error;
    } cases[] = {
        {"empty", "", Messages::kFeedNoUrl},
        {"no scheme", "example.org/diary/Diary.html", Messages::kFeedBadUrl},
        {"a local file", "file:///home/me/Diary.html", Messages::kFeedBadUrl},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.Feed.Url = c.url;
        dir.Write("index.html", "<!--title_sng--><!--/title_sng-->");
        WriteDiary({{"2024/5/1", "", "t", "c"}});
        RecordingUi fresh;
        EXPECT_EQ(Sumirel::RebuildCommand(settings, fresh), CommandResult::Failed);
        EXPECT_EQ(fresh.errors, std::vector<std::string>{c.error});
        EXPECT_TRUE(fresh.closing.empty());
        EXPECT_EQ(ReadBytes(settings.Feed.FileName), "<missing>");
        // The page and the target files are still brought up to date.
        EXPECT_NE(ReadBytes(settings.HtmlFileName).find("<h2>2024/5/1 t</h2>"), std::string::npos);
        EXPECT_EQ(ReadBytes(dir.File("index.html")), "<!--title_sng-->t<!--/title_sng-->\r\n");
    }
    // Write closes with its failure message.
    RecordingUi write;
    EXPECT_EQ(Sumirel::WriteCommand(settings, {"2024/5/2", "", "t", "c"}, write),
              CommandResult::Failed);
    EXPECT_EQ(write.closing, std::vector<std::string>{Messages::kWriteFailed});
}

TEST_F(FeedTest, NoFileNameMeansNoFeed) {
    settings.Feed.FileName.clear();
    settings.Feed.Url.clear();
    WriteDiary({{"2024/5/1", "", "t", "c"}});
    EXPECT_EQ(Rebuild(), CommandResult::Succeeded);
    EXPECT_TRUE(ui.errors.empty());
    EXPECT_EQ(ReadBytes(dir.File("atom.xml")), "<missing>");
}

TEST_F(FeedTest, FeedThatCannotBeWrittenIsAFileError) {
    settings.Feed.FileName = dir.File("missing-folder/atom.xml");
    WriteDiary({{"2024/5/1", "", "t", "c"}});
    EXPECT_THROW(Rebuild(), Sumirel::FileError);
    EXPECT_NE(ReadBytes(settings.HtmlFileName), "<missing>");
}

}  // namespace
