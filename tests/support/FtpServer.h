#pragma once
// A real FTP server on the loopback interface for one test: tests/support/ftp_server.py run
// by /usr/bin/python3 (pyftpdlib), serving a fresh temporary folder. It is stopped when the
// object goes, and ends by itself after its lifetime in any case.
//
// Users: "writer"/"secret" may write, "reader"/"secret" may only read.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace SumirelTest {

class FtpServer {
public:
    struct Options {
        std::string host = "127.0.0.1";
        // Bytes per second the server reads from a data connection; 0 for no limit.
        int throttle = 0;
        // Accept connections and never send a greeting.
        bool silent = false;
        // Open the data connection after the 150 reply to STOR (most servers' order) instead
        // of pyftpdlib's own, at PORT.
        bool connectLate = false;
        // With connectLate: reply 425 after the 150 instead of connecting.
        bool failData = false;
        // The greeting's text; a text with line breaks (and over 75 characters) gives a
        // multi-line greeting. Empty for pyftpdlib's own.
        std::string banner;
        // Send "120" replies for ever instead of the greeting; or a greeting byte by byte
        // that never ends.
        bool flood = false;
        bool trickle = false;
        // A PEM file with certificate and key: TLS required on control and data connections.
        std::string tlsCertificate;
        // Refuse PORT and EPRT (500); EPSV only (502); EPSV and PASV (502).
        bool refusePort = false;
        bool refuseEpsv = false;
        bool refusePassive = false;
        // The address PASV replies name instead of the server's own.
        std::string masquerade;
        // Refuse RNFR altogether (502); refuse RNTO onto an existing file (553).
        bool noRename = false;
        bool refuseRenameOver = false;
        // Answer SIZE with one byte more than the file has; refuse SIZE (502).
        bool wrongSize = false;
        bool refuseSize = false;
        // Hash commands offered, comma-separated: HASH (with OPTS HASH), XSHA256, XSHA1,
        // XMD5; wrongHash makes their answers wrong.
        std::string hashes;
        bool wrongHash = false;
        // End the session (control and data) once the first file has brought this many
        // bytes; later sessions go through.
        long long dropAfter = 0;
        int lifetimeSeconds = 120;
    };

    FtpServer();
    explicit FtpServer(const Options& options);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int Port() const { return port_; }
    // The folder the users log in to.
    const std::filesystem::path& Root() const { return root_; }
    // Every command received so far, one an entry, as sent (PASS with its password).
    std::vector<std::string> Commands() const;
    // What the server wrote to its standard output and error.
    std::string Log() const;
    // The names in the root folder, hidden ones included.
    std::vector<std::string> Files() const;

private:
    TempDir dir_;
    std::filesystem::path root_;
    std::string commandLog_;
    std::string log_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace SumirelTest
