#include "cli/Upload.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <exception>
#include <memory>

#include "cli/ConsoleText.h"
#include "cli/RunCli.h"
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

// Dials and waits for the connection; false when it could not start or did not connect.
bool Dial(Sumirel::DialUp& dialUp, ConsoleLog& log) {
    log.Add(Sumirel::UploadMessages::kConnecting);
    QEventLoop loop;
    bool connected = false;
    QObject::connect(&dialUp, &Sumirel::DialUp::Connected, &loop, [&] {
        connected = true;
        loop.quit();
    });
    QTimer::singleShot(kDialTimeout, &loop, &QEventLoop::quit);
    try {
        dialUp.Connect();
    } catch (const std::exception&) {
        log.Add(Sumirel::UploadMessages::kFailed);
        dialUp.DisConnect();
        return false;
    }
    loop.exec();
    if (!connected) {
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
    if (plan.UseDialUp && !Dial(*dialUp, log)) {
        return kFormatError;
    }
    const bool sent = Sumirel::RunTransfer(ftp, dialUp.get(), plan, log, [] { return false; });
    return sent ? kSucceeded : kFormatError;
}

}  // namespace SumirelCli
