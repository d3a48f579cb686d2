#pragma once
// vsftpd on the loopback interface for one test, with TLS required on control and data
// connections and its default demand that every data connection resume the control
// connection's TLS session (require_ssl_reuse). Anonymous users log in without a password
// and may store, rename and delete files in the folder "up".
//
// vsftpd runs only as root (it locks each session in its folder); Available() says whether
// it can run here at all.

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace SumirelTest {

class VsftpdServer {
public:
    static bool Available();

    // `certificate`: a PEM file with certificate and key.
    explicit VsftpdServer(const std::string& certificate);
    ~VsftpdServer();
    VsftpdServer(const VsftpdServer&) = delete;
    VsftpdServer& operator=(const VsftpdServer&) = delete;

    int Port() const { return port_; }
    // The folder anonymous users may write to, "up" on the server.
    const std::filesystem::path& Uploads() const { return uploads_; }
    // vsftpd's own log: every command and reply.
    std::string Log() const;

private:
    TempDir dir_;
    std::filesystem::path uploads_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace SumirelTest
