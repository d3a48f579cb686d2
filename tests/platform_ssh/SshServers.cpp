#include "SshServers.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "support/ServerProcess.h"


namespace SshTest {

namespace {

using namespace std::chrono_literals;
using SumirelTest::AwaitServer;
using SumirelTest::ReadBytes;

constexpr auto kStopLimit = 5s;
constexpr auto kLogLimit = 5s;
constexpr auto kPollInterval = 20ms;

pid_t Spawn(std::vector<std::string> args, const std::string& output) {
    return SumirelTest::SpawnServer(std::move(args), output, {.appendOutput = true});
}

// Runs a command to its end; its output goes to `output`. Throws when it fails.
void RunCommand(const std::vector<std::string>& args, const std::string& output) {
    const pid_t pid = Spawn(args, output);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(args[0] + " failed: " + ReadBytes(output));
    }
}

std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: the name may hold blanks and parentheses.
        const auto close = line.rfind(')');
        if (close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (ppid == parent) {
            children.push_back(static_cast<pid_t>(std::stoi(name)));
        }
    }
    return children;
}

void KillDescendants(pid_t parent) {
    for (const pid_t child : ChildrenOf(parent)) {
        KillDescendants(child);
        ::kill(child, SIGKILL);
    }
}

// Ends the process and everything it started: SIGKILL for its descendants, SIGTERM for it,
// then SIGKILL when it has not gone after kStopLimit.
void Stop(pid_t pid) {
    KillDescendants(pid);
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, nullptr, WNOHANG) != 0) {
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("no free port");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace

KeyPair MakeKey(const std::string& path, const std::string& type, const std::string& passphrase) {
    const std::string output = path + ".log";
    std::vector<std::string> args = {
        "/usr/bin/ssh-keygen", "-q", "-t", type, "-N", passphrase, "-C",
        "sumirel-test",        "-f", path};
    if (type == "rsa") {
        args.insert(args.end(), {"-b", "2048"});
    }
    RunCommand(args, output);
    KeyPair key;
    key.path = path;
    key.publicLine = ReadBytes(path + ".pub");
    while (!key.publicLine.empty() && key.publicLine.back() == '\n') {
        key.publicLine.pop_back();
    }
    const std::string listing = path + ".fingerprint";
    RunCommand({"/usr/bin/ssh-keygen", "-l", "-E", "sha256", "-f", path + ".pub"}, listing);
    std::istringstream fields(ReadBytes(listing));
    std::string bits;
    fields >> bits >> key.fingerprint;
    return key;
}

std::string CurrentUser() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry != nullptr ? entry->pw_name : "root";
}

OpenSshServer::OpenSshServer(const Options& options) : root_(dir_.Path() / "root") {
    std::filesystem::create_directory(root_);
    // sshd refuses to start without its privilege separation folder.
    ::mkdir("/run/sshd", 0755);
    hostKey_ = MakeKey(dir_.File("host_key"), options.hostKeyType);
    WriteText(dir_.Path() / "authorized_keys", options.authorizedKeys);
    port_ = FreePort();
    const std::string config = dir_.File("sshd_config");
    WriteText(config, "Port " + std::to_string(port_) +
                          "\n"
                          "ListenAddress 127.0.0.1\n"
                          "HostKey " +
                          hostKey_.path + "\nPidFile " + dir_.File("sshd.pid") +
                          "\n"
                          "AuthorizedKeysFile " +
                          dir_.File("authorized_keys") +
                          "\n"
                          "Subsystem sftp internal-sftp -d " +
                          root_.string() +
                          "\n"
                          "PermitRootLogin prohibit-password\n"
                          "StrictModes no\n"
                          "UsePAM no\n"
                          "PasswordAuthentication no\n"
                          "KbdInteractiveAuthentication no\n"
                          "LogLevel DEBUG1\n");
    const std::string log = dir_.File("sshd.log");
    std::vector<std::string> args = {"/usr/bin/timeout",
                                     "--kill-after=5",
                                     std::to_string(options.lifetimeSeconds),
                                     "/usr/sbin/sshd",
                                     "-D",
                                     "-e",
                                     "-f",
                                     config};
    if (options.fileSizeLimit > 0) {
        // The shell's limit counts 512-byte blocks; a write beyond it fails (SIGXFSZ ignored).
        const std::string blocks = std::to_string((options.fileSizeLimit + 511) / 512);
        args.insert(args.begin(),
                    {"/bin/sh", "-c", "trap '' XFSZ; ulimit -f " + blocks + "; exec \"$@\"", "sh"});
    }
    pid_ = Spawn(args, log);
    AwaitServer(
        pid_, [&] { return Log().find("Server listening on") != std::string::npos; }, "sshd",
        [&] { return Log(); }, Stop);
}

OpenSshServer::~OpenSshServer() {
    if (pid_ > 0) {
        Stop(pid_);
    }
}

std::string OpenSshServer::Log() const {
    return ReadBytes(dir_.File("sshd.log"));
}

bool OpenSshServer::WaitForLog(const std::string& text) const {
    const auto deadline = std::chrono::steady_clock::now() + kLogLimit;
    while (Log().find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

void OpenSshServer::KillSessions() {
    // timeout -> sshd (listening) -> one sshd per connection and its helpers.
    for (const pid_t listener : ChildrenOf(pid_)) {
        KillDescendants(listener);
    }
}

ParamikoSftpServer::ParamikoSftpServer(const Options& options) : root_(dir_.Path() / "root") {
    std::filesystem::create_directory(root_);
    hostKey_ = MakeKey(dir_.File("host_key"));
    const std::filesystem::path portFile = dir_.Path() / "port";
    const std::string output = dir_.File("server.out");
    std::vector<std::string> args = {"/usr/bin/python3",
                                     SUMIREL_SFTP_SERVER_SCRIPT,
                                     "--root",
                                     root_.string(),
                                     "--port-file",
                                     portFile.string(),
                                     "--host-key",
                                     hostKey_.path,
                                     "--log",
                                     dir_.File("auth.log"),
                                     "--user",
                                     kUser,
                                     "--password",
                                     kPassword,
                                     "--auth",
                                     options.auth,
                                     "--lifetime",
                                     std::to_string(options.lifetimeSeconds)};
    if (options.wrongSize) {
        args.push_back("--wrong-size");
    }
    if (options.dropAfter > 0) {
        args.insert(args.end(), {"--drop-after", std::to_string(options.dropAfter)});
    }
    if (options.stallAfter > 0) {
        args.insert(args.end(), {"--stall-after", std::to_string(options.stallAfter)});
    }
    pid_ = Spawn(args, output);
    AwaitServer(
        pid_, [&] { return (port_ = SumirelTest::ReadPortFile(portFile)) != 0; }, "the SFTP server",
        [&] { return ReadBytes(output); }, Stop);
}

ParamikoSftpServer::~ParamikoSftpServer() {
    if (pid_ > 0) {
        Stop(pid_);
    }
}

std::string ParamikoSftpServer::Log() const {
    const std::string log = ReadBytes(dir_.File("auth.log"));
    return log == "<missing>" ? std::string() : log;
}

}  // namespace SshTest
