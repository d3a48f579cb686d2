// Put against a real FTP server on the loopback interface: the temporary name and the
// rename into place, the checks of what arrived, and what a failed file leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/qt/FtpClient.h"
#include "support/FtpServer.h"
#include "support/TempDir.h"

namespace {

using Sumirel::CheckResult;
using Sumirel::FtpClient;
using Sumirel::PutResult;
using Sumirel::UploadError;
using SumirelTest::FtpServer;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using testing::ElementsAre;
using testing::HasSubstr;

std::optional<UploadError> ErrorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const UploadError& error) {
        return error;
    }
    return std::nullopt;
}

void Connect(FtpClient& client, const FtpServer& server, const std::string& user = "writer") {
    client.Options.Host = "127.0.0.1";
    client.Options.UserID = user;
    client.Options.Password = "secret";
    client.Options.Port = server.Port();
    client.Connect();
}

// The commands about files the server saw, in order (no login, no data connections).
std::vector<std::string> FileCommands(const FtpServer& server) {
    std::vector<std::string> commands;
    for (const std::string& command : server.Commands()) {
        for (const char* verb : {"STOR ", "RNFR ", "RNTO ", "DELE "}) {
            if (command.rfind(verb, 0) == 0) {
                commands.push_back(command);
            }
        }
    }
    return commands;
}

std::string Stored(const FtpServer& server, const std::string& name) {
    return ReadBytes((server.Root() / name).string());
}

std::string Noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 987;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

TEST(FtpPut, RenamesIntoPlaceWhateverTheServerAllows) {
    struct Case {
        const char* name;
        FtpServer::Options options;
        bool oldFileThere;
        std::vector<std::string> commands;
        bool storedInPlace;
    };
    FtpServer::Options refuseOver;
    refuseOver.refuseRenameOver = true;
    FtpServer::Options noRename;
    noRename.noRename = true;
    const std::string part = ".page.html.sumirel-part";
    const std::vector<Case> cases = {
        {"nominal: over the old page",
         {},
         true,
         {"STOR " + part, "RNFR " + part, "RNTO page.html"},
         false},
        {"nominal: a new page",
         {},
         false,
         {"STOR " + part, "RNFR " + part, "RNTO page.html"},
         false},
        {"server refuses to rename over a file: the old one goes first",
         refuseOver,
         true,
         {"STOR " + part, "RNFR " + part, "RNTO page.html", "DELE page.html", "RNFR " + part,
          "RNTO page.html"},
         false},
        {"server cannot rename: stored in place, with a note",
         noRename,
         true,
         {"STOR " + part, "RNFR " + part, "DELE " + part, "STOR page.html"},
         true},
    };
    TempDir local;
    const std::string path = local.Write("page.html", "<p>new</p>\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpServer server(c.options);
        if (c.oldFileThere) {
            local.Write("old", "<p>old</p>\r\n");
            std::filesystem::copy_file(local.File("old"), server.Root() / "page.html");
        }
        FtpClient client;
        std::vector<std::string> notes;
        client.OnNote = [&](const std::string& note) { notes.push_back(note); };
        Connect(client, server);
        const PutResult result = client.Put(path, "page.html");
        client.Disconnect();
        EXPECT_EQ(FileCommands(server), c.commands);
        EXPECT_EQ(result.StoredInPlace, c.storedInPlace);
        EXPECT_EQ(result.Check, CheckResult::Size);
        EXPECT_EQ(notes.size(), c.storedInPlace ? 1u : 0u);
        EXPECT_EQ(Stored(server, "page.html"), "<p>new</p>\r\n");
        EXPECT_THAT(server.Files(), ElementsAre("page.html"));
    }
}

TEST(FtpPut, ChecksSizeAndTheHashTheServerOffers) {
    struct Case {
        const char* name;
        FtpServer::Options options;
        std::optional<CheckResult> check;  // nothing: the file fails
        std::string hashName;
    };
    const auto with = [](std::function<void(FtpServer::Options&)> set) {
        FtpServer::Options options;
        set(options);
        return options;
    };
    const std::vector<Case> cases = {
        {"size only", {}, CheckResult::Size, ""},
        {"HASH with OPTS HASH", with([](auto& o) { o.hashes = "HASH,XMD5"; }),
         CheckResult::SizeAndHash, "SHA-256"},
        {"XSHA256", with([](auto& o) { o.hashes = "XSHA1,XSHA256"; }), CheckResult::SizeAndHash,
         "SHA-256"},
        {"XSHA1", with([](auto& o) { o.hashes = "XSHA1"; }), CheckResult::SizeAndHash, "SHA-1"},
        {"XMD5", with([](auto& o) { o.hashes = "XMD5"; }), CheckResult::SizeAndHash, "MD5"},
        {"neither size nor hash: not checked", with([](auto& o) { o.refuseSize = true; }),
         CheckResult::NotChecked, ""},
        {"damaged: size disagrees", with([](auto& o) { o.wrongSize = true; }), std::nullopt, ""},
        {"damaged: hash disagrees", with([](auto& o) {
             o.hashes = "XSHA256";
             o.wrongHash = true;
         }),
         std::nullopt, ""},
    };
    TempDir local;
    const std::string bytes = Noise(700000);
    const std::string path = local.Write("page.html", bytes);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpServer server(c.options);
        local.Write("old", "<p>old</p>\r\n");
        std::filesystem::copy_file(local.File("old"), server.Root() / "page.html");
        FtpClient client;
        Connect(client, server);
        PutResult result;
        const std::optional<UploadError> error =
            ErrorOf([&] { result = client.Put(path, "page.html"); });
        if (c.check) {
            EXPECT_FALSE(error) << error->what();
            EXPECT_EQ(result.Check, *c.check);
            EXPECT_EQ(result.HashName, c.hashName);
            EXPECT_EQ(Stored(server, "page.html"), bytes);
        } else {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->GetKind(), UploadError::Kind::Final);
            // The page readers see is the old one, and nothing else is left behind.
            EXPECT_EQ(Stored(server, "page.html"), "<p>old</p>\r\n");
            EXPECT_TRUE(client.IsConnected());
        }
        client.Disconnect();
        EXPECT_THAT(server.Files(), ElementsAre("page.html"));
    }
}

TEST(FtpPut, ConnectionCutInTheMiddleIsTransientAndATryAgainCleansUp) {
    FtpServer::Options options;
    options.dropAfter = 1 << 20;
    FtpServer server(options);
    TempDir local;
    const std::string bytes = Noise(4 << 20);
    const std::string path = local.Write("big.bin", bytes);
    FtpClient client;
    Connect(client, server);
    const std::optional<UploadError> error = ErrorOf([&] { client.Put(path, "big.bin"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->GetKind(), UploadError::Kind::Transient);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "big.bin"));

    Connect(client, server);
    EXPECT_NO_THROW(client.Put(path, "big.bin"));
    client.Disconnect();
    EXPECT_EQ(Stored(server, "big.bin"), bytes);
    EXPECT_THAT(server.Files(), ElementsAre("big.bin"));
}

TEST(FtpPut, RefusedFilesFailFinallyAndTheConnectionGoesOn) {
    FtpServer server;
    TempDir local;
    const std::string fifo = local.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(local.Path() / "folder");
    struct Case {
        const char* name;
        std::string localPath;
        std::string user;
        std::string messagePart;
    };
    const std::vector<Case> cases = {
        {"missing local file", local.File("missing.html"), "writer", "missing.html"},
        // Opened plainly, a FIFO with no writer would block for ever.
        {"FIFO", fifo, "writer", "fifo"},
        {"folder", local.File("folder"), "writer", "folder"},
        {"server refuses storage", local.Write("a.html", "a"), "reader", "550"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpClient client;
        Connect(client, server, c.user);
        const std::optional<UploadError> error =
            ErrorOf([&] { client.Put(c.localPath, "page.html"); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->GetKind(), UploadError::Kind::Final);
        EXPECT_THAT(error->what(), HasSubstr(c.messagePart));
        EXPECT_TRUE(client.IsConnected());
        EXPECT_NO_THROW(client.ChangeDir("/"));
        client.Disconnect();
    }
    EXPECT_TRUE(server.Files().empty());
}

TEST(FtpPut, ProgressRisesToTheWholeSizeOnceAFile) {
    FtpServer server;
    TempDir local;
    const std::vector<std::string> contents = {Noise(3 << 20), "", "small"};
    FtpClient client;
    std::vector<std::int64_t> reports;
    client.OnProgress = [&](std::int64_t sent) { reports.push_back(sent); };
    Connect(client, server);
    for (std::size_t i = 0; i < contents.size(); ++i) {
        SCOPED_TRACE(i);
        reports.clear();
        const std::string name = "f" + std::to_string(i);
        client.Put(local.Write(name, contents[i]), name);
        const auto size = static_cast<std::int64_t>(contents[i].size());
        ASSERT_FALSE(reports.empty());
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
        EXPECT_EQ(reports.back(), size);
        EXPECT_EQ(std::count(reports.begin(), reports.end(), size), 1);
    }
    client.Disconnect();
}

TEST(FtpPut, ShiftJisNamesGetTheirTemporaryNameInTheSameFolder) {
    FtpServer server;
    std::filesystem::create_directory(server.Root() / Sjis("日記"));
    TempDir local;
    // The local path is Shift-JIS text, as the settings hold it; the file's name is UTF-8.
    const std::string localPath = Sjis(local.Write("表.html", "a"));
    FtpClient client;
    Connect(client, server);
    client.ChangeDir(Sjis("日記"));
    client.Put(localPath, Sjis("表.html"));
    client.Disconnect();
    EXPECT_THAT(FileCommands(server),
                testing::Contains("STOR ." + Sjis("表.html") + ".sumirel-part"));
    EXPECT_EQ(Stored(server, Sjis("日記/表.html")), "a");
}

}  // namespace
