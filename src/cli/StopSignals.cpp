#include "cli/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace SumirelCli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

int g_pipe[2] = {-1, -1};
struct sigaction g_previous[2];

void OnSignal(int signal) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

}  // namespace

StopSignals::StopSignals() {
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // without the pipe the signals keep their default effect
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::Read);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the next signal of that kind has its default effect again.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < 2; ++i) {
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    }
}

StopSignals::~StopSignals() {
    if (!notifier_) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    notifier_.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void StopSignals::Read() {
    unsigned char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        if (received_ == 0) {
            received_ = number;
            emit Stopped();
        }
    }
}

}  // namespace SumirelCli
