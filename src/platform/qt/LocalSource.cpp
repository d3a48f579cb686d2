#include "LocalSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>

#include <cerrno>
#include <cstring>

#include "platform/FileIO.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/qt/UploadClient.h"

namespace Sumirel {

namespace {

std::string SystemReason(int error) {
    return ToShiftJis(QString::fromLocal8Bit(std::strerror(error)));
}

}  // namespace

LocalSource::LocalSource(const std::string& path) : path_(path) {
    // The path is Shift-JIS text, as the settings hold it; the file system's name may differ.
    fd_ = ::open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
        Fail(SystemReason(errno));
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        Fail(SystemReason(error));
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        Fail(ToShiftJis(QString::fromUtf8("通常のファイルではありません。")));
    }
    size_ = status.st_size;
}

LocalSource::~LocalSource() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::int64_t LocalSource::Read(char* buffer, std::int64_t capacity) {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, static_cast<std::size_t>(capacity));
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            Fail(SystemReason(errno));
        }
    }
}

void LocalSource::Rewind() {
    if (::lseek(fd_, 0, SEEK_SET) != 0) {
        Fail(SystemReason(errno));
    }
}

void LocalSource::Fail(const std::string& reason) const {
    throw UploadError(UploadError::Kind::Final,
                      FileError(FileError::Operation::Read, path_, reason).what());
}

}  // namespace Sumirel
