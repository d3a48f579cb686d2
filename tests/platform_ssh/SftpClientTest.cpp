#include "platform/ssh/SftpClient.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SshServers.h"
#include "support/TempDir.h"

// Every test talks to a real server on the loopback interface, started afresh for the test:
// OpenSSH's sshd for key logins and most uploads, a paramiko server for passwords.

namespace {

using namespace std::chrono_literals;
using Kind = Sumirel::UploadError::Kind;
using SshTest::CurrentUser;
using SshTest::KeyPair;
using SshTest::MakeKey;
using SshTest::OpenSshServer;
using SshTest::ParamikoSftpServer;
using Sumirel::CheckResult;
using Sumirel::ServerIdentity;
using Sumirel::SftpClient;
using Sumirel::UploadError;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using testing::HasSubstr;
namespace fs = std::filesystem;

struct Caught {
    Kind kind;
    std::string message;
};

// The UploadError that `operation` throws; nothing when it throws none.
std::optional<Caught> ErrorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const UploadError& error) {
        return Caught{error.GetKind(), error.what()};
    }
    return std::nullopt;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Bytes that no text handling leaves alone, `size` of them.
std::string Binary(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7919 + i / 251) & 0xff);
    }
    return bytes;
}

// A known_hosts line for the test servers' host and port.
std::string KnownHostsLine(int port, const KeyPair& key) {
    return "[127.0.0.1]:" + std::to_string(port) + " " + key.publicLine + "\n";
}

int CountOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The client's SSH folder with its key, and a server that lets that key in.
class OpenSshTest : public testing::Test {
protected:
    TempDir home;
    KeyPair clientKey = MakeKey(home.File("id_ed25519"));
    std::unique_ptr<OpenSshServer> server;
    SftpClient client;

    void Start(OpenSshServer::Options options = {}) {
        if (options.authorizedKeys.empty()) {
            options.authorizedKeys = clientKey.publicLine + "\n";
        }
        server = std::make_unique<OpenSshServer>(options);
        client.Options.Host = "127.0.0.1";
        client.Options.Port = server->Port();
        client.Options.UserID = CurrentUser();
        client.Options.SshFolder = home.Path().string();
        client.Options.Fingerprint = server->HostKey().fingerprint;
        client.Options.StallLimit = 20s;
    }

    fs::path Root() const { return fs::canonical(server->Root()); }
};

TEST_F(OpenSshTest, KeyLoginSendsUnderATemporaryNameAndRenamesIntoPlace) {
    Start();
    fs::create_directory(server->Root() / "site");
    const std::string first = Binary(300 * 1024 + 7);
    const std::string local = home.Write("page.html", first);
    const fs::path site = server->Root() / "site";
    std::vector<std::int64_t> progress;
    std::vector<std::string> notes;
    client.OnProgress = [&](std::int64_t sent) { progress.push_back(sent); };
    client.OnNote = [&](const std::string& note) { notes.push_back(note); };

    client.Connect();
    ASSERT_TRUE(client.IsConnected());
    EXPECT_EQ(client.CurrentFolder(), Root().string()) << "the login folder";
    EXPECT_THAT(notes, testing::ElementsAre(HasSubstr(Sjis("鍵 id_ed25519"))));
    client.ChangeDir("site");
    const Sumirel::PutResult result = client.Put(local, "Diary.html");

    EXPECT_EQ(result.Check, CheckResult::Size);
    EXPECT_FALSE(result.StoredInPlace);
    EXPECT_TRUE(ReadBytes((site / "Diary.html").string()) == first);
    EXPECT_THAT(Names(site), testing::ElementsAre("Diary.html"));
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), static_cast<std::int64_t>(first.size()));
    EXPECT_EQ(std::count(progress.begin(), progress.end(), progress.back()), 1);

    // A second upload replaces the page by a rename: a new file, never the old one rewritten.
    struct stat before {};
    ::stat((site / "Diary.html").c_str(), &before);
    const std::string second = "<html>new</html>";
    client.Put(home.Write("page.html", second), "Diary.html");
    struct stat after {};
    ::stat((site / "Diary.html").c_str(), &after);
    EXPECT_EQ(ReadBytes((site / "Diary.html").string()), second);
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_THAT(Names(site), testing::ElementsAre("Diary.html"));
    EXPECT_THAT(notes, testing::SizeIs(1)) << "posix-rename needs no removal";

    // Japanese names travel as the Shift-JIS bytes the settings hold, local ones converted.
    const std::string japanese = Sjis("日記.html");
    home.Write("ローカル.html", "sjis");
    client.Put(home.Path().string() + "/" + Sjis("ローカル.html"), japanese);
    EXPECT_EQ(ReadBytes((site / japanese).string()), "sjis");
    client.Disconnect();
    EXPECT_FALSE(client.IsConnected());
}

enum class KnownHosts { None, ThisKey, ThisKeyWithoutPort, OtherKey };
enum class Pin { None, ThisKey, OtherKey };
enum class Answer { Unset, No, Yes };

struct TrustCase {
    const char* name;
    KnownHosts knownHosts;
    Pin pin;
    Answer answer;
    bool connects;
    bool asked;
    bool changed;
};

TEST_F(OpenSshTest, HostKeyIsTrustedBeforeAnyAuthentication) {
    const TrustCase cases[] = {
        {"unknown: no question handler", KnownHosts::None, Pin::None, Answer::Unset, false, false,
         false},
        {"unknown: the user refuses", KnownHosts::None, Pin::None, Answer::No, false, true, false},
        {"unknown: the user accepts", KnownHosts::None, Pin::None, Answer::Yes, true, true, false},
        {"unknown: known_hosts names port 22 only", KnownHosts::ThisKeyWithoutPort, Pin::None,
         Answer::No, false, true, false},
        {"pinned", KnownHosts::None, Pin::ThisKey, Answer::No, true, false, false},
        {"known_hosts with [host]:port", KnownHosts::ThisKey, Pin::None, Answer::No, true, false,
         false},
        {"changed: known_hosts holds another key", KnownHosts::OtherKey, Pin::None, Answer::Yes,
         false, false, true},
        {"changed: another key pinned", KnownHosts::None, Pin::OtherKey, Answer::Yes, false, false,
         true},
    };
    const KeyPair other = MakeKey(home.File("other_host_key"));
    for (const TrustCase& c : cases) {
        SCOPED_TRACE(c.name);
        client.OnUntrustedIdentity = nullptr;
        Start();
        const KeyPair& hostKey = server->HostKey();
        std::string knownHosts;
        switch (c.knownHosts) {
            case KnownHosts::None:
                break;
            case KnownHosts::ThisKey:
                knownHosts = KnownHostsLine(server->Port(), hostKey);
                break;
            case KnownHosts::ThisKeyWithoutPort:
                knownHosts = "127.0.0.1 " + hostKey.publicLine + "\n";
                break;
            case KnownHosts::OtherKey:
                knownHosts = KnownHostsLine(server->Port(), other);
                break;
        }
        home.Write("known_hosts", knownHosts);
        client.Options.Fingerprint = c.pin == Pin::ThisKey    ? hostKey.fingerprint
                                     : c.pin == Pin::OtherKey ? other.fingerprint
                                                              : "";

        const ServerIdentity fetched = client.FetchIdentity();
        EXPECT_EQ(fetched.Fingerprint, hostKey.fingerprint);
        EXPECT_EQ(fetched.Changed, c.changed);
        EXPECT_FALSE(client.IsConnected());

        std::vector<ServerIdentity> asked;
        if (c.answer != Answer::Unset) {
            client.OnUntrustedIdentity = [&](const ServerIdentity& identity) {
                asked.push_back(identity);
                return c.answer == Answer::Yes;
            };
        }
        const std::optional<Caught> error = ErrorOf([&] { client.Connect(); });
        EXPECT_EQ(client.IsConnected(), c.connects);
        EXPECT_EQ(asked.size(), c.asked ? 1u : 0u);
        if (!asked.empty()) {
            EXPECT_EQ(asked[0].Fingerprint, hostKey.fingerprint);
            EXPECT_THAT(asked[0].Description, HasSubstr("ssh-ed25519"));
            EXPECT_FALSE(asked[0].Changed);
        }
        if (c.connects) {
            EXPECT_FALSE(error.has_value()) << error->message;
            EXPECT_TRUE(server->WaitForLog("Accepted publickey"));
        } else {
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(error->kind, Kind::Trust);
            EXPECT_THAT(error->message, HasSubstr(hostKey.fingerprint));
            EXPECT_EQ(error->message.find(Sjis("変わりました")) != std::string::npos, c.changed);
            // Both connections ended before the server heard of any user.
            const std::string closed = "Connection closed by 127.0.0.1";
            EXPECT_TRUE(server->WaitForLog(closed));
            for (int i = 0; i < 250 && CountOf(server->Log(), closed) < 2; ++i) {
                usleep(20000);
            }
            EXPECT_EQ(CountOf(server->Log(), closed), 2) << server->Log();
            EXPECT_THAT(server->Log(), testing::Not(HasSubstr("userauth-request")));
        }
        client.Disconnect();
    }
}

struct KeyCase {
    const char* name;
    const char* file;
    const char* type;
    const char* passphrase;
    const char* password;
    bool logsIn;
};

TEST(OpenSshLogin, TriesTheDefaultKeys) {
    const KeyCase cases[] = {
        {"nominal: ed25519", "id_ed25519", "ed25519", "", "", true},
        {"nominal: ecdsa", "id_ecdsa", "ecdsa", "", "", true},
        {"nominal: rsa, encrypted, the password is its passphrase", "id_rsa", "rsa", "pass word",
         "pass word", true},
        {"refused: encrypted, no password", "id_ed25519", "ed25519", "pass", "", false},
        {"refused: encrypted, another password", "id_ed25519", "ed25519", "pass", "wrong", false},
        {"refused: not a default name", "my_key", "ed25519", "", "", false},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home;
        const KeyPair key = MakeKey(home.File(c.file), c.type, c.passphrase);
        OpenSshServer::Options options;
        options.authorizedKeys = key.publicLine + "\n";
        OpenSshServer server(options);
        SftpClient client;
        client.Options.Host = "127.0.0.1";
        client.Options.Port = server.Port();
        client.Options.UserID = CurrentUser();
        client.Options.Password = c.password;
        client.Options.SshFolder = home.Path().string();
        client.Options.Fingerprint = server.HostKey().fingerprint;
        const std::optional<Caught> error = ErrorOf([&] { client.Connect(); });
        EXPECT_EQ(client.IsConnected(), c.logsIn);
        if (c.logsIn) {
            EXPECT_FALSE(error.has_value()) << error->message;
        } else {
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(error->kind, Kind::Final);
            EXPECT_THAT(error->message, HasSubstr(Sjis("ログインできません")));
        }
    }
}

TEST_F(OpenSshTest, ChangeDirIsRelativeToTheCurrentFolderUnlessAbsolute) {
    Start();
    fs::create_directories(server->Root() / "a" / "b");
    home.Write("x", "");
    fs::copy_file(home.File("x"), server->Root() / "file.txt");
    client.Connect();
    client.ChangeDir("a");
    client.ChangeDir("b");
    EXPECT_EQ(client.CurrentFolder(), (Root() / "a" / "b").string());
    client.ChangeDir("..");
    EXPECT_EQ(client.CurrentFolder(), (Root() / "a").string());
    client.ChangeDir((Root() / "a" / "b").string());
    EXPECT_EQ(client.CurrentFolder(), (Root() / "a" / "b").string());
    client.ChangeDir(Root().string());

    for (const char* folder : {"missing", "file.txt"}) {
        SCOPED_TRACE(folder);
        const std::optional<Caught> error = ErrorOf([&] { client.ChangeDir(folder); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->kind, Kind::Final);
        EXPECT_THAT(error->message, HasSubstr(folder));
        EXPECT_EQ(client.CurrentFolder(), Root().string()) << "the folder stays";
        EXPECT_TRUE(client.IsConnected());
    }
}

struct FailedPutCase {
    const char* name;
    long fileSizeLimit;
    std::function<std::string(const TempDir& home, const fs::path& root)> prepare;  // local file
    const char* reason;  // a part of the message
};

TEST_F(OpenSshTest, AFailedPutLeavesNoTemporaryFileAndKeepsTheOldPage) {
    const FailedPutCase cases[] = {
        {"the server's disk fills up in the middle", 256 * 1024,
         [](const TempDir& home, const fs::path&) {
             return home.Write("page.html", Binary(2 * 1024 * 1024));
         },
         "page.html"},
        {"a folder holds the page's name", 0,
         [](const TempDir& home, const fs::path& root) {
             fs::remove(root / "page.html");
             fs::create_directory(root / "page.html");
             return home.Write("page.html", "new");
         },
         "page.html"},
        {"the local file is a FIFO", 0,
         [](const TempDir& home, const fs::path&) {
             ::mkfifo(home.File("fifo").c_str(), 0600);
             return home.File("fifo");
         },
         "fifo"},
        {"the local file is missing", 0,
         [](const TempDir& home, const fs::path&) { return home.File("missing.html"); },
         "missing.html"},
    };
    for (const FailedPutCase& c : cases) {
        SCOPED_TRACE(c.name);
        OpenSshServer::Options options;
        options.fileSizeLimit = c.fileSizeLimit;
        Start(options);
        home.Write("old", "old page");
        fs::copy_file(home.File("old"), server->Root() / "page.html");
        const std::string local = c.prepare(home, server->Root());
        client.Connect();
        const std::optional<Caught> error = ErrorOf([&] { client.Put(local, "page.html"); });
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->kind, Kind::Final);
        EXPECT_THAT(error->message, HasSubstr(c.reason));
        EXPECT_THAT(Names(server->Root()), testing::ElementsAre("page.html"));
        if (fs::is_regular_file(server->Root() / "page.html")) {
            EXPECT_EQ(ReadBytes((server->Root() / "page.html").string()), "old page");
        }
        EXPECT_TRUE(client.IsConnected()) << "a refused file does not end the connection";
        client.Disconnect();
    }
}

TEST(SftpStall, AServerThatNeverSpeaksFailsAfterTheStallLimitWhileEventsRun) {
    // Accepts connections in the kernel's backlog and never answers.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    SftpClient client;
    client.Options.Host = "127.0.0.1";
    client.Options.Port = ntohs(address.sin_port);
    client.Options.StallLimit = 1s;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    const std::optional<Caught> error = ErrorOf([&] { client.Connect(); });
    ::close(listener);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, Kind::Transient);
    EXPECT_THAT(error->message, HasSubstr(Sjis("止まった")));
    EXPECT_GT(ticks, 0) << "window events ran during the wait";
    EXPECT_FALSE(client.IsConnected());
}

struct PasswordCase {
    const char* name;
    const char* auth;  // what the server offers
    const char* password;
    const char* method;  // a part of the note, or nullptr when the login fails
};

TEST(ParamikoLogin, PasswordAndKeyboardInteractive) {
    const PasswordCase cases[] = {
        {"nominal: password", "password", ParamikoSftpServer::kPassword, "パスワード"},
        {"nominal: keyboard-interactive", "interactive", ParamikoSftpServer::kPassword,
         "キーボード対話"},
        {"refused: wrong password, both methods tried", "both", "wrong", nullptr},
        {"refused: no password and no key", "both", "", nullptr},
    };
    for (const PasswordCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir home;
        ParamikoSftpServer::Options options;
        options.auth = c.auth;
        ParamikoSftpServer server(options);
        SftpClient client;
        client.Options.Host = "127.0.0.1";
        client.Options.Port = server.Port();
        client.Options.UserID = ParamikoSftpServer::kUser;
        client.Options.Password = c.password;
        client.Options.SshFolder = home.Path().string();
        client.Options.Fingerprint = server.HostKey().fingerprint;
        std::vector<std::string> notes;
        client.OnNote = [&](const std::string& note) { notes.push_back(note); };
        const std::optional<Caught> error = ErrorOf([&] { client.Connect(); });
        if (c.method != nullptr) {
            EXPECT_FALSE(error.has_value()) << error->message;
            EXPECT_TRUE(client.IsConnected());
            EXPECT_THAT(notes, testing::ElementsAre(HasSubstr(Sjis(c.method))));
            EXPECT_EQ(client.CurrentFolder(), "/");
        } else {
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(error->kind, Kind::Final);
            EXPECT_FALSE(client.IsConnected());
        }
        if (std::string(c.name).find("both methods") != std::string::npos) {
            EXPECT_THAT(server.Log(), HasSubstr("auth password writer"));
            EXPECT_THAT(server.Log(), HasSubstr("auth keyboard-interactive writer"));
        }
    }
}

class ParamikoTest : public testing::Test {
protected:
    TempDir home;
    SftpClient client;

    void Connect(const ParamikoSftpServer& server) {
        client.Options.Host = "127.0.0.1";
        client.Options.Port = server.Port();
        client.Options.UserID = ParamikoSftpServer::kUser;
        client.Options.Password = ParamikoSftpServer::kPassword;
        client.Options.SshFolder = home.Path().string();
        client.Options.Fingerprint = server.HostKey().fingerprint;
        client.Connect();
    }
};

TEST_F(ParamikoTest, WithoutPosixRenameTheOldFileIsRemovedFirst) {
    ParamikoSftpServer server({});
    home.Write("old", "old page");
    fs::copy_file(home.File("old"), server.Root() / "page.html");
    std::vector<std::string> notes;
    client.OnNote = [&](const std::string& note) { notes.push_back(note); };
    Connect(server);
    client.Put(home.Write("page.html", "first"), "page.html");
    client.Put(home.Write("page.html", "second"), "page.html");
    EXPECT_EQ(ReadBytes((server.Root() / "page.html").string()), "second");
    EXPECT_THAT(Names(server.Root()), testing::ElementsAre("page.html"));
    EXPECT_EQ(std::count_if(notes.begin(), notes.end(),
                            [](const std::string& note) {
                                return note.find(Sjis("消してから")) != std::string::npos;
                            }),
              1)
        << "said once per connection";
}

TEST_F(ParamikoTest, ASizeTheServerDisputesFailsBeforeTheOldFileIsReplaced) {
    ParamikoSftpServer::Options options;
    options.wrongSize = true;
    ParamikoSftpServer server(options);
    home.Write("old", "old page");
    fs::copy_file(home.File("old"), server.Root() / "page.html");
    Connect(server);
    const std::optional<Caught> error =
        ErrorOf([&] { client.Put(home.Write("page.html", "new page"), "page.html"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, Kind::Final);
    EXPECT_THAT(error->message, HasSubstr(Sjis("サイズが合いません")));
    EXPECT_EQ(ReadBytes((server.Root() / "page.html").string()), "old page");
    EXPECT_THAT(Names(server.Root()), testing::ElementsAre("page.html"));
}

TEST_F(ParamikoTest, AConnectionLostInTheMiddleFailsForARetry) {
    ParamikoSftpServer::Options options;
    options.dropAfter = 1024 * 1024;
    ParamikoSftpServer server(options);
    const std::string bytes = Binary(3 * 1024 * 1024);
    const std::string local = home.Write("big.bin", bytes);
    Connect(server);
    const std::optional<Caught> error = ErrorOf([&] { client.Put(local, "big.bin"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, Kind::Transient) << error->message;
    EXPECT_FALSE(client.IsConnected());
    EXPECT_THAT(Names(server.Root()), testing::ElementsAre(".big.bin.sumirel-part"))
        << "the lost connection could not remove what it had sent";

    // The retry on a new connection overwrites what the lost one left.
    client.Connect();
    client.Put(local, "big.bin");
    EXPECT_THAT(Names(server.Root()), testing::ElementsAre("big.bin"));
    EXPECT_TRUE(ReadBytes((server.Root() / "big.bin").string()) == bytes);
}

TEST_F(ParamikoTest, DisconnectFromAHandlerEndsThePutUnderWay) {
    ParamikoSftpServer::Options options;
    options.stallAfter = 512 * 1024;
    ParamikoSftpServer server(options);
    const std::string local = home.Write("big.bin", Binary(2 * 1024 * 1024));
    std::vector<std::int64_t> progress;
    client.OnProgress = [&](std::int64_t sent) {
        progress.push_back(sent);
        client.Disconnect();
    };
    Connect(server);
    const std::optional<Caught> error = ErrorOf([&] { client.Put(local, "big.bin"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, Kind::Transient);
    EXPECT_THAT(error->message, HasSubstr(Sjis("切断")));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_THAT(progress, testing::SizeIs(1));
    EXPECT_LT(progress[0], 2 * 1024 * 1024);
}

TEST_F(ParamikoTest, AServerThatStopsAnsweringFailsAfterTheStallLimit) {
    ParamikoSftpServer::Options options;
    options.stallAfter = 256 * 1024;
    ParamikoSftpServer server(options);
    const std::string local = home.Write("big.bin", Binary(1024 * 1024));
    client.Options.StallLimit = 1s;
    Connect(server);
    const std::optional<Caught> error = ErrorOf([&] { client.Put(local, "big.bin"); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, Kind::Transient);
    EXPECT_THAT(error->message, HasSubstr(Sjis("止まった")));
    EXPECT_FALSE(client.IsConnected());
}

}  // namespace
