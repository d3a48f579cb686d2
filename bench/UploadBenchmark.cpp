// Upload throughput on the loopback interface: one 50 MB file stored by FtpClient::Put into
// the test server (pyftpdlib), with and without an OnProgress callback, so that the cost of
// reporting progress shows. The server's own speed bounds both figures alike.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdint>
#include <string>

#include "platform/qt/FtpClient.h"
#include "support/FtpServer.h"
#include "support/TempDir.h"

namespace {

constexpr std::size_t kFileSize = 50 * 1000 * 1000;

std::string Noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 4711;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

void BM_Put50MB(benchmark::State& state) {
    const bool withProgress = state.range(0) != 0;
    SumirelTest::TempDir local;
    const std::string path = local.Write("big.bin", Noise(kFileSize));
    SumirelTest::FtpServer server;
    Sumirel::FtpClient client;
    client.Options.Host = "127.0.0.1";
    client.Options.UserID = "writer";
    client.Options.Password = "secret";
    client.Options.Port = server.Port();
    std::int64_t calls = 0;
    std::int64_t last = 0;
    if (withProgress) {
        client.OnProgress = [&](std::int64_t sent) {
            ++calls;
            last = sent;
        };
    }
    client.Connect();
    for (auto _ : state) {
        client.Put(path, "big.bin");
    }
    client.Disconnect();
    benchmark::DoNotOptimize(last);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kFileSize));
    state.counters["progress_calls_per_file"] =
        benchmark::Counter(static_cast<double>(calls) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_Put50MB)
    ->ArgName("progress")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace

// Sockets and event loops need an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
