// The NetworkManager dial-up facility, against a stand-in nmcli: a shell script in a
// temporary folder that alone makes up PATH, so the real nmcli is never reached. The script
// records its arguments (and the path, mode and content of a passwd-file it is handed) and
// answers as the case at hand needs.

#include "platform/qt/NmcliDialUp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace {

using Sumirel::DialUp;
using Sumirel::DialUpError;
using Sumirel::NmcliDialUp;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using ::testing::HasSubstr;
using ::testing::Not;

// Runs the event loop until `done` holds or the time is up; tells whether it holds.
bool WaitUntil(const std::function<bool()>& done, int limitMs = 5000) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    poll.start(10);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

void Replace(std::string& text, const std::string& placeholder, const std::string& value) {
    text.replace(text.find(placeholder), placeholder.size(), value);
}

bool ProcessGone(pid_t pid) {
    return ::kill(pid, 0) == -1 && errno == ESRCH;
}

struct NmcliAnswers {
    std::string listExit = "0";
    std::string dial = "exit 0";  // shell text run for `connection up`
};

class NmcliDialUpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // QProcess reports through the event loop, which needs an application object.
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "platform_qt_tests";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);
        }
    }

    void SetUp() override {
        oldPath_ = qgetenv("PATH");
        oldRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        std::filesystem::create_directory(bin_);
        qputenv("PATH", QByteArray::fromStdString(bin_));
        std::filesystem::create_directory(runtime_);
        std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_));
    }
    void TearDown() override {
        qputenv("PATH", oldPath_);
        qputenv("XDG_RUNTIME_DIR", oldRuntime_);
    }

    void InstallNmcli(const NmcliAnswers& answers = {}) const {
        std::string script = R"(#!/bin/sh
PATH=/usr/bin:/bin
dir='@DIR@'
for a in "$@"; do printf '[%s]' "$a"; done >> "$dir/args.log"
echo >> "$dir/args.log"
prev=
for a in "$@"; do
    if [ "$prev" = passwd-file ]; then
        printf '%s' "$a" > "$dir/secrets.path"
        stat -c %a "$a" > "$dir/secrets.mode"
        cat "$a" > "$dir/secrets.txt"
    fi
    prev=$a
done
case "$*" in
*'connection show'*)
    cat <<'EOF'
Home DSL
Office\:VPN
C\\dial
モバイル
EOF
    exit @LIST_EXIT@;;
*'connection up'*)
    echo $$ > "$dir/dial.pid"
    @DIAL@;;
esac
exit 0
)";
        Replace(script, "@DIR@", temp_.Path().string());
        Replace(script, "@LIST_EXIT@", answers.listExit);
        Replace(script, "@DIAL@", answers.dial);
        const std::string path = temp_.Write("bin/nmcli", script);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }

    std::string Args() const { return ReadBytes(temp_.File("args.log")); }
    std::string Recorded(const char* name) const { return ReadBytes(temp_.File(name)); }
    bool Exists(const char* name) const { return std::filesystem::exists(temp_.File(name)); }
    pid_t DialPid() const { return std::stoi(Recorded("dial.pid")); }
    int CountInArgs(const std::string& text) const {
        const std::string args = Args();
        int count = 0;
        for (auto at = args.find(text); at != std::string::npos; at = args.find(text, at + 1)) {
            ++count;
        }
        return count;
    }

    SumirelTest::TempDir temp_;
    const std::string bin_ = temp_.File("bin");
    const std::string runtime_ = temp_.File("run");
    QByteArray oldPath_;
    QByteArray oldRuntime_;
};

// Counts the Connected notifications of one dial-up object.
struct ConnectedCounter {
    explicit ConnectedCounter(DialUp& dialUp) {
        QObject::connect(&dialUp, &DialUp::Connected, [this] { ++count; });
    }
    int count = 0;
};

TEST_F(NmcliDialUpTest, EntriesAreTheProfileNamesInShiftJis) {
    InstallNmcli();
    NmcliDialUp dialUp;
    EXPECT_EQ(dialUp.Entries(),
              (std::vector<std::string>{"Home DSL", "Office:VPN", "C\\dial", Sjis("モバイル")}));
    EXPECT_EQ(Args(), "[-t][-f][NAME][connection][show]\n");
}

TEST_F(NmcliDialUpTest, NoEntriesWithoutNetworkManager) {
    {
        SCOPED_TRACE("nmcli exits with an error (NetworkManager is not running)");
        InstallNmcli({.listExit = "8"});
        EXPECT_TRUE(NmcliDialUp().Entries().empty());
    }
    {
        SCOPED_TRACE("no nmcli on PATH");
        std::filesystem::remove(temp_.File("bin/nmcli"));
        EXPECT_TRUE(NmcliDialUp().Entries().empty());
    }
}

TEST_F(NmcliDialUpTest, ADialThatCannotStartThrowsAndLeavesNothingToHangUp) {
    struct Case {
        const char* name;
        bool nmcli;
        std::string entry;
        std::string password;
    };
    const Case cases[] = {
        {"no nmcli on PATH", false, "Home DSL", ""},
        {"no entry chosen", true, "", ""},
        {"a line break in the password", true, "Home DSL", "secret\nvpn.secrets.x:y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(temp_.File("args.log"));
        if (c.nmcli) {
            InstallNmcli();
        } else {
            std::filesystem::remove(temp_.File("bin/nmcli"));
        }
        {
            NmcliDialUp dialUp;
            dialUp.EntryName = c.entry;
            dialUp.Password = c.password;
            EXPECT_THROW(dialUp.Connect(), DialUpError);
            dialUp.DisConnect();
        }
        EXPECT_FALSE(Exists("args.log")) << Args();
    }
}

TEST_F(NmcliDialUpTest, ASuccessfulDialIsReportedOnceFromTheEventLoopAndHungUpOnRequest) {
    InstallNmcli({.dial = "exit 0"});
    NmcliDialUp dialUp;
    ConnectedCounter connected(dialUp);
    dialUp.EntryName = Sjis("モバイル");

    dialUp.Connect();
    EXPECT_EQ(connected.count, 0) << "reported from inside Connect";
    ASSERT_TRUE(WaitUntil([&] { return connected.count > 0; }));
    EXPECT_FALSE(WaitUntil([&] { return connected.count > 1; }, 300));
    EXPECT_EQ(Args(), "[connection][up][id][モバイル]\n");

    dialUp.DisConnect();
    ASSERT_TRUE(WaitUntil([&] { return CountInArgs("[connection][down][id][モバイル]") == 1; }))
        << Args();
}

TEST_F(NmcliDialUpTest, CredentialsReachNmcliOnlyInAPrivateFileThatIsGoneAfterTheDial) {
    struct Case {
        const char* name;
        std::string userName;
        std::string dial;
        std::string expectedFile;
        int expectedConnected;
    };
    const std::string password = "pa:ss ワード";  // UTF-8 in the file, with a colon and a blank
    const std::string passwordLines = "pppoe.password:" + password + "\ngsm.password:" + password +
                                      "\ncdma.password:" + password +
                                      "\n802-1x.password:" + password +
                                      "\nvpn.secrets.password:" + password + "\n";
    const Case cases[] = {
        {"user name and password, the dial connects", Sjis("ユーザー"), "exit 0",
         "pppoe.username:ユーザー\n802-1x.identity:ユーザー\n" + passwordLines, 1},
        {"password only, the dial fails", "", "echo 'Error: activation failed' >&2; exit 4",
         passwordLines, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(temp_.File("args.log"));
        InstallNmcli({.dial = c.dial});
        NmcliDialUp dialUp;
        ConnectedCounter connected(dialUp);
        dialUp.EntryName = "Home DSL";
        dialUp.UserName = c.userName;
        dialUp.Password = Sjis(password);

        dialUp.Connect();
        ASSERT_TRUE(WaitUntil([&] { return Exists("secrets.path"); }));
        const std::string secretsPath = Recorded("secrets.path");
        EXPECT_EQ(std::filesystem::path(secretsPath).parent_path(), runtime_);
        // The file goes once the dial has ended, and the dial's outcome is known by then.
        ASSERT_TRUE(WaitUntil([&] { return !std::filesystem::exists(secretsPath); }));
        EXPECT_EQ(connected.count, c.expectedConnected);

        EXPECT_EQ(Recorded("secrets.mode"), "600\n");
        EXPECT_EQ(Recorded("secrets.txt"), c.expectedFile);
        EXPECT_EQ(Args(), "[connection][up][id][Home DSL][passwd-file][" + secretsPath + "]\n");
        EXPECT_THAT(Args(), Not(HasSubstr("pa:ss")));
        EXPECT_THAT(Args(), Not(HasSubstr("ユーザー")));
        std::filesystem::remove(temp_.File("secrets.path"));
    }
}

TEST_F(NmcliDialUpTest, HangingUpWhileDiallingKillsTheDialAndTakesTheProfileDown) {
    InstallNmcli({.dial = "exec sleep 30"});
    NmcliDialUp dialUp;
    ConnectedCounter connected(dialUp);
    dialUp.EntryName = "Home DSL";
    dialUp.Password = "secret";
    dialUp.Connect();
    ASSERT_TRUE(WaitUntil([&] { return Exists("dial.pid") && Exists("secrets.path"); }));
    const pid_t dial = DialPid();
    const std::string secretsPath = Recorded("secrets.path");

    dialUp.DisConnect();
    EXPECT_TRUE(WaitUntil([&] { return ProcessGone(dial); }));
    EXPECT_FALSE(std::filesystem::exists(secretsPath));
    ASSERT_TRUE(WaitUntil([&] { return CountInArgs("[connection][down][id][Home DSL]") == 1; }))
        << Args();
    EXPECT_EQ(connected.count, 0);

    // Hung up already: a second request has nothing to do.
    dialUp.DisConnect();
    EXPECT_FALSE(WaitUntil([&] { return CountInArgs("[down]") > 1; }, 300)) << Args();
}

TEST_F(NmcliDialUpTest, DestroyingTheObjectWhileDiallingLeavesNoProcessFileOrDialBehind) {
    InstallNmcli({.dial = "exec sleep 30"});
    auto dialUp = Sumirel::CreateSystemDialUp();
    dialUp->EntryName = "Home DSL";
    dialUp->UserName = "user";
    dialUp->Connect();
    ASSERT_TRUE(WaitUntil([&] { return Exists("dial.pid") && Exists("secrets.path"); }));
    const pid_t dial = DialPid();
    const std::string secretsPath = Recorded("secrets.path");

    dialUp.reset();
    EXPECT_TRUE(ProcessGone(dial));
    EXPECT_FALSE(std::filesystem::exists(secretsPath));
    EXPECT_EQ(CountInArgs("[connection][down][id][Home DSL]"), 1) << Args();
}

}  // namespace
