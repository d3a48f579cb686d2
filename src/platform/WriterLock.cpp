#include "WriterLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "FileIO.h"

namespace Sumirel {

namespace {

// ファイル "…" は別の書き込みが使用中です。しばらくしてからやり直してください。
constexpr char kBusyPrefix[] =
    "\x83t\x83@\x83"
    "C\x83\x8b \x22";
constexpr char kBusySuffix[] =
    "\x22 \x82\xcd\x95\xca\x82\xcc\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xaa\x8eg\x97p\x92\x86"
    "\x82\xc5\x82\xb7\x81"
    "B\x82\xb5\x82\xce\x82\xe7\x82\xad\x82\xb5\x82\xc4\x82\xa9\x82\xe7\x82\xe2\x82\xe8\x92\xbc"
    "\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81"
    "B";

constexpr std::chrono::milliseconds kPollInterval{50};

}  // namespace

LockBusyError::LockBusyError(const std::string& diaryFileName)
    : PlatformError(kBusyPrefix + diaryFileName + kBusySuffix) {}

std::string WriterLock::LockFileName(const std::string& diaryFileName) {
    const std::filesystem::path diary = NativePath(diaryFileName);
    return TextFromNativePath(diary.parent_path() / ("." + diary.filename().native() + ".lock"));
}

WriterLock::WriterLock(const std::string& diaryFileName, std::chrono::milliseconds wait) {
    const std::string lockName = LockFileName(diaryFileName);
    // O_NONBLOCK: a FIFO planted under the lock file's name must not make us wait in open.
    const auto native = NativePath(lockName);
    fd_ = ::open(native.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
        // flock needs no write permission: a lock file made by another user still serves.
        fd_ = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd_ < 0) {
        throw FileError(FileError::Operation::Write, lockName, std::strerror(errno));
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd_);
            fd_ = -1;
            if (error != EWOULDBLOCK) {
                throw FileError(FileError::Operation::Write, lockName, std::strerror(error));
            }
            throw LockBusyError(diaryFileName);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

WriterLock::~WriterLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing the only descriptor lets the lock go
    }
}

}  // namespace Sumirel
