#include "support/FtpServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "support/ServerProcess.h"


namespace SumirelTest {

namespace {

using namespace std::chrono_literals;

constexpr auto kStopLimit = 5s;
constexpr auto kPollInterval = 20ms;

// Ends the process: SIGTERM, then SIGKILL when it has not gone after kStopLimit.
void Stop(pid_t pid) {
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

}  // namespace

FtpServer::FtpServer() : FtpServer(Options{}) {}

FtpServer::FtpServer(const Options& options)
    : root_(dir_.Path() / "root"),
      commandLog_(dir_.File("commands.log")),
      log_(dir_.File("server.log")) {
    std::filesystem::create_directory(root_);
    const std::filesystem::path portFile = dir_.Path() / "port";
    const std::string& log = log_;

    std::vector<std::string> args = {"/usr/bin/python3", SUMIREL_FTP_SERVER_SCRIPT,
                                     "--root",           root_.string(),
                                     "--port-file",      portFile.string(),
                                     "--host",           options.host,
                                     "--command-log",    commandLog_,
                                     "--lifetime",       std::to_string(options.lifetimeSeconds)};
    if (options.throttle > 0) {
        args.insert(args.end(), {"--throttle", std::to_string(options.throttle)});
    }
    if (options.silent) {
        args.push_back("--silent");
    }
    if (options.connectLate) {
        args.push_back("--connect-late");
    }
    if (options.failData) {
        args.push_back("--fail-data");
    }
    if (!options.banner.empty()) {
        args.insert(args.end(), {"--banner", options.banner});
    }
    const std::pair<bool, const char*> flags[] = {
        {options.flood, "--flood"},
        {options.trickle, "--trickle"},
        {options.refusePort, "--refuse-port"},
        {options.refuseEpsv, "--refuse-epsv"},
        {options.refusePassive, "--refuse-pasv"},
        {options.noRename, "--no-rename"},
        {options.refuseRenameOver, "--refuse-rename-over"},
        {options.wrongSize, "--wrong-size"},
        {options.refuseSize, "--refuse-size"},
        {options.wrongHash, "--wrong-hash"},
    };
    for (const auto& [on, flag] : flags) {
        if (on) {
            args.push_back(flag);
        }
    }
    if (!options.tlsCertificate.empty()) {
        args.insert(args.end(), {"--tls-cert", options.tlsCertificate});
    }
    if (!options.masquerade.empty()) {
        args.insert(args.end(), {"--masquerade", options.masquerade});
    }
    if (!options.hashes.empty()) {
        args.insert(args.end(), {"--hashes", options.hashes});
    }
    if (options.dropAfter > 0) {
        args.insert(args.end(), {"--drop-after", std::to_string(options.dropAfter)});
    }
    pid_ = SpawnServer(args, log);
    AwaitServer(
        pid_, [&] { return (port_ = ReadPortFile(portFile)) != 0; }, "the FTP server",
        [&] { return ReadBytes(log); }, Stop);
}

std::vector<std::string> FtpServer::Commands() const {
    std::vector<std::string> commands;
    std::ifstream in(commandLog_, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        commands.push_back(line);
    }
    return commands;
}

std::string FtpServer::Log() const {
    return ReadBytes(log_);
}

std::vector<std::string> FtpServer::Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

FtpServer::~FtpServer() {
    if (pid_ > 0) {
        Stop(pid_);
    }
}

}  // namespace SumirelTest
