#pragma once
// Errors of the platform layer. They carry their whole message as Shift-JIS text and travel
// to the application's top-level handler, which shows the text and keeps running.

#include <stdexcept>
#include <string>

namespace Sumirel {

class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be opened, read, created or written. The message names the path and
// the system's reason.
class FileError : public PlatformError {
public:
    enum class Operation { Read, Write };
    FileError(Operation operation, const std::string& path, const std::string& reason);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace Sumirel
