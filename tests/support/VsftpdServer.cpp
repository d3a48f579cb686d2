#include "support/VsftpdServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/ServerProcess.h"


namespace SumirelTest {

namespace {

using namespace std::chrono_literals;

constexpr char kVsftpd[] = "/usr/sbin/vsftpd";
constexpr auto kStartLimit = 10s;
constexpr auto kPollInterval = 20ms;

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port that was free a moment ago; vsftpd takes it as its listening port.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool Listens(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// vsftpd and the session processes it forks share its process group.
void StopGroup(pid_t pid) {
    ::kill(-pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, nullptr, WNOHANG) != 0) {
            ::kill(-pid, SIGKILL);
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

}  // namespace

bool VsftpdServer::Available() {
    return ::access(kVsftpd, X_OK) == 0 && ::geteuid() == 0;
}

VsftpdServer::VsftpdServer(const std::string& certificate) : uploads_(dir_.Path() / "root" / "up") {
    const std::filesystem::path root = dir_.Path() / "root";
    std::filesystem::create_directories(uploads_);
    // vsftpd refuses a root its users may write to; they write below it.
    ::chmod(dir_.Path().c_str(), 0755);
    ::chmod(root.c_str(), 0755);
    ::chmod(uploads_.c_str(), 0777);
    port_ = FreePort();
    const std::string log = dir_.File("vsftpd.log");
    const std::string config =
        dir_.Write("vsftpd.conf",
                   "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" +
                       std::to_string(port_) +
                       "\nbackground=NO\n"
                       "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
                       "write_enable=YES\nanon_upload_enable=YES\nanon_other_write_enable=YES\n"
                       "anon_umask=022\nanon_root=" +
                       root.string() +
                       "\n"
                       "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\n"
                       "force_anon_data_ssl=YES\nrequire_ssl_reuse=YES\n"
                       "ssl_sslv2=NO\nssl_sslv3=NO\nssl_tlsv1=NO\n"
                       "rsa_cert_file=" +
                       certificate + "\nrsa_private_key_file=" + certificate +
                       "\n"
                       "pasv_enable=YES\nport_enable=YES\nseccomp_sandbox=NO\nssl_ciphers=HIGH\n"
                       "secure_chroot_dir=/var/run/vsftpd/empty\n"
                       "vsftpd_log_file=" +
                       log + "\nlog_ftp_protocol=YES\nxferlog_enable=YES\nxferlog_std_format=NO\n");
    std::filesystem::create_directories("/var/run/vsftpd/empty");

    std::vector<std::string> args = {kVsftpd, config};
    pid_ = SpawnServer(args, dir_.File("stdout"), {.appendOutput = false, .ownGroup = true});
    AwaitServer(
        pid_, [&] { return Listens(port_); }, "vsftpd",
        [&] { return ReadBytes(dir_.File("stdout")); }, StopGroup);
}

VsftpdServer::~VsftpdServer() {
    if (pid_ > 0) {
        StopGroup(pid_);
    }
}

std::string VsftpdServer::Log() const {
    return ReadBytes(dir_.File("vsftpd.log"));
}

}  // namespace SumirelTest
