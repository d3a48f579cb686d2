// One rebuild (the page, then the target files) on generated diaries of 1,000, 10,000 and
// 50,000 entries, by the fast engine and, at the two smaller sizes, by the plain reference
// engine. Wall-clock time, since every file written is flushed to disk.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "Workspace.h"

namespace {

using SumirelBench::Workspace;

// Workspaces are generated once per size and removed when the program ends.
class Workspaces {
public:
    ~Workspaces() {
        for (const auto& [entries, workspace] : byEntries_) {
            std::error_code ec;
            std::filesystem::remove_all(workspace.folder, ec);
        }
    }

    const Workspace& Get(int entries) {
        auto it = byEntries_.find(entries);
        if (it == byEntries_.end()) {
            const auto folder =
                SumirelBench::NewTempFolder("sumirel-bench-" + std::to_string(entries));
            it = byEntries_.emplace(entries, SumirelBench::MakeWorkspace(folder, entries)).first;
        }
        return it->second;
    }

private:
    std::map<int, Workspace> byEntries_;
};

Workspaces& Cache() {
    static Workspaces workspaces;
    return workspaces;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SameOutputs(const Workspace& w) {
    if (Bytes(w.fast.pageFile) != Bytes(w.reference.pageFile)) {
        return false;
    }
    for (std::size_t i = 0; i < w.fast.targetFiles.size(); ++i) {
        if (Bytes(w.fast.targetFiles[i]) != Bytes(w.reference.targetFiles[i])) {
            return false;
        }
    }
    return true;
}

template <bool (*Rebuild)(const Workspace&, Sumirel::Reporter&)>
void RunRebuild(benchmark::State& state) {
    const Workspace& w = Cache().Get(static_cast<int>(state.range(0)));
    SumirelBench::QuietReporter reporter;
    for (auto _ : state) {
        if (!Rebuild(w, reporter) || reporter.Reported()) {
            state.SkipWithError(("the rebuild reported: " + reporter.FirstMessage()).c_str());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(w.diaryBytes));
    state.counters["diary_MB"] = static_cast<double>(w.diaryBytes) / 1e6;
}

void BM_RebuildFast(benchmark::State& state) {
    RunRebuild<SumirelBench::RebuildFast>(state);
}

void BM_RebuildReference(benchmark::State& state) {
    RunRebuild<SumirelBench::RebuildReference>(state);
    // A timing of the wrong output would be worthless: the fast engine must have written the
    // same page and target files.
    const Workspace& w = Cache().Get(static_cast<int>(state.range(0)));
    SumirelBench::QuietReporter reporter;
    if (!SumirelBench::RebuildFast(w, reporter) || !SameOutputs(w)) {
        state.SkipWithError("the fast engine's output differs from the reference's");
    }
}

BENCHMARK(BM_RebuildFast)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RebuildReference)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
