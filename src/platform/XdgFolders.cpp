#include "XdgFolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "FileIO.h"

namespace Sumirel {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    return home.empty() ? std::string("/") : home;
}

// The variable's folder when it is an absolute path, else `fallback` below the home folder.
std::string BaseFolder(const char* variable, const char* fallback) {
    std::string base = Environment(variable);
    if (base.empty() || base.front() != '/') {
        base = HomeFolder() + "/" + fallback;
    }
    return TextFromNativePath(std::filesystem::path(base) / "sumirel");
}

}  // namespace

std::string StateFolder() {
    return BaseFolder("XDG_STATE_HOME", ".local/state");
}

std::string ConfigFolder() {
    return BaseFolder("XDG_CONFIG_HOME", ".config");
}

std::string RuntimeFolder() {
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/') {
        return TextFromNativePath(std::filesystem::path(runtime));
    }
    std::string temp = Environment("TMPDIR");
    if (temp.empty() || temp.front() != '/') {
        temp = "/tmp";
    }
    return TextFromNativePath(std::filesystem::path(temp) /
                              ("sumirel-" + std::to_string(::getuid())));
}

void EnsurePrivateFolder(const std::string& folder) {
    const std::filesystem::path path = NativePath(folder);
    std::error_code error;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), error);
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        throw FileError(FileError::Operation::Write, folder, std::strerror(errno));
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        throw FileError(FileError::Operation::Write, folder, std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 0022) != 0) {
        throw FileError(FileError::Operation::Write, folder, "not a private folder of this user");
    }
}

}  // namespace Sumirel
