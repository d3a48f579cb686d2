#pragma once
// SIGINT and SIGTERM during an upload: instead of dying on the spot, which would leave the
// dial-up secrets file behind and a dialled connection up, the program notices the signal
// in its event loop, hangs up and cleans up, then ends with the usual status of a process
// stopped by that signal (128 + its number).
//
// The handler itself only writes the signal's number into a pipe (async-signal-safe); a
// socket notifier reads it from the event loop. A second signal of the same kind kills at
// once, in case the cleanup itself hangs.

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace SumirelCli {

class StopSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers, which stay until the object is destroyed. Needs an application
    // object.
    StopSignals();
    ~StopSignals() override;

    // The signal that asked to stop, 0 while none did.
    int Received() const { return received_; }

signals:
    void Stopped();

private:
    void Read();

    std::unique_ptr<QSocketNotifier> notifier_;
    int received_ = 0;
};

}  // namespace SumirelCli
