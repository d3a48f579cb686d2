#include "cli/Upload.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <memory>

#include "cli/ConsoleText.h"
#include "cli/RunCli.h"
#include "cli/StopSignals.h"
#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"
#include "publish/UploadMessages.h"
#include "publish/UploadSequence.h"
#include "publish/UploadSetup.h"
#include "settings/LoadSettings.h"

namespace SumirelCli {

namespace {

class ConsoleLog final : public Sumirel::UploadLog {
public:
    explicit ConsoleLog(std::ostream& out) : out_(out) {}
    // The window clears its log when the FTP step begins; printed lines stay.
    void Clear() override {}
    void Add(const std::string& line) override {
        out_ << ConsoleFromShiftJis(line) << '\n';
        out_.flush();
    }

private:
    std::ostream& out_;
};

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

}  // namespace

int Upload(const std::string& iniFileName, std::ostream& out, std::ostream& err) {
    // The client's waits run event loops, which need an application object.
    static int argc = 1;
    static char name[] = "sumirel-cli";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (QCoreApplication::instance() == nullptr) {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    const Sumirel::Settings settings = Sumirel::LoadSettings(iniFileName);
    Sumirel::FtpClient ftp;
    std::unique_ptr<Sumirel::DialUp> dialUp;
    if (settings.Ftp.DialUp) {
        dialUp = Sumirel::CreateSystemDialUp();
    }
    const Sumirel::UploadSetup setup = Sumirel::SetUpUpload(settings, ftp, dialUp.get());
    if (!setup.Missing.empty()) {
        err << "sumirel-cli: " << setup.Missing << " is empty in the settings file \""
            << ConsoleFromShiftJis(iniFileName) << "\"; nothing was sent\n";
        return kNotDone;
    }

    const Sumirel::UploadPlan& plan = setup.Plan;
    ConsoleLog log(out);
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
    const bool sent =
        Sumirel::RunTransfer(ftp, dialUp.get(), plan, log, [&] { return stop.Received() != 0; });
    if (stop.Received() != 0 && dialUp) {
        // A dial this run started does not outlive it, whatever QuitDialUp says.
        dialUp->DisConnect();
    }
    dialUp.reset();
    return status(sent);
}

}  // namespace SumirelCli
