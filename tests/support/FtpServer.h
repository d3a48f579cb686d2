#pragma once
// A real FTP server on the loopback interface for one test: tests/support/ftp_server.py run
// by /usr/bin/python3 (pyftpdlib), serving a fresh temporary folder. It is stopped when the
// object goes, and ends by itself after its lifetime in any case.
//
// Users: "writer"/"secret" may write, "reader"/"secret" may only read.

#include <sys/types.h>

#include <filesystem>
#include <string>

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

private:
    TempDir dir_;
    std::filesystem::path root_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace SumirelTest
