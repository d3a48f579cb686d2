#pragma once
// Real SSH servers on the loopback interface for one test, and the keys they use.
//
// OpenSshServer runs Debian's sshd with a configuration of the test's own: a host key made by
// the test, key login for the user running the test (root in CI) through the test's
// authorized_keys, SFTP (internal-sftp) starting in a fresh folder, and a debug log.
// ParamikoSftpServer runs tests/platform_ssh/sftp_server.py for password and
// keyboard-interactive logins. Both are stopped with everything they started when the object
// goes, and end by themselves after their lifetime in any case.

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace SshTest {

// An OpenSSH key pair made by ssh-keygen: `path` and `path`.pub.
struct KeyPair {
    std::string path;
    std::string publicLine;   // the .pub file's line, without its line break
    std::string fingerprint;  // as ssh-keygen -l -E sha256 prints it: "SHA256:..."
};

// type: "ed25519", "ecdsa" or "rsa".
KeyPair MakeKey(const std::string& path, const std::string& type = "ed25519",
                const std::string& passphrase = "");

// The name of the user running the test.
std::string CurrentUser();

class OpenSshServer {
public:
    struct Options {
        std::string authorizedKeys;  // lines of the authorized_keys file
        std::string hostKeyType = "ed25519";
        // Largest file the server may write, in bytes (a full disk); 0 for no limit.
        long fileSizeLimit = 0;
        int lifetimeSeconds = 120;
    };

    explicit OpenSshServer(const Options& options);
    ~OpenSshServer();
    OpenSshServer(const OpenSshServer&) = delete;
    OpenSshServer& operator=(const OpenSshServer&) = delete;

    int Port() const { return port_; }
    const KeyPair& HostKey() const { return hostKey_; }
    // The folder SFTP sessions start in.
    const std::filesystem::path& Root() const { return root_; }
    // What sshd logged so far.
    std::string Log() const;
    // Waits (at most a few seconds) until the log holds `text`; false when it never did.
    bool WaitForLog(const std::string& text) const;
    // Kills the processes serving connections, as a dropped line would; keeps listening.
    void KillSessions();

private:
    SumirelTest::TempDir dir_;
    std::filesystem::path root_;
    KeyPair hostKey_;
    pid_t pid_ = -1;
    int port_ = 0;
};

class ParamikoSftpServer {
public:
    struct Options {
        std::string auth = "both";  // "password", "interactive" or "both"
        bool wrongSize = false;     // report every file one byte longer
        // The first file to pass this many bytes ends its connection; 0: none does.
        long dropAfter = 0;
        // Once a file passes this many bytes, the server never answers again; 0: never.
        long stallAfter = 0;
        int lifetimeSeconds = 120;
    };
    static constexpr const char* kUser = "writer";
    static constexpr const char* kPassword = "secret";

    explicit ParamikoSftpServer(const Options& options);
    ~ParamikoSftpServer();
    ParamikoSftpServer(const ParamikoSftpServer&) = delete;
    ParamikoSftpServer& operator=(const ParamikoSftpServer&) = delete;

    int Port() const { return port_; }
    const KeyPair& HostKey() const { return hostKey_; }
    // The folder served as "/", the login folder.
    const std::filesystem::path& Root() const { return root_; }
    // The authentication attempts, one line each ("auth password writer").
    std::string Log() const;

private:
    SumirelTest::TempDir dir_;
    std::filesystem::path root_;
    KeyPair hostKey_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace SshTest
