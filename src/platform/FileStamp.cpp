#include "platform/FileStamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileIO.h"

namespace Sumirel {

std::int32_t DosStamp(std::time_t moment) {
    std::tm local{};
    if (::localtime_r(&moment, &local) == nullptr) {
        return -1;
    }
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) {
        return -1;
    }
    const std::uint32_t date = (static_cast<std::uint32_t>(year - 1980) << 9) |
                               (static_cast<std::uint32_t>(local.tm_mon + 1) << 5) |
                               static_cast<std::uint32_t>(local.tm_mday);
    const std::uint32_t time = (static_cast<std::uint32_t>(local.tm_hour) << 11) |
                               (static_cast<std::uint32_t>(local.tm_min) << 5) |
                               static_cast<std::uint32_t>(local.tm_sec / 2);
    return static_cast<std::int32_t>((date << 16) | time);
}

std::int32_t FileAgeStamp(const std::string& fileName) {
    // Opening proves the file can be read, as a load right after will need to.
    const int fd = ::open(NativePath(fileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    const int rc = ::fstat(fd, &info);
    ::close(fd);
    if (rc != 0) {
        return -1;
    }
    return DosStamp(info.st_mtime);
}

std::optional<std::time_t> LastWriteTime(const std::string& fileName) {
    struct stat info {};
    if (::stat(NativePath(fileName).c_str(), &info) != 0) {
        return std::nullopt;
    }
    return info.st_mtime;
}

std::string FileSignature(const std::string& fileName) {
    struct stat info {};
    if (::stat(NativePath(fileName).c_str(), &info) != 0) {
        return {};
    }
    return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + "/" +
           std::to_string(info.st_size) + "/" + std::to_string(info.st_dev) + ":" +
           std::to_string(info.st_ino);
}

}  // namespace Sumirel
