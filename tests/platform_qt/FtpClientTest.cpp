#include "platform/qt/FtpClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "support/FtpServer.h"
#include "support/TempDir.h"

// Every test talks to a real FTP server on the loopback interface (tests/support/
// ftp_server.py), started afresh for the test.

namespace {

using namespace std::chrono_literals;
using Sumirel::FtpClient;
using Sumirel::FtpError;
using SumirelTest::FtpServer;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using testing::HasSubstr;

void Connect(FtpClient& client, const FtpServer& server, const std::string& user = "writer",
             const std::string& password = "secret", const std::string& host = "127.0.0.1") {
    client.Host = host;
    client.UserID = user;
    client.Password = password;
    client.Port = server.Port();
    client.Connect();
}

// The message of the FtpError that `operation` throws; a test failure when it throws none.
std::string FtpErrorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const FtpError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no FtpError was thrown";
    return {};
}

// What the server stored under `name` (bytes, relative to its root).
std::string Stored(const FtpServer& server, const std::string& name) {
    return ReadBytes((server.Root() / name).string());
}

// Equal bytes; a difference is told by size and first differing offset, not by printing
// megabytes.
testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) {
        return testing::AssertionSuccess();
    }
    if (actual.size() + expected.size() < 200) {
        return testing::AssertionFailure() << testing::PrintToString(actual) << " instead of "
                                           << testing::PrintToString(expected);
    }
    const auto differ =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return testing::AssertionFailure()
           << actual.size() << " bytes instead of " << expected.size()
           << ", first difference at offset " << (differ.first - actual.begin());
}

// Bytes that no line-end conversion or text handling leaves alone.
std::string Noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::string EveryByteValue() {
    std::string bytes;
    for (int round = 0; round < 4; ++round) {
        for (int value = 0; value < 256; ++value) {
            bytes += static_cast<char>(value);
        }
    }
    return bytes;
}

TEST(FtpClient, FilesArriveByteForByte) {
    struct Case {
        const char* name;
        std::string remoteName;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"every byte value", "bytes.bin", EveryByteValue()},
        {"CR LF lines, which an ASCII transfer would rewrite", "crlf.html",
         "<p>a</p>\r\n<p>b</p>\r\n"},
        {"lone LF and lone CR", "mixed.txt", "a\nb\rc\r\r\nd\n"},
        {"empty file", "empty.html", ""},
        // 表 has the trail byte 0x5C, a backslash.
        {"Shift-JIS name", Sjis("日記表.html"), Sjis("今日は晴れ。\r\n")},
        {"a megabyte", "large.bin", Noise(1 << 20)},
    };
    struct Mode {
        const char* name;
        bool passive;
        bool connectLate;
    };
    // In active mode the server's data connection may come before the reply to STOR or
    // after it.
    const std::vector<Mode> modes = {
        {"passive", true, false},
        {"active, server connects at PORT", false, false},
        {"active, server connects after 150", false, true},
    };
    TempDir local;
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        FtpServer::Options options;
        options.connectLate = mode.connectLate;
        FtpServer server(options);
        FtpClient client;
        client.Options.Passive = mode.passive;
        Connect(client, server);
        for (std::size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(cases[i].name);
            const std::string path = local.Write("local" + std::to_string(i), cases[i].bytes);
            EXPECT_NO_THROW(client.Upload(path, cases[i].remoteName));
        }
        client.Disconnect();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_TRUE(SameBytes(Stored(server, c.remoteName), c.bytes));
        }
    }
}

TEST(FtpClient, ChangeDirThenUploadLandsInThatFolder) {
    struct Case {
        const char* name;
        std::string folder;  // as given to ChangeDir
        std::string where;   // below the root
    };
    const std::vector<Case> cases = {
        {"relative", "pages", "pages"},
        {"absolute, two levels", "/pages/2024", "pages/2024"},
        {"Shift-JIS name", Sjis("日記"), Sjis("日記")},
    };
    FtpServer server;
    TempDir local;
    const std::string path = local.Write("page.html", "<html></html>\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::create_directories(server.Root() / c.where);
        FtpClient client;
        Connect(client, server);
        client.ChangeDir(c.folder);
        client.Upload(path, "page.html");
        client.Disconnect();
        EXPECT_TRUE(SameBytes(Stored(server, c.where + "/page.html"), "<html></html>\r\n"));
    }
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "page.html"));
}

TEST(FtpClient, MissingFolderIsRefusedWithTheServersReply) {
    FtpServer server;
    TempDir local;
    FtpClient client;
    Connect(client, server);
    EXPECT_EQ(FtpErrorOf([&] { client.ChangeDir("missing"); }), "550 No such file or directory.");
    // A refusal leaves the connection usable, in the folder it was in.
    EXPECT_TRUE(client.IsConnected());
    client.Upload(local.Write("a.html", "a"), "a.html");
    EXPECT_TRUE(SameBytes(Stored(server, "a.html"), "a"));
}

TEST(FtpClient, RejectedLoginFailsAndLeavesNoConnection) {
    struct Case {
        const char* name;
        std::string user;
        std::string password;
    };
    const std::vector<Case> cases = {
        {"wrong password", "writer", "wrong"},
        {"unknown user", "nobody", "secret"},
    };
    FtpServer server;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpClient client;
        EXPECT_THAT(FtpErrorOf([&] { Connect(client, server, c.user, c.password); }),
                    HasSubstr("530"));
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST(FtpClient, ReadOnlyUserIsRefusedStorage) {
    FtpServer server;
    TempDir local;
    const std::string path = local.Write("a.html", "a");
    FtpClient client;
    Connect(client, server, "reader");
    // Twice: the refused transfer must leave nothing behind that trips the next one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(FtpErrorOf([&] { client.Upload(path, "a.html"); }), "550 Not enough privileges.");
    }
    EXPECT_TRUE(client.IsConnected());
    EXPECT_NO_THROW(client.ChangeDir("/"));
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "a.html"));
}

TEST(FtpClient, ServerThatCannotConnectIsNotWaitedOut) {
    FtpServer::Options options;
    options.connectLate = true;
    options.failData = true;
    FtpServer server(options);
    TempDir local;
    FtpClient client;
    client.SetStallLimit(20s);
    client.Options.Passive = false;
    Connect(client, server);
    // The server's 425, not the stall limit, ends the upload.
    EXPECT_EQ(FtpErrorOf([&] { client.Upload(local.Write("a.html", "a"), "a.html"); }),
              "425 Can't open data connection.");
    EXPECT_TRUE(client.IsConnected());
    EXPECT_NO_THROW(client.ChangeDir("/"));
}

TEST(FtpClient, ConnectFailsWithTheReason) {
    // A port that was free a moment ago, and so is closed now.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const std::int32_t closedPort = probe.serverPort();
    probe.close();

    struct Case {
        const char* name;
        std::string host;
        std::int32_t port;
        std::string reasonPart;
    };
    const std::vector<Case> cases = {
        {"closed port", "127.0.0.1", closedPort, "refused"},
        {"no host", "", 21, ""},
        {"port out of range", "127.0.0.1", 70000, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpClient client;
        client.Host = c.host;
        client.Port = c.port;
        const std::string message = FtpErrorOf([&] { client.Connect(); });
        EXPECT_THAT(message, HasSubstr(c.reasonPart));
        EXPECT_FALSE(message.empty());
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST(FtpClient, MissingLocalFileFailsAndTheConnectionGoesOn) {
    FtpServer server;
    TempDir local;
    FtpClient client;
    Connect(client, server);
    const std::string missing = local.File("missing.html");
    EXPECT_THAT(FtpErrorOf([&] { client.Upload(missing, "missing.html"); }), HasSubstr(missing));
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "missing.html"));
    client.Upload(local.Write("b.html", "b"), "b.html");
    EXPECT_TRUE(SameBytes(Stored(server, "b.html"), "b"));
}

TEST(FtpClient, LineBreaksInNamesAreRefusedBeforeSending) {
    struct Case {
        const char* name;
        std::function<void(FtpClient&, const std::string& localPath)> operation;
    };
    const std::vector<Case> cases = {
        {"remote name",
         [](FtpClient& c, const std::string& p) { c.Upload(p, "a.html\r\nDELE keep.html"); }},
        {"folder", [](FtpClient& c, const std::string&) { c.ChangeDir("x\nDELE keep.html"); }},
        {"NUL in remote name",
         [](FtpClient& c, const std::string& p) { c.Put(p, std::string("a.html\0DELE", 11)); }},
        {"NUL in folder",
         [](FtpClient& c, const std::string&) { c.ChangeDir(std::string("x\0y", 3)); }},
    };
    FtpServer server;
    TempDir local;
    const std::string path = local.Write("a.html", "a");
    std::filesystem::copy_file(path, server.Root() / "keep.html");
    FtpClient client;
    Connect(client, server);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpErrorOf([&] { c.operation(client, path); });
        EXPECT_TRUE(client.IsConnected());
    }
    client.Upload(path, "a.html");  // the dialogue is still in step
    client.Disconnect();
    EXPECT_TRUE(SameBytes(Stored(server, "keep.html"), "a"));
    EXPECT_TRUE(SameBytes(Stored(server, "a.html"), "a"));

    // Sent as it is, this password would log in and then delete the file.
    FtpClient injected;
    FtpErrorOf([&] { Connect(injected, server, "writer", "secret\r\nDELE keep.html"); });
    EXPECT_FALSE(injected.IsConnected());
    EXPECT_TRUE(SameBytes(Stored(server, "keep.html"), "a"));
    FtpClient withNul;
    FtpErrorOf([&] { Connect(withNul, server, std::string("wri\0ter", 7)); });
    EXPECT_FALSE(withNul.IsConnected());
    for (const std::string& command : server.Commands()) {
        EXPECT_EQ(command.find_first_of(std::string("\0", 1)), std::string::npos) << command;
        EXPECT_THAT(command, testing::Not(HasSubstr("DELE keep.html")));
    }
}

// Replies that keep coming without ever completing the login: the limit holds for the
// whole login, not for each reply.
TEST(FtpClient, LoginThatNeverCompletesEndsAtTheStallLimit) {
    struct Case {
        const char* name;
        bool flood;
        bool trickle;
    };
    const std::vector<Case> cases = {
        {"a flood of 120 replies", true, false},
        {"a greeting that never ends", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpServer::Options options;
        options.flood = c.flood;
        options.trickle = c.trickle;
        options.lifetimeSeconds = 30;
        FtpServer server(options);
        FtpClient client;
        client.SetStallLimit(1s);
        // Had each reply restarted the limit, the server's own end would show instead.
        EXPECT_THAT(FtpErrorOf([&] { Connect(client, server); }),
                    HasSubstr(Sjis("ログインが 1 秒以内に終わらなかった")));
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST(FtpClient, DataConnectionsCopeWithWhatTheServerRefuses) {
    struct Case {
        const char* name;
        FtpServer::Options options;
        bool passive;
        std::vector<std::string> sent;     // commands the server must have seen
        std::vector<std::string> notSent;  // and must not
        std::string notePart;              // in a note, when not empty
    };
    FtpServer::Options refusePort;
    refusePort.refusePort = true;
    FtpServer::Options refuseEpsv;
    refuseEpsv.refuseEpsv = true;
    FtpServer::Options masqueraded = refuseEpsv;
    masqueraded.masquerade = "10.9.8.7";
    FtpServer::Options refusePassive;
    refusePassive.refusePassive = true;
    const std::vector<Case> cases = {
        {"nominal: server refuses PORT, passive by default",
         refusePort,
         true,
         {"EPSV"},
         {"PORT"},
         ""},
        {"nominal: server refuses EPSV, PASV follows", refuseEpsv, true, {"PASV"}, {"PORT"}, ""},
        {"PASV names an unroutable address: the control connection's is used",
         masqueraded,
         true,
         {"PASV"},
         {"PORT"},
         "10.9.8.7"},
        {"server refuses passive: active mode, and a note says so",
         refusePassive,
         true,
         {"EPSV", "PASV", "PORT"},
         {},
         Sjis("アクティブモード")},
        {"active asked for", {}, false, {"PORT"}, {"EPSV", "PASV"}, ""},
    };
    TempDir local;
    const std::string path = local.Write("a.html", EveryByteValue());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpServer server(c.options);
        FtpClient client;
        client.Options.Passive = c.passive;
        std::vector<std::string> notes;
        client.OnNote = [&](const std::string& note) { notes.push_back(note); };
        Connect(client, server);
        // Twice: what was learnt about the server holds for the rest of the connection.
        for (const char* name : {"a.html", "b.html"}) {
            EXPECT_NO_THROW(client.Put(path, name));
            EXPECT_TRUE(SameBytes(Stored(server, name), EveryByteValue()));
        }
        client.Disconnect();
        std::string commands;
        for (const std::string& command : server.Commands()) {
            commands += command.substr(0, command.find(' ')) + "\n";
        }
        for (const std::string& command : c.sent) {
            EXPECT_THAT(commands, HasSubstr(command + "\n"));
        }
        for (const std::string& command : c.notSent) {
            EXPECT_THAT(commands, testing::Not(HasSubstr(command + "\n")));
        }
        if (!c.notePart.empty()) {
            EXPECT_THAT(notes, testing::Contains(HasSubstr(c.notePart)));
            EXPECT_EQ(notes.size(), 1u) << "one note for the connection, not one a file";
        }
    }
}

TEST(FtpClient, SilentServerFailsAtTheStallLimit) {
    FtpServer::Options options;
    options.silent = true;
    options.lifetimeSeconds = 30;
    FtpServer server(options);
    FtpClient client;
    client.SetStallLimit(1s);
    QElapsedTimer clock;
    clock.start();
    FtpErrorOf([&] { Connect(client, server); });
    // The limit ended the wait: not at once, and long before the server's own end.
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_LT(clock.elapsed(), 15000);
    EXPECT_FALSE(client.IsConnected());
}

TEST(FtpClient, MultiLineGreetingIsReadWhole) {
    FtpServer::Options options;
    // pyftpdlib sends it as "220-" + this + CR LF, then "220 ". The lines between look like
    // replies of their own but do not end the greeting.
    options.banner =
        "Welcome to the test server.\r\n"
        "230 a line that looks like another reply\r\n"
        " 220 padded, as RFC 959 asks\r\n"
        "220-still the greeting\r\n"
        "last words";
    FtpServer server(options);
    TempDir local;
    FtpClient client;
    Connect(client, server);
    client.ChangeDir("/");
    client.Upload(local.Write("a.html", "a"), "a.html");
    client.Disconnect();
    EXPECT_TRUE(SameBytes(Stored(server, "a.html"), "a"));
}

TEST(FtpClient, UploadsOverIpv6) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHostIPv6)) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    probe.close();
    FtpServer::Options options;
    options.host = "::1";
    FtpServer server(options);
    TempDir local;
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "EPSV" : "EPRT, not PORT");
        FtpClient client;
        client.Options.Passive = passive;
        Connect(client, server, "writer", "secret", "::1");
        client.Upload(local.Write("a.bin", EveryByteValue()), "a.bin");
        client.Disconnect();
        EXPECT_TRUE(SameBytes(Stored(server, "a.bin"), EveryByteValue()));
    }
}

TEST(FtpClient, DisconnectWithoutConnectionDoesNothing) {
    FtpClient client;
    EXPECT_NO_THROW(client.Disconnect());
    EXPECT_FALSE(client.IsConnected());

    FtpServer server;
    Connect(client, server);
    EXPECT_TRUE(client.IsConnected());
    client.Disconnect();
    EXPECT_FALSE(client.IsConnected());
    EXPECT_NO_THROW(client.Disconnect());
    FtpErrorOf([&] { client.ChangeDir("/"); });
}

// 2 MiB read by the server at 256 KiB/s: some seconds of upload.
constexpr int kThrottle = 256 * 1024;
const std::string& SlowFile() {
    static const std::string bytes = Noise(2 * 1024 * 1024);
    return bytes;
}

TEST(FtpClient, SlowUploadKeepsEventsFlowingAndOutlastsTheStallLimit) {
    FtpServer::Options options;
    options.throttle = kThrottle;
    FtpServer server(options);
    TempDir local;
    const std::string path = local.Write("slow.bin", SlowFile());
    FtpClient client;
    // Longer than the server's pauses (pyftpdlib reads in bursts, up to 2 s apart), shorter
    // than the whole upload: only a timer that restarts whenever data moves lets it through.
    constexpr auto kLimit = 3500ms;
    client.SetStallLimit(kLimit);
    Connect(client, server);

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    bool posted = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { posted = true; }, Qt::QueuedConnection);

    QElapsedTimer clock;
    clock.start();
    EXPECT_NO_THROW(client.Upload(path, "slow.bin"));
    const auto elapsed = std::chrono::milliseconds(clock.elapsed());
    client.Disconnect();

    EXPECT_GT(elapsed, kLimit) << "the upload was too quick to show anything";
    EXPECT_TRUE(posted);
    EXPECT_GT(ticks, 10);
    EXPECT_TRUE(SameBytes(Stored(server, "slow.bin"), SlowFile()));
}

TEST(FtpClient, DisconnectFromAHandlerEndsTheUploadUnderWay) {
    FtpServer::Options options;
    options.throttle = kThrottle;
    FtpServer server(options);
    TempDir local;
    const std::string path = local.Write("slow.bin", SlowFile());
    FtpClient client;
    Connect(client, server);

    std::string nestedError;
    QTimer::singleShot(300ms, [&] {
        // A second dialogue cannot start inside the first.
        nestedError = FtpErrorOf([&] { client.ChangeDir("/"); });
        client.Disconnect();
    });
    FtpErrorOf([&] { client.Upload(path, "slow.bin"); });
    EXPECT_FALSE(nestedError.empty());
    EXPECT_FALSE(client.IsConnected());
    EXPECT_NO_THROW(client.Disconnect());

    // The client is whole: it connects and uploads again.
    Connect(client, server);
    client.Upload(local.Write("a.html", "a"), "a.html");
    client.Disconnect();
    EXPECT_TRUE(SameBytes(Stored(server, "a.html"), "a"));
}

// A figure for the record, not a check of speed: the time to store 5 MB on loopback.
TEST(FtpClient, FiveMegabytesOnLoopback) {
    FtpServer server;
    TempDir local;
    const std::string bytes = Noise(5 * 1024 * 1024);
    const std::string path = local.Write("five.bin", bytes);
    FtpClient client;
    QElapsedTimer clock;
    clock.start();
    Connect(client, server);
    const qint64 connected = clock.elapsed();
    client.Upload(path, "five.bin");
    const qint64 uploaded = clock.elapsed();
    client.Disconnect();
    const qint64 total = clock.elapsed();
    EXPECT_TRUE(SameBytes(Stored(server, "five.bin"), bytes));

    RecordProperty("upload_ms", std::to_string(uploaded - connected));
    std::cout << "5 MiB on loopback: connect " << connected << " ms, upload "
              << uploaded - connected << " ms, total with QUIT " << total << " ms\n";
}

}  // namespace
