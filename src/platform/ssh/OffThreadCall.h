#pragma once
// Runs a blocking call (libssh's) on a thread of its own while the calling thread waits in a
// nested event loop, so a window stays painted and handles its buttons meanwhile.
//
// The call reports progress by bumping an activity counter. When the counter stays still for
// the stall limit, the wait calls `interrupt`, which must make the call end soon (by shutting
// its socket down); a call that still runs a few seconds later is left to end on its own, and
// everything it touches must be kept alive by the call itself (shared ownership).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

namespace Sumirel {

struct OffThreadWait {
    std::chrono::milliseconds stallLimit{60000};
    // Makes the call end soon; called on the waiting thread, perhaps while the call runs.
    std::function<void()> interrupt;
    // Called on the waiting thread several times a second while the call runs.
    std::function<void()> tick;
};

enum class OffThreadEnd {
    Done,       // the call ended by itself; its exception, if any, was rethrown
    Stalled,    // the activity stopped for the stall limit; the call was interrupted and ended
    Abandoned,  // the call did not end after its interruption and still runs
};

// Runs `call` on a new thread and waits for it. An exception the call throws is rethrown here
// on the waiting thread when the call ended by itself; after a stall it is dropped.
OffThreadEnd RunOffThread(std::function<void()> call, const std::atomic<std::uint64_t>& activity,
                          const OffThreadWait& wait);

}  // namespace Sumirel
