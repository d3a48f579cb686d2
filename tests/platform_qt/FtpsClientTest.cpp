// FTP over explicit TLS against real servers on the loopback interface: pyftpdlib with TLS
// required on control and data connections, and vsftpd, which also requires each data
// connection to resume the control connection's TLS session.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/qt/FtpClient.h"
#include "support/FtpServer.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"
#include "support/VsftpdServer.h"

namespace {

using Sumirel::FtpClient;
using Sumirel::ServerIdentity;
using Sumirel::UploadError;
using SumirelTest::Certificates;
using SumirelTest::FtpServer;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using SumirelTest::TestCertificates;
using testing::HasSubstr;

std::optional<UploadError> ErrorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const UploadError& error) {
        return error;
    }
    return std::nullopt;
}

bool Saw(const FtpServer& server, const std::string& verb) {
    const std::vector<std::string> commands = server.Commands();
    return std::any_of(commands.begin(), commands.end(),
                       [&](const std::string& c) { return c.rfind(verb, 0) == 0; });
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

FtpServer::Options TlsServer(const std::string& certificate) {
    FtpServer::Options options;
    options.tlsCertificate = certificate;
    return options;
}

void Prepare(FtpClient& client, int port) {
    client.Options.Host = "127.0.0.1";
    client.Options.UserID = "writer";
    client.Options.Password = "secret";
    client.Options.Port = port;
    client.Options.Tls = true;
}

TEST(FtpsClient, CertificateIsTrustedOnlyWhenVerifiedPinnedOrAccepted) {
    const TestCertificates& certs = Certificates();
    const std::string selfPrint = TestCertificates::Fingerprint(certs.selfSigned);
    const std::string otherPrint = TestCertificates::Fingerprint(certs.otherSelfSigned);
    enum class Answer { NobodyAsks, No, Yes };
    struct Case {
        const char* name;
        std::string serverCertificate;
        std::string storedFingerprint;
        bool useTestAuthority;
        Answer answer;
        bool connects;
        bool asked;
    };
    const std::vector<Case> cases = {
        {"unknown, nobody to ask", certs.selfSigned, "", false, Answer::NobodyAsks, false, false},
        {"unknown, the user refuses", certs.selfSigned, "", false, Answer::No, false, true},
        {"unknown, the user trusts it", certs.selfSigned, "", false, Answer::Yes, true, true},
        {"pinned, in lower case", certs.selfSigned, Lower(selfPrint), false, Answer::No, true,
         false},
        {"changed since pinned: refused without asking", certs.selfSigned, otherPrint, false,
         Answer::Yes, false, false},
        {"verified by the authority", certs.signedByAuthority, "", true, Answer::No, true, false},
        {"signed by the authority for another name", certs.signedForAnotherName, "", true,
         Answer::No, false, true},
    };
    TempDir local;
    const std::string path = local.Write("page.html", "<p>secret diary</p>\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpServer server(TlsServer(c.serverCertificate));
        FtpClient client;
        Prepare(client, server.Port());
        client.Options.Fingerprint = c.storedFingerprint;
        if (c.useTestAuthority) {
            client.Options.CaFile = certs.authority;
        }
        std::vector<ServerIdentity> asked;
        if (c.answer != Answer::NobodyAsks) {
            client.OnUntrustedIdentity = [&](const ServerIdentity& identity) {
                asked.push_back(identity);
                return c.answer == Answer::Yes;
            };
        }
        const std::optional<UploadError> error = ErrorOf([&] { client.Connect(); });
        EXPECT_EQ(asked.size(), c.asked ? 1u : 0u);
        if (!asked.empty()) {
            EXPECT_EQ(asked[0].Fingerprint, TestCertificates::Fingerprint(c.serverCertificate));
            EXPECT_THAT(asked[0].Description, HasSubstr("CN="));
            EXPECT_FALSE(asked[0].Changed);
        }
        if (c.connects) {
            EXPECT_FALSE(error) << error->what();
            EXPECT_NO_THROW(client.Put(path, "page.html"));
            client.Disconnect();
            EXPECT_EQ(ReadBytes((server.Root() / "page.html").string()), "<p>secret diary</p>\r\n");
            continue;
        }
        ASSERT_TRUE(error);
        EXPECT_EQ(error->GetKind(), UploadError::Kind::Trust);
        EXPECT_FALSE(client.IsConnected());
        // Not a word about the user before the certificate is trusted.
        EXPECT_FALSE(Saw(server, "USER"));
        EXPECT_FALSE(Saw(server, "PASS"));
        EXPECT_EQ(error->Identity().Fingerprint,
                  TestCertificates::Fingerprint(c.serverCertificate));
        if (!c.storedFingerprint.empty()) {
            EXPECT_TRUE(error->Identity().Changed);
            EXPECT_THAT(error->what(), HasSubstr(Sjis("証明書が、信頼したものから変わって")));
        }
    }
}

TEST(FtpsClient, ServerWithoutTlsIsNeverUsedInPlainText) {
    FtpServer server;
    FtpClient client;
    Prepare(client, server.Port());
    const std::optional<UploadError> error = ErrorOf([&] { client.Connect(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->GetKind(), UploadError::Kind::Final);
    EXPECT_THAT(error->what(), HasSubstr("TLS"));
    EXPECT_FALSE(client.IsConnected());
    EXPECT_FALSE(Saw(server, "USER"));
}

TEST(FtpsClient, FetchIdentityShowsTheCertificateAndSendsNoCredentials) {
    const TestCertificates& certs = Certificates();
    struct Case {
        const char* name;
        std::string certificate;
        bool useTestAuthority;
        bool trusted;
    };
    const std::vector<Case> cases = {
        {"self-signed", certs.selfSigned, false, false},
        {"verified by the authority", certs.signedByAuthority, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpServer server(TlsServer(c.certificate));
        FtpClient client;
        Prepare(client, server.Port());
        if (c.useTestAuthority) {
            client.Options.CaFile = certs.authority;
        }
        const ServerIdentity identity = client.FetchIdentity();
        EXPECT_EQ(identity.Fingerprint, TestCertificates::Fingerprint(c.certificate));
        EXPECT_EQ(identity.Trusted, c.trusted);
        EXPECT_FALSE(identity.Changed);
        EXPECT_THAT(identity.Description, HasSubstr(identity.Fingerprint));
        EXPECT_FALSE(client.IsConnected());
        EXPECT_FALSE(Saw(server, "USER"));
        EXPECT_TRUE(Saw(server, "AUTH TLS"));
    }

    FtpClient plain;
    plain.Options.Host = "127.0.0.1";
    EXPECT_TRUE(ErrorOf([&] { plain.FetchIdentity(); }));
}

TEST(FtpsClient, EveryDataConnectionIsTlsInBothModes) {
    const TestCertificates& certs = Certificates();
    FtpServer::Options options = TlsServer(certs.selfSigned);
    // In active mode the server connects after its reply to STOR, as vsftpd and most servers
    // do; pyftpdlib's own way (connecting at PORT) drops a TLS data connection at once.
    options.connectLate = true;
    FtpServer server(options);
    TempDir local;
    const std::string path = local.Write("a.bin", std::string(300000, '\x5c'));
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        FtpClient client;
        Prepare(client, server.Port());
        client.Options.Fingerprint = TestCertificates::Fingerprint(certs.selfSigned);
        client.Options.Passive = passive;
        std::vector<std::string> notes;
        client.OnNote = [&](const std::string& note) { notes.push_back(note); };
        client.Connect();
        EXPECT_THAT(notes, testing::Contains(HasSubstr("TLS 1.")));
        for (const char* name : {"a.bin", "b.bin"}) {
            EXPECT_NO_THROW(client.Put(path, name));
            EXPECT_EQ(ReadBytes((server.Root() / name).string()), std::string(300000, '\x5c'));
        }
        client.Disconnect();
    }
    EXPECT_TRUE(Saw(server, "PROT P"));
}

TEST(FtpsClient, VsftpdDemandingSessionReuseTakesEveryFile) {
    if (!SumirelTest::VsftpdServer::Available()) {
        GTEST_SKIP() << "vsftpd is not installed, or cannot run without root";
    }
    const TestCertificates& certs = Certificates();
    SumirelTest::VsftpdServer server(certs.selfSigned);
    TempDir local;
    const std::string path = local.Write("page.html", std::string(200000, 'x') + "\r\n");
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        FtpClient client;
        client.Options.Host = "127.0.0.1";
        client.Options.UserID = "anonymous";
        client.Options.Port = server.Port();
        client.Options.Tls = true;
        client.Options.Passive = passive;
        client.Options.Fingerprint = TestCertificates::Fingerprint(certs.selfSigned);
        client.Connect();
        client.ChangeDir("up");
        // Several data connections, each resuming the session.
        for (const char* name : {"a.html", "b.html", "a.html"}) {
            const std::optional<UploadError> error = ErrorOf([&] { client.Put(path, name); });
            EXPECT_FALSE(error) << error->what();
        }
        client.Disconnect();
    }
    EXPECT_EQ(ReadBytes((server.Uploads() / "a.html").string()), ReadBytes(path));
    EXPECT_EQ(ReadBytes((server.Uploads() / "b.html").string()), ReadBytes(path));
    // The refusal of a data connection that does not resume the session, as vsftpd logs it.
    EXPECT_THAT(server.Log(), testing::Not(HasSubstr(", \"522 ")));
}

}  // namespace
