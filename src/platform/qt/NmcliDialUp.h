#pragma once
// The dial-up facility on NetworkManager, through the nmcli command found on PATH: the
// entries are the connection profiles, a dial is `nmcli connection up`, a hang-up
// `nmcli connection down`.
//
// A dial runs as a child process while the window's event loop goes on; its successful end
// emits Connected from that loop. Credentials reach nmcli only in a file that the owner
// alone can read, in the runtime folder (RuntimeFolder), never on its command line (which
// every user can see), and the file is removed as soon as the dial ends. Destroying the object in
// the middle of a dial hangs it up, so that no connection comes up after its owner is gone.

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/DialUp.h"

class QProcess;
class QTemporaryFile;

namespace Sumirel {

class NmcliDialUp : public DialUp {
    Q_OBJECT
public:
    explicit NmcliDialUp(QObject* parent = nullptr);
    ~NmcliDialUp() override;

    std::vector<std::string> Entries() override;
    void Connect() override;
    void DisConnect() override;

private:
    void StopDial();
    void StartHangUp();
    void FinishHangUp();

    QProcess* dial_ = nullptr;                 // `connection up` while it runs
    std::unique_ptr<QTemporaryFile> secrets_;  // the credentials of that dial
    QProcess* hangUp_ = nullptr;               // `connection down` while it runs
    // From a dial that started until the next DisConnect: what to hang up, and with which
    // nmcli. A dial that failed still counts, as NetworkManager may go on trying after
    // nmcli has given up.
    bool started_ = false;
    QString dialledProgram_;
    QString dialledName_;
};

}  // namespace Sumirel
