#pragma once
// Starting the real servers the tests talk to (pyftpdlib, vsftpd, sshd, paramiko) and
// waiting for them, with bounded waits so a server that never comes up fails the test
// instead of hanging it.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace SumirelTest {

struct SpawnOptions {
    bool appendOutput = false;  // add to the output file instead of starting it anew
    bool ownGroup = false;      // a process group of its own, so its children end with it
};

// Starts `args` (args[0] a full path) with standard input from /dev/null and standard output
// and error to `outputFile`. Throws when it cannot start.
pid_t SpawnServer(std::vector<std::string> args, const std::string& outputFile,
                  SpawnOptions options = {});

// Waits until `ready` holds. When the process ends first, or the start limit (15 s) passes,
// `stop` ends it (if still running), `pid` becomes -1, and the error names `what` with
// `details()` (the server's output, say).
void AwaitServer(pid_t& pid, const std::function<bool()>& ready, const std::string& what,
                 const std::function<std::string()>& details,
                 const std::function<void(pid_t)>& stop);

// The port a server wrote into its port file; 0 while the file is not written yet.
int ReadPortFile(const std::filesystem::path& portFile);

}  // namespace SumirelTest
