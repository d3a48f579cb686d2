// Upload throughput of the window's path on the loopback interface: one 50 MB file sent by
// the upload sequence into the test server (pyftpdlib), once without any progress display and
// once through the upload window with its progress bar, updated by its timer. Run under a
// display (xvfb-run -a); each way is run a few times, alternating, and the best time printed.
// One upload sends the file several times, so that showing the window weighs little.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/qt/FtpClient.h"
#include "publish/UploadSequence.h"
#include "publish/window/UpdateUnit.h"
#include "support/FtpServer.h"
#include "support/TempDir.h"

namespace {

constexpr std::size_t kFileSize = 50 * 1000 * 1000;
constexpr int kRounds = 3;
// The file is sent this many times in one upload, so that opening the window weighs little.
constexpr int kCopies = 5;

std::string Noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 4711;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

class NoLog final : public Sumirel::UploadLog {
public:
    void Clear() override {}
    void Add(const std::string&) override {}
};

}  // namespace

// Takes the picture of the upload window for the README: a server that reads slowly, so that
// the bar stands part of the way when the picture is taken.
int Screenshot(const std::string& pngFile) {
    SumirelTest::TempDir local;
    const std::string index = local.Write("index.html", Noise(1000 * 1000));
    const std::string page = local.Write("Diary.html", Noise(3000 * 1000));
    SumirelTest::FtpServer::Options options;
    options.throttle = 256 * 1024;
    SumirelTest::FtpServer server(options);
    Sumirel::FtpClient client;
    client.Options.Host = "127.0.0.1";
    client.Options.UserID = "writer";
    client.Options.Password = "secret";
    client.Options.Port = server.Port();
    Sumirel::TUpdateForm form;
    form.FtpClient_ = &client;
    form.SendFiles = {index, page};
    bool saved = false;
    QTimer::singleShot(2200, &form,
                       [&] { saved = form.grab().save(QString::fromStdString(pngFile)); });
    form.exec();
    if (!saved) {
        std::fprintf(stderr, "no picture taken; the upload %s\n",
                     form.Succeeded ? "ended first" : "failed");
    }
    return saved ? 0 : 1;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--screenshot") {
        return Screenshot(argv[2]);
    }
    SumirelTest::TempDir local;
    const std::string path = local.Write("big.bin", Noise(kFileSize));
    SumirelTest::FtpServer server;
    Sumirel::FtpClient client;
    client.Options.Host = "127.0.0.1";
    client.Options.UserID = "writer";
    client.Options.Password = "secret";
    client.Options.Port = server.Port();

    const std::vector<std::string> files(kCopies, path);
    double plain = 1e9;
    double shown = 1e9;
    bool ok = true;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer clock;
        NoLog log;
        clock.start();
        ok = Sumirel::RunTransfer(client, nullptr, {{}, files, false, false}, log,
                                  [] { return false; })
                 .Sent &&
             ok;
        plain = std::min(plain, static_cast<double>(clock.nsecsElapsed()) / 1e9);

        Sumirel::TUpdateForm form;
        form.FtpClient_ = &client;
        form.SendFiles = files;
        clock.start();
        form.exec();
        shown = std::min(shown, static_cast<double>(clock.nsecsElapsed()) / 1e9);
        ok = form.Succeeded && ok;
    }
    const double mb = static_cast<double>(kFileSize) * kCopies / 1e6;
    std::printf("%d x 50 MB over loopback FTP in one upload, best of %d:\n", kCopies, kRounds);
    std::printf("  without progress display: %.2f s, %.1f MB/s\n", plain, mb / plain);
    std::printf("  upload window with progress bar: %.2f s, %.1f MB/s\n", shown, mb / shown);
    return ok ? 0 : 1;
}
