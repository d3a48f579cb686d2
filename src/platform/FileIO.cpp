#include "FileIO.h"

#include "platform/PlatformMessages.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace Sumirel {

namespace {

// Converts with iconv; returns false when the bytes do not convert completely.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::vector<char> buffer(in.size() * 4 + 4);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0) {
        return false;
    }
    out.assign(buffer.data(), buffer.size() - outLeft);
    return true;
}

bool IsAscii(const std::string& text) {
    for (unsigned char c : text) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

// strerror follows the locale Qt sets from the environment: under LANG=ja_JP.UTF-8 the reason
// is Japanese in UTF-8, while a FileError's message is Shift-JIS text.
std::string SystemReason(int error) {
    const std::string reason = std::strerror(error);
    std::string text;
    if (IsAscii(reason) || !Convert("CP932", ::nl_langinfo(CODESET), reason, text)) {
        return reason;
    }
    return text;
}

[[noreturn]] void ThrowFileError(FileError::Operation operation, const std::string& fileName,
                                 int error) {
    throw FileError(operation, fileName, SystemReason(error));
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::string FolderText(const std::filesystem::path& folder) {
    std::string text = TextFromNativePath(folder);
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

}  // namespace

std::filesystem::path NativePath(const std::string& fileName) {
    std::string native;
    if (IsAscii(fileName) || !Convert("UTF-8", "CP932", fileName, native)) {
        return std::filesystem::path(fileName);
    }
    return std::filesystem::path(native);
}

std::string TextFromNativePath(const std::filesystem::path& path) {
    const std::string& native = path.native();
    std::string text;
    if (IsAscii(native) || !Convert("CP932", "UTF-8", native, text)) {
        return native;
    }
    return text;
}

namespace {

std::string ReadOpenFile(int fd, const std::string& fileName, const struct stat& info) {
    std::string content;
    if (info.st_size > 0) {
        content.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowFileError(FileError::Operation::Read, fileName, errno);
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    return content;
}

}  // namespace

std::string ReadWholeFile(const std::string& fileName) {
    std::optional<std::string> content = ReadFileIfPresent(fileName);
    if (!content) {
        ThrowFileError(FileError::Operation::Read, fileName, ENOENT);
    }
    return std::move(*content);
}

std::optional<std::string> ReadFileIfPresent(const std::string& fileName) {
    constexpr auto kRead = FileError::Operation::Read;
    const std::filesystem::path path = NativePath(fileName);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        ThrowFileError(kRead, fileName, errno);
    }
    FdCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ThrowFileError(kRead, fileName, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        ThrowFileError(kRead, fileName, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError(kRead, fileName, PlatformMessages::kNotRegularFile);
    }
    return ReadOpenFile(fd, fileName, info);
}

void WriteFileAtomic(const std::string& fileName, std::string_view bytes, unsigned newFileMode,
                     FileModeRule modeRule) {
    constexpr auto kWrite = FileError::Operation::Write;
    std::filesystem::path path = NativePath(fileName);
    if (fileName.empty()) {
        ThrowFileError(kWrite, fileName, ENOENT);
    }
    // Follow links one by one, so that a dangling link names the file to create.
    std::error_code ec;
    for (int hops = 0; std::filesystem::is_symlink(path, ec); ++hops) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec || hops == 40) {
            ThrowFileError(kWrite, fileName, ec ? ec.value() : ELOOP);
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }

    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode)) {
            ThrowFileError(kWrite, fileName, EISDIR);
        }
        // A FIFO, a device or a socket under the name is not ours to replace.
        if (!S_ISREG(old.st_mode)) {
            throw FileError(kWrite, fileName, PlatformMessages::kNotRegularFile);
        }
        // A file that nobody may write is read-only, even for a privileged user.
        if ((old.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) {
            ThrowFileError(kWrite, fileName, EACCES);
        }
    }

    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::string tempName = (folder / ("." + path.filename().native() + ".XXXXXX")).native();
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0) {
        ThrowFileError(kWrite, fileName, errno);
    }
    FdCloser closer{fd};
    auto fail = [&](int error) {
        ::unlink(tempName.c_str());
        ThrowFileError(kWrite, fileName, error);
    };

    if (modeRule == FileModeRule::OwnerOnly) {
        if (::fchmod(fd, 0600) != 0) {
            fail(errno);
        }
        if (exists) {
            [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        }
    } else if (exists) {
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            fail(errno);
        }
        // Keeping the owner needs privileges we may not have; the content matters more.
        [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd, static_cast<mode_t>(newFileMode) & ~mask & 07777) != 0) {
            fail(errno);
        }
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        fail(errno);
    }
    // The content is on disk before the rename, so after a crash the name holds either the
    // old file or the new one, whole. Whether the rename itself survived a crash does not
    // endanger any content, so the folder is not flushed as well.
    if (::rename(tempName.c_str(), path.c_str()) != 0) {
        fail(errno);
    }
}

bool IsRegularFile(const std::string& fileName) {
    std::error_code ec;
    return std::filesystem::is_regular_file(NativePath(fileName), ec);
}

bool FileExists(const std::string& fileName) {
    std::error_code ec;
    const auto status = std::filesystem::status(NativePath(fileName), ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::string CurrentFolder() {
    std::error_code ec;
    const auto folder = std::filesystem::current_path(ec);
    return ec ? std::string() : FolderText(folder);
}

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? CurrentFolder() : FolderText(exe.parent_path());
}

}  // namespace Sumirel
