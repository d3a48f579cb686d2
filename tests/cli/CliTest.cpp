// sumirel-cli end to end: the real program run on a temporary workspace, its standard input
// fed and its two output streams captured separately.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "diary/DiaryFile.h"
#include "settings/Scramble.h"
#include "support/FtpServer.h"
#include "support/TempDir.h"

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
        std::string diaryAfter;
    } cases[] = {
        // The entry stays in the diary, as the window's Write leaves it.
        {"write",
         {"write", "--date", "d", "--title", "t"},
         Utf8(u8"書き込み失敗\n"),
         DiaryAfterWrite({"d", "", "t", "c"}, damaged)},
        {"rebuild", {"rebuild"}, "", damaged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dir.Write("Diary.txt", damaged);
        const Outcome run = Cli(c.args, "c");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(ReadBytes(diary), c.diaryAfter);
        EXPECT_EQ(ReadBytes(page), "<missing>");
    }
}

TEST_F(CliTest, MissingTemplateIsAFileErrorWithStatusTwo) {
    std::filesystem::remove(templ);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"rebuild"}, std::vector<std::string>{"write", "--title", "t"}}) {
        SCOPED_TRACE(args.front());
        const Outcome run = Cli(args, "c");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        // The platform's message, readable: it names the file and the reason.
        EXPECT_TRUE(
            run.err.starts_with(Utf8(u8"ファイル \"") + templ + Utf8(u8"\" を開けません。")))
            << run.err;
        EXPECT_TRUE(run.err.ends_with("\n"));
        EXPECT_EQ(ReadBytes(page), "<missing>");
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
    EXPECT_EQ(sent.out, Utf8(u8"接続中\n接続完了\nファイル ") + target +
                            Utf8(u8" を転送中\n転送完了\nファイル ") + page +
                            Utf8(u8" を転送中\n転送完了\n"));
    EXPECT_EQ(ReadBytes((server.Root() / "index.html").string()), ReadBytes(target));
    EXPECT_EQ(ReadBytes((server.Root() / Sjis(u8"日記.html")).string()), "page");

    const Outcome refused = upload("wrong");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, Utf8(u8"接続中\n失敗\n"));

    WriteIni(IniText());
    const Outcome noHost = Cli({"upload"});
    EXPECT_EQ(noHost.status, 2);
    EXPECT_NE(noHost.err.find("HostName"), std::string::npos);
}

}  // namespace
