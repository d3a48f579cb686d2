// Peak memory of one rebuild. Usage: sumirel_rebuild_once ENTRIES [reference]
//
// The workspace is generated first; the rebuild then runs in a fresh process (this program
// started again on the generated folder), so neither the generator's buffers nor its peak
// count. That process reads its peak resident set (VmHWM) before and after the rebuild and
// reports the growth, which is what the rebuild itself needed at its peak.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Workspace.h"

extern char** environ;

namespace {

// A "kB" field of /proc/self/status, or -1.
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
        }
    }
    return -1;
}

int RebuildIn(const std::filesystem::path& folder, bool reference) {
    const SumirelBench::Workspace w = SumirelBench::OpenWorkspace(folder);
    const long baselineKb = StatusKb("VmHWM");
    SumirelBench::QuietReporter reporter;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = reference ? SumirelBench::RebuildReference(w, reporter)
                              : SumirelBench::RebuildFast(w, reporter);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peakKb = StatusKb("VmHWM");
    if (!ok || reporter.Reported()) {
        std::fprintf(stderr, "the rebuild reported: %s\n", reporter.FirstMessage().c_str());
        return 1;
    }
    std::error_code ec;
    const auto pageBytes =
        std::filesystem::file_size(reference ? w.reference.pageFile : w.fast.pageFile, ec);
    const double diaryMb = static_cast<double>(w.diaryBytes) / 1e6;
    const double growthMb = static_cast<double>(peakKb - baselineKb) * 1024 / 1e6;
    std::printf("engine           %s\n", reference ? "reference" : "fast");
    std::printf("diary            %zu bytes (%.2f MB)\n", w.diaryBytes, diaryMb);
    std::printf("page             %ju bytes\n", static_cast<std::uintmax_t>(pageBytes));
    std::printf("rebuild time     %.3f s\n", seconds);
    std::printf("peak RSS before  %ld kB\n", baselineKb);
    std::printf("peak RSS after   %ld kB\n", peakKb);
    std::printf("peak growth      %.2f MB (%.2f x diary size)\n", growthMb,
                diaryMb > 0 ? growthMb / diaryMb : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--rebuild-in") == 0) {
        return RebuildIn(argv[2], argc > 3 && std::strcmp(argv[3], "reference") == 0);
    }
    const int entries = argc >= 2 ? std::atoi(argv[1]) : 0;
    const bool reference = argc >= 3 && std::strcmp(argv[2], "reference") == 0;
    if (entries <= 0 || (argc >= 3 && !reference) || argc > 3) {
        std::fprintf(stderr, "usage: %s ENTRIES [reference]\n", argv[0]);
        return 2;
    }

    const std::filesystem::path folder = SumirelBench::NewTempFolder("sumirel-rebuild");
    SumirelBench::MakeWorkspace(folder, entries);
    std::printf("entries          %d\n", entries);
    std::fflush(stdout);

    std::string self = "/proc/self/exe";
    std::string flag = "--rebuild-in";
    std::string where = folder.string();
    std::string engine = reference ? "reference" : "fast";
    char* childArgs[] = {self.data(), flag.data(), where.data(), engine.data(), nullptr};
    pid_t child = 0;
    int status = 1;
    if (posix_spawn(&child, self.c_str(), nullptr, nullptr, childArgs, environ) != 0 ||
        waitpid(child, &status, 0) != child) {
        std::perror("cannot run the rebuild");
        status = 1;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
