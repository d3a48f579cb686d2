#include "cli/Upload.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "cli/ConsoleText.h"
#include "cli/RunCli.h"
#include "cli/StopSignals.h"
#include "platform/FileIO.h"
#include "platform/qt/DialUp.h"
#include "platform/qt/TlsIdentity.h"
#include "platform/qt/UploadClient.h"
#include "platform/ssh/HostKeyTrust.h"
#include "publish/UploadMessages.h"
#include "publish/UploadSequence.h"
#include "publish/UploadSetup.h"
#include "settings/LoadSettings.h"

namespace SumirelCli {

namespace {

constexpr char kProgram[] = "sumirel-cli: ";

// The self-updating progress line on a terminal's standard error: percentage, bytes, speed.
class TerminalProgress {
public:
    TerminalProgress(const Sumirel::UploadProgress& progress, std::ostream& err)
        : progress_(progress), err_(err) {
        clock_.start();
        timer_.setInterval(250);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Draw(); });
        timer_.start();
    }
    ~TerminalProgress() { Erase(); }

    // Makes room for a line of the log.
    void Erase() {
        if (shown_) {
            err_ << "\r\033[K";
            err_.flush();
            shown_ = false;
        }
    }

private:
    void Draw() {
        const std::int64_t total = progress_.TotalBytes;
        const std::int64_t sent = progress_.SentBytes;
        if (progress_.FileIndex < 0) {
            return;
        }
        const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
        const double mb = 1024.0 * 1024.0;
        char line[128];
        std::snprintf(line, sizeof line, "\r%3d%%  %.1f / %.1f MB  %.1f MB/s\033[K",
                      total > 0 ? static_cast<int>(sent * 100 / total) : 100,
                      static_cast<double>(sent) / mb, static_cast<double>(total) / mb,
                      seconds > 0 ? static_cast<double>(sent) / mb / seconds : 0.0);
        err_ << line;
        err_.flush();
        shown_ = true;
    }

    const Sumirel::UploadProgress& progress_;
    std::ostream& err_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool shown_ = false;
};

class ConsoleLog final : public Sumirel::UploadLog {
public:
    ConsoleLog(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    // The window clears its log when the FTP step begins; printed lines stay.
    void Clear() override {}
    void Add(const std::string& line) override {
        if (progress != nullptr) {
            progress->Erase();
        }
        out_ << ConsoleFromShiftJis(line) << '\n';
        out_.flush();
    }
    // Why it failed goes where errors go, so that cron mails it.
    void AddReason(const std::string& line) override {
        if (progress != nullptr) {
            progress->Erase();
        }
        err_ << kProgram << ConsoleFromShiftJis(line) << '\n';
        err_.flush();
    }

    TerminalProgress* progress = nullptr;

private:
    std::ostream& out_;
    std::ostream& err_;
};

bool SameFingerprint(const std::string& given, const std::string& shown) {
    // A host key's base64 is compared exactly, a certificate's hex pairs without regard to
    // case.
    if (shown.rfind("SHA256:", 0) == 0) {
        return Sumirel::SameHostKeyFingerprint(given, shown);
    }
    return Sumirel::SameFingerprint(given, shown);
}

std::string QuotedIni(const std::string& iniFileName) {
    return "\"" + ConsoleFromShiftJis(iniFileName) + "\"";
}

// Prints what an upload would send; connects to nothing, dials nothing.
int DryRun(const Sumirel::Settings& settings, const Sumirel::UploadPlan& plan, std::ostream& out,
           std::ostream& err) {
    const Sumirel::ConnectionOptions options = Sumirel::UploadConnection(settings.Ftp);
    out << "dry run, nothing is sent: " << Sumirel::ProtocolName(settings.Ftp) << ' '
        << ConsoleFromShiftJis(options.Host) << ':' << options.Port << ", folder "
        << (plan.RemoteDir.empty() ? std::string("(login folder)")
                                   : ConsoleFromShiftJis(plan.RemoteDir))
        << '\n';
    bool allReadable = true;
    for (const std::string& path : plan.SendFiles) {
        const std::filesystem::path native = Sumirel::NativePath(path);
        std::error_code ec;
        const bool regular = std::filesystem::is_regular_file(native, ec);
        const auto size = regular ? std::filesystem::file_size(native, ec) : 0;
        const bool readable = regular && !ec && ::access(native.c_str(), R_OK) == 0;
        out << ConsoleFromShiftJis(path) << "\t";
        if (readable) {
            out << size << " bytes";
        } else {
            out << "missing or unreadable";
            allReadable = false;
        }
        out << "\t-> " << ConsoleFromShiftJis(Sumirel::RemoteName(path)) << '\n';
    }
    out.flush();
    if (!allReadable) {
        err << kProgram << "a file to send is missing or unreadable; an upload would fail\n";
        return kNotDone;
    }
    return kSucceeded;
}

void EnsureApplication(std::unique_ptr<QCoreApplication>& app) {
    // The client's waits run event loops, which need an application object.
    static int argc = 1;
    static char name[] = "sumirel-cli";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
}

// Dials and waits for the connection; false when it could not start, did not connect or a
// stop signal came first.
bool Dial(Sumirel::DialUp& dialUp, ConsoleLog& log, StopSignals& stop) {
    log.Add(Sumirel::UploadMessages::kConnecting);
    QEventLoop loop;
    bool connected = false;
    QObject::connect(&dialUp, &Sumirel::DialUp::Connected, &loop, [&] {
        connected = true;
        loop.quit();
    });
    QObject::connect(&stop, &StopSignals::Stopped, &loop, &QEventLoop::quit);
    QTimer::singleShot(kDialTimeout, &loop, &QEventLoop::quit);
    try {
        dialUp.Connect();
    } catch (const std::exception&) {
        log.Add(Sumirel::UploadMessages::kFailed);
        dialUp.DisConnect();
        return false;
    }
    if (stop.Received() == 0) {
        loop.exec();
    }
    if (!connected || stop.Received() != 0) {
        connected = false;
        log.Add(Sumirel::UploadMessages::kFailed);
        dialUp.DisConnect();
    }
    return connected;
}

// The client the settings' protocol asks for; null after telling why there is none.
std::unique_ptr<Sumirel::UploadClient> ClientFor(const Sumirel::Settings& settings,
                                                 std::ostream& err, const char* consequence) {
    try {
        return Sumirel::CreateUploadClient(settings.Ftp);
    } catch (const Sumirel::UnknownProtocolError& error) {
        err << kProgram << error.what() << consequence << '\n';
        return nullptr;
    }
}

}  // namespace

int Upload(const std::string& iniFileName, bool dryRun, std::ostream& out, std::ostream& err) {
    std::unique_ptr<QCoreApplication> app;
    EnsureApplication(app);

    const Sumirel::Settings settings = Sumirel::LoadSettings(iniFileName);
    const std::unique_ptr<Sumirel::UploadClient> client =
        ClientFor(settings, err, "; nothing was sent");
    if (!client) {
        return kNotDone;
    }
    std::unique_ptr<Sumirel::DialUp> dialUp;
    if (settings.Ftp.DialUp && !dryRun) {
        dialUp = Sumirel::CreateSystemDialUp();
    }
    const Sumirel::UploadSetup setup = Sumirel::SetUpUpload(settings, *client, dialUp.get());
    if (!setup.Missing.empty()) {
        err << "sumirel-cli: " << setup.Missing << " is empty in the settings file \""
            << ConsoleFromShiftJis(iniFileName) << "\"; nothing was sent\n";
        return kNotDone;
    }
    const Sumirel::UploadPlan& plan = setup.Plan;
    if (dryRun) {
        return DryRun(settings, plan, out, err);
    }

    ConsoleLog log(out, err);
    StopSignals stop;
    // The status of a process stopped by the signal, once everything is cleaned up; the
    // dial-up object's end removes the secrets file and waits for the hang-up.
    const auto status = [&](bool ok) {
        if (stop.Received() != 0) {
            err << "sumirel-cli: stopped by a signal; the upload was abandoned\n";
            return 128 + stop.Received();
        }
        return ok ? int{kSucceeded} : int{kFormatError};
    };
    if (plan.UseDialUp && !Dial(*dialUp, log, stop)) {
        dialUp.reset();
        return status(false);
    }
    Sumirel::UploadProgress progress;
    std::unique_ptr<TerminalProgress> progressLine;
    if (::isatty(STDERR_FILENO) == 1) {
        progressLine = std::make_unique<TerminalProgress>(progress, err);
        log.progress = progressLine.get();
    }
    const Sumirel::TransferOutcome outcome = Sumirel::RunTransfer(
        *client, dialUp.get(), plan, log, [&] { return stop.Received() != 0; }, &progress);
    log.progress = nullptr;
    progressLine.reset();
    if (outcome.TrustRefused && !outcome.Identity.Fingerprint.empty()) {
        if (outcome.Identity.Changed) {
            err << kProgram
                << "WARNING: the server shows another certificate or host key than the one "
                   "trusted before; it is not replaced. If the server's owner confirms the "
                   "change, run: sumirel-cli --ini "
                << QuotedIni(iniFileName) << " trust\n";
        } else {
            err << kProgram << "the server's certificate or host key is not trusted.\n"
                << "  fingerprint: " << outcome.Identity.Fingerprint << '\n'
                << "  check it, then trust it with: sumirel-cli --ini " << QuotedIni(iniFileName)
                << " trust\n";
        }
    }
    if (stop.Received() != 0 && dialUp) {
        // A dial this run started does not outlive it, whatever QuitDialUp says.
        dialUp->DisConnect();
    }
    dialUp.reset();
    return status(outcome.Sent);
}

int Trust(const std::string& iniFileName, const std::optional<std::string>& fingerprint,
          std::istream& in, std::ostream& out, std::ostream& err) {
    std::unique_ptr<QCoreApplication> app;
    EnsureApplication(app);

    const Sumirel::Settings settings = Sumirel::LoadSettings(iniFileName);
    const std::unique_ptr<Sumirel::UploadClient> client = ClientFor(settings, err, "");
    if (!client) {
        return kNotDone;
    }
    Sumirel::SetUpUpload(settings, *client, nullptr);
    if (settings.Ftp.HostName.empty()) {
        err << kProgram << "[FTP] HostName is empty in the settings file " << QuotedIni(iniFileName)
            << '\n';
        return kNotDone;
    }
    Sumirel::ServerIdentity identity;
    try {
        identity = client->FetchIdentity();
    } catch (const Sumirel::UploadError& error) {
        client->Disconnect();
        err << kProgram << ConsoleFromShiftJis(error.what()) << '\n';
        return kFormatError;
    }
    client->Disconnect();

    out << Sumirel::ProtocolName(settings.Ftp) << ' ' << ConsoleFromShiftJis(client->Options.Host)
        << ':' << client->Options.Port << '\n'
        << ConsoleFromShiftJis(identity.Description) << '\n';
    if (identity.Description.find(identity.Fingerprint) == std::string::npos) {
        out << "fingerprint: " << identity.Fingerprint << '\n';
    }
    out.flush();
    if (identity.Trusted) {
        out << "already trusted; nothing to do\n";
        return kSucceeded;
    }
    if (identity.Changed) {
        err << kProgram
            << "WARNING: this is not the certificate or host key trusted before ([FTP] "
               "Fingerprint="
            << settings.Ftp.Fingerprint
            << "). Replace it only when the server's owner confirms the change.\n";
    }
    const auto store = [&] {
        Sumirel::StoreFingerprint(iniFileName, identity.Fingerprint);
        out << "stored as [FTP] Fingerprint in " << QuotedIni(iniFileName) << '\n';
        return int{kSucceeded};
    };
    if (fingerprint.has_value()) {
        if (SameFingerprint(*fingerprint, identity.Fingerprint)) {
            return store();
        }
        err << kProgram << "the server shows " << identity.Fingerprint << ", not " << *fingerprint
            << "; nothing was stored\n";
        return kFormatError;
    }
    if (::isatty(STDIN_FILENO) == 1) {
        err << "Trust this for " << ConsoleFromShiftJis(client->Options.Host) << "? [y/N] ";
        err.flush();
        std::string answer;
        std::getline(in, answer);
        if (answer == "y" || answer == "Y" || answer == "yes") {
            return store();
        }
        err << kProgram << "not trusted; nothing was stored\n";
        return kFormatError;
    }
    err << kProgram << "not trusted yet. Check the fingerprint with the server's owner, then run\n"
        << "  sumirel-cli --ini " << QuotedIni(iniFileName) << " trust --fingerprint "
        << identity.Fingerprint << '\n';
    return kFormatError;
}

}  // namespace SumirelCli
