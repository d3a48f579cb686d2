#include "OffThreadCall.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace Sumirel {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kTickInterval = 100ms;
// How long an interrupted call may take to notice that its socket is gone.
constexpr auto kInterruptGrace = 5s;

// What the call's thread and the waiting thread share; it outlives whichever ends last.
struct Shared {
    std::function<void()> call;
    std::exception_ptr error;
    std::atomic<bool> done{false};
    std::mutex mutex;
    QEventLoop* loop = nullptr;  // guarded by mutex; null once the wait is over
};

void RunCall(const std::shared_ptr<Shared>& shared) {
    try {
        shared->call();
    } catch (...) {
        shared->error = std::current_exception();
    }
    shared->call = nullptr;
    shared->done = true;
    const std::lock_guard lock(shared->mutex);
    if (shared->loop != nullptr) {
        QMetaObject::invokeMethod(shared->loop, &QEventLoop::quit, Qt::QueuedConnection);
    }
}

}  // namespace

OffThreadEnd RunOffThread(std::function<void()> call, const std::atomic<std::uint64_t>& activity,
                          const OffThreadWait& wait) {
    auto shared = std::make_shared<Shared>();
    shared->call = std::move(call);
    QEventLoop loop;
    {
        const std::lock_guard lock(shared->mutex);
        shared->loop = &loop;
    }
    std::thread thread(RunCall, shared);

    std::uint64_t seen = activity.load();
    Clock::time_point lastActivity = Clock::now();
    std::optional<Clock::time_point> interruptedAt;
    QTimer timer;
    timer.setInterval(kTickInterval);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (shared->done) {
            loop.quit();
            return;
        }
        const Clock::time_point now = Clock::now();
        if (interruptedAt) {
            if (now - *interruptedAt >= kInterruptGrace) {
                loop.quit();
            }
            return;
        }
        if (const std::uint64_t current = activity.load(); current != seen) {
            seen = current;
            lastActivity = now;
        } else if (now - lastActivity >= wait.stallLimit) {
            interruptedAt = now;
            if (wait.interrupt) {
                wait.interrupt();
            }
            return;
        }
        if (wait.tick) {
            wait.tick();
        }
    });
    timer.start();
    while (!shared->done && !(interruptedAt && Clock::now() - *interruptedAt >= kInterruptGrace)) {
        loop.exec();
    }
    timer.stop();
    {
        const std::lock_guard lock(shared->mutex);
        shared->loop = nullptr;
    }

    if (!shared->done) {
        thread.detach();
        return OffThreadEnd::Abandoned;
    }
    thread.join();
    if (interruptedAt) {
        return OffThreadEnd::Stalled;
    }
    if (shared->error) {
        std::rethrow_exception(shared->error);
    }
    return OffThreadEnd::Done;
}

}  // namespace Sumirel
