#include "Errors.h"

#include "platform/PlatformMessages.h"

namespace Sumirel {

namespace {

std::string Describe(FileError::Operation operation, const std::string& path,
                     const std::string& reason) {
    namespace M = PlatformMessages;
    std::string text = M::kFilePrefix;
    text += path;
    text += operation == FileError::Operation::Read ? M::kCannotOpen : M::kCannotWrite;
    text += reason;
    return text;
}

}  // namespace

FileError::FileError(Operation operation, const std::string& path, const std::string& reason)
    : PlatformError(Describe(operation, path, reason)), path_(path) {}

}  // namespace Sumirel
