#pragma once
// One writer at a time on a diary: every command that reads the diary, the page, the target
// files or the settings and then replaces them holds this lock from its first read to its
// last rename, so that two writers (two windows, a window and a cron job) cannot each read
// the old diary and have the later rename drop the other's entry.
//
// The lock is an exclusive flock on the file ".<diary file name>.lock" beside the diary
// file, created (empty, kept afterwards) when missing. Advisory: it binds Sumirel's own
// processes. A lock is held per open file, so one process takes it once, in one place.

#include <chrono>
#include <string>

#include "Errors.h"

namespace Sumirel {

// Another writer held the lock for the whole wait. The message names the diary file.
class LockBusyError : public PlatformError {
public:
    explicit LockBusyError(const std::string& diaryFileName);
};

class WriterLock {
public:
    static constexpr std::chrono::milliseconds kDefaultWait{10000};

    // Takes the lock of the diary file `diaryFileName`, waiting up to `wait` for another
    // writer to let it go. Throws LockBusyError after the wait, FileError when the lock file
    // cannot be created or opened.
    explicit WriterLock(const std::string& diaryFileName,
                        std::chrono::milliseconds wait = kDefaultWait);
    ~WriterLock();
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;

    // The lock file of a diary file.
    static std::string LockFileName(const std::string& diaryFileName);

private:
    int fd_ = -1;
};

}  // namespace Sumirel
