#include "platform/qt/NmcliDialUp.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>
#include <QtGlobal>

#include "platform/Errors.h"
#include "platform/FileIO.h"
#include "platform/XdgFolders.h"
#include "platform/qt/ShiftJisCodec.h"

namespace Sumirel {
namespace {

// Listing the profiles blocks the window, so it gets a bound; so do the waits for a child
// to start and for a killed one to be gone.
constexpr int kListWaitMs = 5000;
constexpr int kStartWaitMs = 5000;
constexpr int kKillWaitMs = 2000;
// nmcli waits this long for NetworkManager to confirm a hang-up (NetworkManager carries it
// through either way); we wait a little longer before we give up on nmcli.
const QString kHangUpWaitSeconds = QStringLiteral("5");
constexpr int kHangUpWaitMs = 6000;

// A passwd-file holds one "setting.property:value" per line, the value running to the end
// of the line. nmcli answers from it only what NetworkManager asks for while activating,
// and NetworkManager asks only for what the profile does not hold itself. So the password
// goes under every setting a dialled profile can carry (DSL, mobile broadband, 802.1X,
// VPN), and the profile's type picks the one that is used. nmcli asks for a user name only
// on DSL and 802.1X profiles; the others use the user name stored in the profile.
const char* const kUserNameKeys[] = {"pppoe.username", "802-1x.identity"};
const char* const kPasswordKeys[] = {"pppoe.password", "gsm.password", "cdma.password",
                                     "802-1x.password", "vpn.secrets.password"};

QString FindNmcli() {
    return QStandardPaths::findExecutable(QStringLiteral("nmcli"));
}

// nmcli must never wait for an answer on a terminal, and what it prints is not read.
void DetachFromTerminal(QProcess& process, bool readOutput) {
    process.setStandardInputFile(QProcess::nullDevice());
    if (!readOutput) {
        process.setStandardOutputFile(QProcess::nullDevice());
    }
    process.setStandardErrorFile(QProcess::nullDevice());
}

// Terse output puts a backslash before every ':' and '\' inside a value.
QByteArray UnescapeTerse(QByteArrayView line) {
    QByteArray value;
    value.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
        }
        value += line[i];
    }
    return value;
}

bool FitsOnOneLine(const QString& value) {
    return !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')) &&
           !value.contains(QChar(u'\0'));
}

// The credentials as a passwd-file, or nothing when none are given.
std::unique_ptr<QTemporaryFile> WriteSecrets(const QString& userName, const QString& password) {
    if (userName.isEmpty() && password.isEmpty()) {
        return nullptr;
    }
    // nmcli splits the file at line breaks: the rest of a value after one would be read as
    // a line of its own, so such a value cannot be handed over as typed.
    if (!FitsOnOneLine(userName) || !FitsOnOneLine(password)) {
        throw DialUpError("the dial-up user name or password contains a line break or a NUL");
    }
    QByteArray text;
    if (!userName.isEmpty()) {
        for (const char* key : kUserNameKeys) {
            text += key + QByteArray(":") + userName.toUtf8() + '\n';
        }
    }
    if (!password.isEmpty()) {
        for (const char* key : kPasswordKeys) {
            text += key + QByteArray(":") + password.toUtf8() + '\n';
        }
    }

    // The runtime folder belongs to the user alone and lives in memory, so the password
    // never reaches a disk; without one, a folder of our own (0700) in the temporary folder.
    const std::string runtime = RuntimeFolder();
    try {
        EnsurePrivateFolder(runtime);
    } catch (const FileError& error) {
        throw DialUpError(std::string("no private folder for the dial-up credentials: ") +
                          error.what());
    }
    const QString folder = QString::fromStdString(NativePath(runtime).native());
    // QTemporaryFile creates the file under a fresh name, readable and writable by its
    // owner only, before anything is written into it; it removes the file when destroyed.
    auto file = std::make_unique<QTemporaryFile>(folder + QStringLiteral("/sumirel-dial-XXXXXX"));
    if (!file->open()) {
        throw DialUpError("cannot create a file for the dial-up credentials: " +
                          ToShiftJis(file->errorString()));
    }
    if (file->write(text) != text.size() || !file->flush()) {
        throw DialUpError("cannot write the dial-up credentials: " +
                          ToShiftJis(file->errorString()));
    }
    file->close();
    return file;
}

}  // namespace

NmcliDialUp::NmcliDialUp(QObject* parent) : DialUp(parent) {}

NmcliDialUp::~NmcliDialUp() {
    if (dial_ != nullptr) {
        DisConnect();
    }
    FinishHangUp();
}

std::vector<std::string> NmcliDialUp::Entries() {
    const QString program = FindNmcli();
    if (program.isEmpty()) {
        return {};
    }
    QProcess process;
    DetachFromTerminal(process, true);
    process.start(program, {QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME"),
                            QStringLiteral("connection"), QStringLiteral("show")});
    if (!process.waitForFinished(kListWaitMs)) {
        process.kill();
        process.waitForFinished(kKillWaitMs);
        return {};
    }
    // NetworkManager not running, say: no entries to offer.
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return {};
    }
    std::vector<std::string> names;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty()) {
            names.push_back(ToShiftJis(QString::fromUtf8(UnescapeTerse(line))));
        }
    }
    return names;
}

void NmcliDialUp::Connect() {
    const QString program = FindNmcli();
    if (program.isEmpty()) {
        throw DialUpError("nmcli was not found: dialling needs NetworkManager");
    }
    const QString name = FromShiftJis(EntryName);
    if (name.isEmpty()) {
        throw DialUpError("no dial-up entry is chosen");
    }
    std::unique_ptr<QTemporaryFile> secrets =
        WriteSecrets(FromShiftJis(UserName), FromShiftJis(Password));

    // One dial at a time: one still under way is hung up, as it could otherwise still come
    // up unowned. A hang-up still under way ends first, or it could take the new connection
    // down.
    if (dial_ != nullptr) {
        DisConnect();
    }
    FinishHangUp();

    QStringList arguments{QStringLiteral("connection"), QStringLiteral("up"), QStringLiteral("id"),
                          name};
    if (secrets != nullptr) {
        arguments << QStringLiteral("passwd-file") << secrets->fileName();
    }
    auto* process = new QProcess(this);
    DetachFromTerminal(*process, false);
    connect(process, &QProcess::finished, this,
            [this, process](int exitCode, QProcess::ExitStatus status) {
                if (process != dial_) {
                    return;
                }
                // Settle everything before the notification: its receiver may hang up
                // from inside it.
                dial_ = nullptr;
                secrets_.reset();
                process->deleteLater();
                if (status == QProcess::NormalExit && exitCode == 0) {
                    emit Connected();
                }
            });
    dial_ = process;
    secrets_ = std::move(secrets);
    process->start(program, arguments);
    if (!process->waitForStarted(kStartWaitMs)) {
        const std::string reason = ToShiftJis(process->errorString());
        StopDial();
        throw DialUpError("nmcli could not be started: " + reason);
    }
    started_ = true;
    dialledProgram_ = program;
    dialledName_ = name;
}

void NmcliDialUp::DisConnect() {
    if (!started_) {
        return;
    }
    started_ = false;
    // Killing nmcli only stops it waiting; NetworkManager goes on activating the profile
    // until it is told to take it down.
    StopDial();
    StartHangUp();
}

void NmcliDialUp::StopDial() {
    if (dial_ != nullptr) {
        QProcess* process = dial_;
        dial_ = nullptr;
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(kKillWaitMs);
        }
        delete process;
    }
    secrets_.reset();
}

// The hang-up runs while the window goes on; it is waited for only by the next dial and
// by the destructor.
void NmcliDialUp::StartHangUp() {
    FinishHangUp();
    auto* process = new QProcess(this);
    DetachFromTerminal(*process, false);
    connect(process, &QProcess::finished, this, [this, process] {
        if (process == hangUp_) {
            hangUp_ = nullptr;
        }
        process->deleteLater();
    });
    hangUp_ = process;
    // A hang-up that cannot start has no one to report to: the upload goes on regardless.
    process->start(dialledProgram_,
                   {QStringLiteral("--wait"), kHangUpWaitSeconds, QStringLiteral("connection"),
                    QStringLiteral("down"), QStringLiteral("id"), dialledName_});
}

void NmcliDialUp::FinishHangUp() {
    if (hangUp_ == nullptr) {
        return;
    }
    QProcess* process = hangUp_;
    hangUp_ = nullptr;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning && !process->waitForFinished(kHangUpWaitMs)) {
        process->kill();
        process->waitForFinished(kKillWaitMs);
    }
    delete process;
}

std::unique_ptr<DialUp> CreateSystemDialUp(QObject* parent) {
    return std::make_unique<NmcliDialUp>(parent);
}

}  // namespace Sumirel

// DialUp.h has no source file of its own; its meta-object code is compiled here.
#include "moc_DialUp.cpp"
