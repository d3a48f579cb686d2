#include "support/ServerProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace SumirelTest {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartLimit = 15s;
constexpr auto kPollInterval = 20ms;

}  // namespace

pid_t SpawnServer(std::vector<std::string> args, const std::string& outputFile,
                  SpawnOptions options) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int mode = O_WRONLY | O_CREAT | (options.appendOutput ? O_APPEND : O_TRUNC);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), mode, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (options.ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + args[0]);
    }
    return pid;
}

void AwaitServer(pid_t& pid, const std::function<bool()>& ready, const std::string& what,
                 const std::function<std::string()>& details,
                 const std::function<void(pid_t)>& stop) {
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (!ready()) {
        if (::waitpid(pid, nullptr, WNOHANG) != 0) {
            pid = -1;
            throw std::runtime_error(what + " ended at start: " + details());
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            stop(pid);
            pid = -1;
            throw std::runtime_error(what + " did not start: " + details());
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

int ReadPortFile(const std::filesystem::path& portFile) {
    std::ifstream in(portFile);
    int port = 0;
    in >> port;
    return in ? port : 0;
}

}  // namespace SumirelTest
