// sumirel-cli end to end: the real program run on a temporary workspace, its standard input
// fed and its two output streams captured separately.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "diary/DiaryFile.h"
#include "platform/FileIO.h"
#include "platform/IniFile.h"
#include "platform/WriterLock.h"
#include "platform_ssh/SshServers.h"
#include "settings/Scramble.h"
#include "support/FtpServer.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"

extern char** environ;

namespace {

using Sumirel::SDiary;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;

// UTF-8 literals as the byte strings the program reads and prints.
std::string Utf8(std::u8string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

struct Outcome {
    int status = -1;  // the exit status, 128 + signal when killed
    std::string out;
    std::string err;
};

// Runs `program` with `args`, feeding `input` to its standard input, and collects standard
// output and standard error apart. A program still running after the time limit is killed
// and the test fails, so a program waiting for input it never gets cannot hang the suite.
Outcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                   std::string_view input) {
    // A program that exits without reading its input must not take the test down with it.
    ::signal(SIGPIPE, SIG_IGN);
    int inPipe[2], outPipe[2], errPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) != 0 || ::pipe2(outPipe, O_CLOEXEC) != 0 ||
        ::pipe2(errPipe, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    Outcome outcome;
    if (spawned != 0) {
        ADD_FAILURE() << "posix_spawn " << program << ": " << std::strerror(spawned);
        ::close(inPipe[1]);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        return outcome;
    }

    int inFd = inPipe[1];
    ::fcntl(inFd, F_SETFL, O_NONBLOCK);
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    int readFds[2] = {outPipe[0], errPipe[0]};
    std::string* sinks[2] = {&outcome.out, &outcome.err};
    std::size_t written = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool timedOut = false;
    while (inFd >= 0 || readFds[0] >= 0 || readFds[1] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd fds[3] = {{inFd, POLLOUT, 0}, {readFds[0], POLLIN, 0}, {readFds[1], POLLIN, 0}};
        if (::poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            break;
        }
        if (inFd >= 0 && fds[0].revents != 0) {
            const ssize_t n = ::write(inFd, input.data() + written, input.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            }
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) {
                ::close(inFd);
                inFd = -1;
            }
        }
        for (int i = 0; i < 2; ++i) {
            if (readFds[i] >= 0 && fds[i + 1].revents != 0) {
                char buffer[4096];
                const ssize_t n = ::read(readFds[i], buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    ::close(readFds[i]);
                    readFds[i] = -1;
                }
            }
        }
    }
    for (int fd : {inFd, readFds[0], readFds[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (timedOut) {
        ::kill(pid, SIGKILL);
        ADD_FAILURE() << program << " did not finish within 30 seconds";
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

// What write adds on standard error when the entry is stored but the job is not complete.
constexpr char kStoredNote[] =
    "sumirel-cli: the entry is stored in the diary file, but the page or a target file was not "
    "completed; fix the cause and run 'sumirel-cli rebuild' to finish (do not write the entry "
    "again)\n";

// The diary file after writing `entry` into one that held `old`: the new block, the line
// break that ends it, then the old blocks.
std::string DiaryAfterWrite(const SDiary& entry, const std::string& old = "") {
    return Sumirel::FormatEntryBlock(entry) + "\r\n" + old;
}

// The date as the program proposes it with the separators 年 月 日.
std::string JapaneseDate(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    return std::to_string(local.tm_year + 1900) + Sjis(u8"年") + std::to_string(local.tm_mon + 1) +
           Sjis(u8"月") + std::to_string(local.tm_mday) + Sjis(u8"日");
}

// A workspace as a user sets it up: the settings file names a diary, a template whose one
// block uses every field marker, a page with a Japanese name and one target page with every
// single-entry section.
class CliTest : public testing::Test {
protected:
    void SetUp() override {
        diary = dir.Write("Diary.txt", "");
        templ = dir.Write("Template.html",
                          "<html>\r\n<!--sumirel-->\r\n<h2><!--count-->:<!--date-->|<!--weather-->|"
                          "<!--title--></h2>\r\n<!--contents--><!--end_sumirel-->\r\n</html>\r\n");
        page = dir.File(Utf8(u8"日記.html"));
        target = dir.Write("index.html",
                           "<!--date_sng--><!--/date_sng-->|<!--weather_sng--><!--/weather_sng-->|"
                           "<!--title_sng--><!--/title_sng-->\r\n"
                           "<!--contents_sng--><!--/contents_sng-->\r\n");
        WriteIni(IniText());
    }

    // The settings text; an empty diary or page name is what a cleared box of the settings
    // dialog leaves (a missing key would give the default name instead).
    std::string IniText(bool withDiary = true, bool withPage = true) const {
        return "[Files]\r\nDiaryFileName=" + (withDiary ? diary : "") +
               "\r\nHtmlFileName=" + (withPage ? Sjis(page) : "") +
               "\r\nTemplateFileName=" + templ + "\r\n[Settings]\r\nYearSep=" + Sjis(u8"年") +
               "\r\nMonSep=" + Sjis(u8"月") + "\r\nDaySep=" + Sjis(u8"日") +
               "\r\nLenStartString=<p>\r\nLenEndString=</p>\r\nOtherFiles=" + target + "<\r\n";
    }
    void WriteIni(const std::string& text) const { dir.Write(Utf8(u8"設定.ini"), text); }

    Outcome Cli(std::vector<std::string> args, std::string_view input = "") const {
        args.insert(args.begin(), {"--ini", ini});
        return RunProgram(SUMIREL_CLI, args, input);
    }

    TempDir dir;
    std::string diary, templ, page, target;
    std::string ini = dir.File(Utf8(u8"設定.ini"));
};

TEST_F(CliTest, WriteStoresJapaneseEntryInDiaryPageAndTarget) {
    const Outcome run = Cli({"write", "--date", Utf8(u8"2024年5月1日"),
                             "--weather=" + Utf8(u8"晴れ"), "--title", Utf8(u8"-3度の朝")},
                            Utf8(u8"今日は晴れ。\n散歩した。\n"));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Utf8(u8"書き込み完了\n"));
    EXPECT_EQ(run.err, "");

    const SDiary entry{Sjis(u8"2024年5月1日"), Sjis(u8"晴れ"), Sjis(u8"-3度の朝"),
                       Sjis(u8"今日は晴れ。\r\n散歩した。")};
    EXPECT_EQ(ReadBytes(diary), DiaryAfterWrite(entry));
    // The entry's fields in their markers, the contents a paragraph per line.
    EXPECT_NE(ReadBytes(page).find("<h2>0:" + entry.Date + "|" + entry.Wheather + "|" +
                                   entry.Title + "</h2>\r\n<p>" + Sjis(u8"今日は晴れ。") +
                                   "</p>\r\n<p>" + Sjis(u8"散歩した。") + "</p>\r\n"),
              std::string::npos)
        << ReadBytes(page);
    EXPECT_EQ(ReadBytes(target),
              "<!--date_sng-->" + entry.Date + "<!--/date_sng-->|" + "<!--weather_sng-->" +
                  entry.Wheather + "<!--/weather_sng-->|<!--title_sng-->" + entry.Title +
                  "<!--/title_sng-->\r\n<!--contents_sng--><p>" + Sjis(u8"今日は晴れ。") +
                  "</p>\r\n<p>" + Sjis(u8"散歩した。") + "</p>\r\n<!--/contents_sng-->\r\n");
}

TEST_F(CliTest, StandardInputBecomesContentsWithCrLf) {
    const struct {
        const char* name;
        std::string input;
        std::string contents;
    } cases[] = {
        {"echo_gives_one_line", "line\n", "line"},
        {"no_final_break", "line", "line"},
        {"final_crlf_dropped", "line\r\n", "line"},
        {"every_kind_of_break", "a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd"},
        {"only_one_final_break_dropped", "a\n\n", "a\r\n"},
        {"lone_break_gives_empty", "\n", ""},
        {"empty_written_as_given", "", ""},
        {"japanese", Utf8(u8"日記\n"), Sjis(u8"日記")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("Diary.txt", "");
        // No title either: nothing is asked, the entry is stored as given.
        const Outcome run = Cli({"write", "--date", "d"}, c.input);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadBytes(diary), DiaryAfterWrite({"d", "", "", c.contents}));
    }
}

TEST_F(CliTest, DefaultDateIsTodayWithTheSettingsSeparators) {
    const std::time_t before = std::time(nullptr);
    const Outcome run = Cli({"write", "--title", "t"}, "c");
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string stored = ReadBytes(diary);
    // Either side of a midnight that passed during the run.
    const std::string expected = JapaneseDate(before);
    const std::string alternative = JapaneseDate(after);
    EXPECT_TRUE(stored.starts_with("<Start>\r\n<Date>" + expected + "</Date>\r\n") ||
                stored.starts_with("<Start>\r\n<Date>" + alternative + "</Date>\r\n"))
        << stored;
}

TEST_F(CliTest, RebuildAfterHandEdit) {
    const SDiary edited{"2024/1/2", Sjis(u8"雪"), Sjis(u8"手で直した"), Sjis(u8"本文\r\n")};
    dir.Write("Diary.txt", Sumirel::FormatEntryBlock(edited));

    const Outcome run = Cli({"rebuild"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, Utf8(u8"再構築しました\n"));
    EXPECT_EQ(run.err, "");
    EXPECT_NE(ReadBytes(page).find("<h2>0:2024/1/2|" + edited.Wheather + "|" + edited.Title +
                                   "</h2>\r\n<p>" + Sjis(u8"本文") + "</p>\r\n"),
              std::string::npos)
        << ReadBytes(page);
    EXPECT_NE(ReadBytes(target).find("<!--title_sng-->" + edited.Title), std::string::npos);
}

TEST_F(CliTest, WriteAndRebuildWriteTheFeed) {
    const std::string feed = dir.File("atom.xml");
    const std::string feedSection = "[Feed]\r\nFileName=" + feed + "\r\n";
    WriteIni(IniText() + feedSection + "Url=https://example.org/diary/Diary.html\r\n");

    const Outcome write =
        Cli({"write", "--date", Utf8(u8"2024年5月1日"), "--title", Utf8(u8"朝")}, Utf8(u8"晴れ\n"));
    EXPECT_EQ(write.status, 0) << write.err;
    const std::string written = ReadBytes(feed);
    EXPECT_NE(written.find("<title type=\"html\">" + Utf8(u8"朝") + "</title>"), std::string::npos)
        << written;
    EXPECT_NE(written.find("<id>tag:example.org,2024-05-01:entry-"), std::string::npos);
    EXPECT_NE(written.find("<content type=\"html\">&lt;p&gt;" + Utf8(u8"晴れ") + "&lt;/p&gt;"),
              std::string::npos);

    const Outcome rebuild = Cli({"rebuild"});
    EXPECT_EQ(rebuild.status, 0) << rebuild.err;
    EXPECT_EQ(ReadBytes(feed), written);

    // Without the page's address there is no feed, and the command says why.
    WriteIni(IniText() + feedSection);
    std::filesystem::remove(feed);
    const Outcome noUrl = Cli({"rebuild"});
    EXPECT_EQ(noUrl.status, 1);
    EXPECT_EQ(noUrl.out, "");
    EXPECT_EQ(noUrl.err, Utf8(u8"フィードのUrlが設定されていません\n"
                              u8"フィードを作るには日記ページのアドレスを設定してください\n"));
    EXPECT_EQ(ReadBytes(feed), "<missing>");
}

TEST_F(CliTest, WithoutIniOptionReadsTheSettingsBesideTheProgramElseTheConfigFolder) {
    // A copy of the program in the workspace, so that its own folder holds the settings.
    const std::filesystem::path program = dir.Path() / "bin" / "sumirel-cli";
    std::filesystem::create_directory(program.parent_path());
    std::filesystem::copy_file(SUMIREL_CLI, program);
    dir.Write("Diary.txt", Sumirel::FormatEntryBlock({"d", "w", "beside", "c"}));
    // The installed program's settings name no page, so that using them shows.
    std::filesystem::create_directories(dir.Path() / "config" / "sumirel");
    const std::string installed = dir.Write("config/sumirel/sumirel.ini", IniText(true, false));
    ::setenv("XDG_CONFIG_HOME", (dir.Path() / "config").c_str(), 1);

    const Outcome fromConfig = RunProgram(program.string(), {"write"}, "c");
    EXPECT_EQ(fromConfig.status, 2);
    EXPECT_NE(fromConfig.err.find("HtmlFileName is empty in the settings file \"" + installed),
              std::string::npos)
        << fromConfig.err;

    dir.Write("bin/sumirel.ini", IniText());
    const Outcome beside = RunProgram(program.string(), {"rebuild"}, "");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(beside.status, 0) << beside.err;
    EXPECT_NE(ReadBytes(page).find("|beside</h2>"), std::string::npos);
}

TEST_F(CliTest, DamagedDiaryIsReportedWithStatusOne) {
    // A block without its "<End>": write puts the new entry above it, and the page build
    // then finds the damage below.
    const std::string damaged = "<Start>\r\n<Date>x</Date>\r\n";
    const std::string message = Utf8(
        u8"日記ファイルに<END>が見つかりませんでした\n"
        u8"破損している恐れがあります\n");
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string out;
        std::string err;
        std::string diaryAfter;
    } cases[] = {
        // The entry stays in the diary, as the window's Write leaves it, and the message
        // says how to finish.
        {"write",
         {"write", "--date", "d", "--title", "t"},
         Utf8(u8"書き込み失敗\n"),
         message + kStoredNote,
         DiaryAfterWrite({"d", "", "t", "c"}, damaged)},
        {"rebuild", {"rebuild"}, "", message, damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("Diary.txt", damaged);
        const Outcome run = Cli(c.args, "c");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(ReadBytes(diary), c.diaryAfter);
        EXPECT_EQ(ReadBytes(page), "<missing>");
    }
}

TEST_F(CliTest, MissingTemplateIsAFileErrorWithStatusTwoOnRebuild) {
    std::filesystem::remove(templ);
    const Outcome run = Cli({"rebuild"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    // The platform's message, readable: it names the file and the reason.
    EXPECT_TRUE(run.err.starts_with(Utf8(u8"ファイル \"") + templ + Utf8(u8"\" を開けません。")))
        << run.err;
    EXPECT_TRUE(run.err.ends_with("\n"));
    EXPECT_EQ(ReadBytes(page), "<missing>");
}

// A file error after the entry was stored is no "nothing changed": running write again
// would store the entry twice.
TEST_F(CliTest, FileErrorAfterTheEntryIsStoredIsStatusOne) {
    const struct {
        const char* name;
        std::function<void()> spoil;
        std::string named;
    } cases[] = {
        {"template_missing", [&] { std::filesystem::remove(templ); }, templ},
        {"page_is_a_folder", [&] { std::filesystem::create_directory(page); }, page},
        {"target_missing", [&] { std::filesystem::remove(target); }, target},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.spoil();
        const Outcome run = Cli({"write", "--date", "d", "--title", "t"}, "c");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, Utf8(u8"書き込み失敗\n"));
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_TRUE(run.err.ends_with(kStoredNote)) << run.err;
        EXPECT_EQ(ReadBytes(diary), DiaryAfterWrite({"d", "", "t", "c"}));
        std::filesystem::remove_all(page);
    }
}

TEST_F(CliTest, RepeatingTheNewestEntryNeedsForce) {
    const std::vector<std::string> args{"write", "--date", "d", "--title", "t"};
    ASSERT_EQ(Cli(args, "same\n").status, 0);
    const std::string once = ReadBytes(diary);

    const Outcome refused = Cli(args, "same\n");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadBytes(diary), once);

    std::vector<std::string> forced = args;
    forced.push_back("--force");
    EXPECT_EQ(Cli(forced, "same\n").status, 0);
    EXPECT_EQ(ReadBytes(diary), DiaryAfterWrite({"d", "", "t", "same"}, once));
    EXPECT_EQ(Cli({"rebuild", "--force"}).status, 2) << "--force belongs to write";
}

// Starts the program with standard input from /dev/null and its output discarded.
pid_t StartQuietly(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> argvText{SUMIREL_CLI};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, SUMIREL_CLI, &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST_F(CliTest, SimultaneousWritersKeepEveryEntry) {
    constexpr int kWriters = 40;
    std::vector<pid_t> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.push_back(StartQuietly(
            {"--ini", ini, "write", "--date", "d", "--title", "writer" + std::to_string(i)}));
        ASSERT_GT(writers.back(), 0);
    }
    // Each waits at most 10 seconds for the lock; a writer still running after a minute is
    // stuck and is killed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int succeeded = 0;
    for (pid_t pid : writers) {
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        succeeded += WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    EXPECT_EQ(succeeded, kWriters);
    const std::string stored = ReadBytes(diary);
    for (int i = 0; i < kWriters; ++i) {
        EXPECT_NE(stored.find("<Title>writer" + std::to_string(i) + "</Title>"), std::string::npos)
            << "entry " << i << " was lost";
    }
}

TEST_F(CliTest, WriterHoldingTheLockPastTheWaitStopsTheSecondCleanly) {
    const Sumirel::WriterLock held(diary);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"write", "--title", "t"}, std::vector<std::string>{"rebuild"}}) {
        SCOPED_TRACE(args.front());
        const Outcome run = Cli(args, "c");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("\"" + diary + "\""), std::string::npos) << run.err;
        EXPECT_EQ(ReadBytes(diary), "");
        EXPECT_EQ(ReadBytes(page), "<missing>");
    }
}

// A stop signal in the middle of a dial: the secrets file for nmcli must not stay behind
// with the password, and the dial this run started is hung up.
TEST_F(CliTest, StopSignalDuringADialRemovesTheSecretsAndHangsUp) {
    const std::string bin = dir.File("bin");
    const std::string runtime = dir.File("run");
    std::filesystem::create_directory(bin);
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    // A stand-in nmcli that records its arguments and the passwd-file it is given, and
    // whose dial never ends.
    const std::string nmcli = dir.Write("bin/nmcli", R"(#!/bin/sh
PATH=/usr/bin:/bin
dir=')" + dir.Path().string() + R"('
for a in "$@"; do printf '[%s]' "$a"; done >> "$dir/args.log"
echo >> "$dir/args.log"
prev=
for a in "$@"; do
    [ "$prev" = passwd-file ] && printf '%s' "$a" > "$dir/secrets.path"
    prev=$a
done
case "$*" in
*'connection up'*) echo $$ > "$dir/dial.pid"; exec sleep 60;;
esac
exit 0
)");
    std::filesystem::permissions(nmcli, std::filesystem::perms::owner_all);
    WriteIni(IniText() +
             "[FTP]\r\nHostName=127.0.0.1\r\nPort=9\r\nDialUp=1\r\n"
             "DialEntryName=Home\r\nDialPass=" +
             Sumirel::ScrambleText("secret") + "\r\n");
    const std::string oldPath = ::getenv("PATH") ? ::getenv("PATH") : "";
    ::setenv("PATH", bin.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const pid_t cli = StartQuietly({"--ini", ini, "upload"});
    ::setenv("PATH", oldPath.c_str(), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_GT(cli, 0);

    const auto waitFor = [](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return done();
    };
    const bool dialling = waitFor([&] { return ReadBytes(dir.File("dial.pid")) != "<missing>"; });
    const std::string secrets = ReadBytes(dir.File("secrets.path"));
    EXPECT_TRUE(dialling);
    EXPECT_EQ(std::filesystem::path(secrets).parent_path(), runtime);
    EXPECT_TRUE(std::filesystem::exists(secrets)) << "the dial has the secrets while it runs";

    ::kill(cli, SIGTERM);
    int status = 0;
    bool reaped = false;
    const bool ended =
        waitFor([&] { return reaped || (reaped = ::waitpid(cli, &status, WNOHANG) == cli); });
    if (!ended) {
        ::kill(cli, SIGKILL);
        ::waitpid(cli, &status, 0);
    }
    ASSERT_TRUE(ended) << "sumirel-cli did not end after SIGTERM";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGTERM);
    EXPECT_FALSE(std::filesystem::exists(secrets)) << "the password was left behind";
    EXPECT_TRUE(std::filesystem::is_empty(runtime));
    EXPECT_NE(ReadBytes(dir.File("args.log")).find("[connection][down][id][Home]"),
              std::string::npos)
        << ReadBytes(dir.File("args.log"));
    if (dialling) {
        const pid_t dial = std::stoi(ReadBytes(dir.File("dial.pid")));
        EXPECT_TRUE(waitFor([&] { return ::kill(dial, 0) == -1 && errno == ESRCH; }))
            << "the dial still runs";
    }
}

TEST_F(CliTest, FifoInPlaceOfAnyFileIsRefusedWithoutHanging) {
    SumirelTest::FtpServer server;
    const struct {
        const char* name;
        std::string* file;
        std::vector<std::string> args;
    } cases[] = {
        {"diary", &diary, {"write", "--title", "t"}},
        {"template", &templ, {"rebuild"}},
        {"target", &target, {"rebuild"}},
        {"settings", &ini, {"rebuild"}},
        {"file_to_upload", &target, {"upload"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        dir.Write(Utf8(u8"日記.html"), "page");
        WriteIni(IniText() + "[FTP]\r\nHostName=127.0.0.1\r\nPort=" +
                 std::to_string(server.Port()) + "\r\nID=" + Sumirel::ScrambleText("writer") +
                 "\r\nPass=" + Sumirel::ScrambleText("secret") + "\r\n");
        std::filesystem::remove(*c.file);
        ASSERT_EQ(::mkfifo(c.file->c_str(), 0600), 0) << std::strerror(errno);
        // RunProgram kills a program that runs for 30 seconds and fails the test. Run in an
        // empty folder: without readable settings the defaults name files in the current one.
        const auto startFolder = std::filesystem::current_path();
        std::filesystem::create_directories(dir.Path() / "elsewhere");
        std::filesystem::current_path(dir.Path() / "elsewhere");
        const Outcome run = Cli(c.args, "c");
        std::filesystem::current_path(startFolder);
        // The settings file is read leniently, a FIFO there giving the defaults: that it ends
        // at all is what counts here.
        if (c.file != &ini) {
            EXPECT_NE(run.status, 0);
            EXPECT_NE((run.out + run.err).find(*c.file), std::string::npos) << run.out << run.err;
        }
        std::filesystem::remove(*c.file);
    }
}

TEST_F(CliTest, RefusedRunsChangeNothing) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        std::string input;
        std::string ini;
        std::string stderrHas;
    } cases[] = {
        {"empty_diary_name", {"write", "--title", "t"}, "c", IniText(false, true), "DiaryFileName"},
        {"empty_page_name", {"write", "--title", "t"}, "c", IniText(true, false), "HtmlFileName"},
        {"input_not_utf8", {"write", "--title", "t"}, "\x93\xfa\x8bL", IniText(), "standard input"},
        {"title_not_utf8", {"write", "--title", "\x93\xfa"}, "c", IniText(), "--title"},
        {"ini_missing",
         {"--ini", "/nonexistent/sumirel.ini", "rebuild"},
         "",
         IniText(),
         "/nonexistent/sumirel.ini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.ini);
        const Outcome run = c.args.front() == "--ini" ? RunProgram(SUMIREL_CLI, c.args, c.input)
                                                      : Cli(c.args, c.input);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.stderrHas), std::string::npos) << run.err;
        EXPECT_EQ(ReadBytes(diary), "");
        EXPECT_EQ(ReadBytes(page), "<missing>");
    }
}

TEST_F(CliTest, UsageErrorsAndHelp) {
    const struct {
        const char* name;
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {"no_command", {}, 2},
        {"unknown_command", {"publish"}, 2},
        {"unknown_option", {"--verbose", "rebuild"}, 2},
        {"missing_value", {"write", "--title"}, 2},
        {"write_option_on_rebuild", {"rebuild", "--title", "x"}, 2},
        {"two_commands", {"write", "rebuild"}, 2},
        {"option_twice", {"write", "--title", "a", "--title", "b"}, 2},
        {"help", {"--help"}, 0},
        {"short_help", {"-h"}, 0},
        {"help_after_command", {"write", "--help"}, 0},
        {"version", {"--version"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // With the workspace's settings, so that a command run by mistake would show.
        const Outcome run = Cli(c.args, "c");
        EXPECT_EQ(run.status, c.status);
        if (c.args == std::vector<std::string>{"--version"}) {
            EXPECT_EQ(run.out, "sumirel-cli " SUMIREL_VERSION "\n");
        } else if (c.status == 0) {
            EXPECT_EQ(run.err, "");
            EXPECT_NE(run.out.find("Usage: sumirel-cli"), std::string::npos);
            EXPECT_NE(run.out.find("Exit status"), std::string::npos);
        } else {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find("Usage: sumirel-cli"), std::string::npos) << run.err;
        }
        EXPECT_EQ(ReadBytes(diary), "");
    }
}

}  // namespace

namespace {

TEST_F(CliTest, UploadSendsTargetsThenPageAndLogsEachStep) {
    SumirelTest::FtpServer server;
    dir.Write(Utf8(u8"日記.html"), "page");
    const auto upload = [&](const std::string& password) {
        WriteIni(IniText() + "[FTP]\r\nHostName=127.0.0.1\r\nPort=" +
                 std::to_string(server.Port()) + "\r\nID=" + Sumirel::ScrambleText("writer") +
                 "\r\nPass=" + Sumirel::ScrambleText(password) + "\r\n");
        return Cli({"upload"});
    };
    const Outcome sent = upload("secret");
    EXPECT_EQ(sent.status, 0) << sent.err;
    const std::string checked = Utf8(u8"確認: サーバー上の大きさが一致しました\n");
    EXPECT_EQ(sent.out, Utf8(u8"接続中\n接続完了\nファイル ") + target +
                            Utf8(u8" を転送中\n転送完了\n") + checked + Utf8(u8"ファイル ") + page +
                            Utf8(u8" を転送中\n転送完了\n") + checked);
    EXPECT_EQ(sent.err, "") << "no progress line without a terminal";
    EXPECT_EQ(ReadBytes((server.Root() / "index.html").string()), ReadBytes(target));
    EXPECT_EQ(ReadBytes((server.Root() / Sjis(u8"日記.html")).string()), "page");

    const Outcome refused = upload("wrong");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, Utf8(u8"接続中\n失敗\n"));
    // The reason goes where errors go: the server's reply to the password.
    EXPECT_NE(refused.err.find("530"), std::string::npos) << refused.err;

    WriteIni(IniText());
    const Outcome noHost = Cli({"upload"});
    EXPECT_EQ(noHost.status, 2);
    EXPECT_NE(noHost.err.find("HostName"), std::string::npos);
}

// The dry run shows what would go where and connects to nothing: the server sees no command,
// and a host where nothing listens is no failure.
TEST_F(CliTest, DryRunListsTheFilesAndConnectsToNothing) {
    SumirelTest::FtpServer server;
    dir.Write(Utf8(u8"日記.html"), "page");
    const auto settings = [&](int port, const std::string& protocol) {
        WriteIni(IniText() + "[FTP]\r\nHostName=127.0.0.1\r\nPort=" + std::to_string(port) +
                 "\r\nProtocol=" + protocol + "\r\nDefaultDir=site\r\n");
    };
    settings(server.Port(), "FTPES");
    const Outcome shown = Cli({"upload", "--dry-run"});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out,
              "dry run, nothing is sent: FTPES 127.0.0.1:" + std::to_string(server.Port()) +
                  ", folder site\n" + target + "\t" + std::to_string(ReadBytes(target).size()) +
                  " bytes\t-> index.html\n" + page + Utf8(u8"\t4 bytes\t-> 日記.html\n"));
    EXPECT_TRUE(server.Commands().empty());

    settings(0, "sftp");
    const Outcome sftp = Cli({"upload", "--dry-run"});
    EXPECT_EQ(sftp.status, 0) << sftp.err;
    EXPECT_EQ(sftp.out.rfind("dry run, nothing is sent: SFTP 127.0.0.1:22, folder site\n", 0), 0u);

    std::filesystem::remove(Sumirel::NativePath(page));
    const Outcome missing = Cli({"upload", "--dry-run"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("missing or unreadable"), std::string::npos);

    EXPECT_EQ(Cli({"rebuild", "--dry-run"}).status, 2) << "--dry-run belongs to upload";
    settings(21, "scp");
    const Outcome unknown = Cli({"upload", "--dry-run"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("Protocol=scp"), std::string::npos);
}

// An untrusted certificate stops the upload before the login and says how to trust it; trust
// shows it, stores it only when told its fingerprint without a terminal, and then the upload
// goes through.
TEST_F(CliTest, UntrustedCertificateThenTrust) {
    const std::string certificate = SumirelTest::Certificates().selfSigned;
    const std::string fingerprint = SumirelTest::TestCertificates::Fingerprint(certificate);
    SumirelTest::FtpServer::Options options;
    options.tlsCertificate = certificate;
    SumirelTest::FtpServer server(options);
    dir.Write(Utf8(u8"日記.html"), "page");
    WriteIni(IniText() + "[FTP]\r\nHostName=127.0.0.1\r\nPort=" + std::to_string(server.Port()) +
             "\r\nProtocol=FTPES\r\nID=" + Sumirel::ScrambleText("writer") +
             "\r\nPass=" + Sumirel::ScrambleText("secret") + "\r\n");

    const Outcome refused = Cli({"upload"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find(Utf8(u8"失敗")), std::string::npos);
    EXPECT_NE(refused.err.find("fingerprint: " + fingerprint), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find(" trust"), std::string::npos);
    for (const std::string& command : server.Commands()) {
        EXPECT_NE(command.rfind("USER", 0), 0u) << "no login before trust";
    }

    const Outcome shown = Cli({"trust"});
    EXPECT_EQ(shown.status, 1) << "not a terminal: nothing stored";
    EXPECT_NE(shown.out.find(fingerprint), std::string::npos) << shown.out;
    EXPECT_NE(shown.err.find("--fingerprint " + fingerprint), std::string::npos);

    const Outcome wrong = Cli({"trust", "--fingerprint", "AA:BB"});
    EXPECT_EQ(wrong.status, 1);

    std::string lower = fingerprint;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const Outcome stored = Cli({"trust", "--fingerprint", lower});
    EXPECT_EQ(stored.status, 0) << stored.err;
    EXPECT_EQ(Sumirel::IniFile(ini).ReadString("FTP", "Fingerprint", ""), fingerprint);
    EXPECT_EQ(Cli({"trust"}).status, 0) << "already trusted";

    const Outcome sent = Cli({"upload"});
    EXPECT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(ReadBytes((server.Root() / Sjis(u8"日記.html")).string()), "page");
}

// Protocol=SFTP through the same command: a password login to the paramiko server whose host
// key is pinned, DefaultDir relative to the login folder.
TEST_F(CliTest, UploadOverSftpWithAPassword) {
    SshTest::ParamikoSftpServer server(SshTest::ParamikoSftpServer::Options{});
    std::filesystem::create_directory(server.Root() / "site");
    // The paramiko server takes names as UTF-8, so the page has a plain name here (sshd, which
    // takes any bytes, gets Shift-JIS names in the SFTP client's own tests).
    const std::string plainPage = dir.Write("Diary.html", "page");
    std::string settings = IniText();
    settings.replace(settings.find(Sjis(page)), Sjis(page).size(), plainPage);
    WriteIni(settings + "[FTP]\r\nHostName=127.0.0.1\r\nProtocol=sftp\r\nPort=" +
             std::to_string(server.Port()) +
             "\r\nDefaultDir=site\r\nFingerprint=" + server.HostKey().fingerprint +
             "\r\nID=" + Sumirel::ScrambleText(SshTest::ParamikoSftpServer::kUser) +
             "\r\nPass=" + Sumirel::ScrambleText(SshTest::ParamikoSftpServer::kPassword) + "\r\n");
    const Outcome sent = Cli({"upload"});
    EXPECT_EQ(sent.status, 0) << sent.out << sent.err;
    EXPECT_EQ(ReadBytes((server.Root() / "site" / "Diary.html").string()), "page");
    EXPECT_NE(sent.out.find(Utf8(u8"siteへ変更\nディレクトリ変更完了\n")), std::string::npos);
}

}  // namespace

// A settings file that exists but cannot be read stops every command, naming the file: were
// it taken as empty, the default file names of the current folder would be overwritten.
TEST_F(CliTest, UnreadableSettingsFileStopsEveryCommand) {
    const std::filesystem::path work = dir.Path() / "work";
    std::filesystem::create_directory(work);
    const std::string oldDiary = "<Start>old<End>\r\n";
    const std::string workDiary = dir.Write("work/Diary.txt", oldDiary);
    const std::string folderIni = dir.File("folder.ini");
    std::filesystem::create_directory(folderIni);
    const std::string fifoIni = dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifoIni.c_str(), 0600), 0);
    std::vector<std::pair<const char*, std::string>> files = {{"a folder", folderIni},
                                                              {"a FIFO", fifoIni}};
    if (::geteuid() != 0) {  // the superuser reads a file of mode 000 all the same
        const std::string closed = dir.Write("closed.ini", "[Files]\r\n");
        ASSERT_EQ(::chmod(closed.c_str(), 0), 0);
        files.emplace_back("no read permission", closed);
    }
    const std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::current_path(work);
    for (const auto& [name, file] : files) {
        for (const char* command : {"write", "rebuild", "upload"}) {
            SCOPED_TRACE(std::string(name) + ", " + command);
            const Outcome run = RunProgram(SUMIREL_CLI, {"--ini", file, command}, "text");
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
            EXPECT_EQ(ReadBytes(workDiary), oldDiary);
            EXPECT_EQ(ReadBytes((work / "Diary.html").string()), "<missing>");
        }
    }
    std::filesystem::current_path(start);
}
