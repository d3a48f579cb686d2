#include "Errors.h"

namespace Sumirel {

namespace {

// ファイル "
constexpr char kFilePrefix[] =
    "\x83t\x83@\x83"
    "C\x83\x8b \x22";
// " を開けません。
constexpr char kCannotOpen[] =
    "\x22 \x82\xf0\x8aJ\x82\xaf\x82\xdc\x82\xb9\x82\xf1\x81"
    "B";
// " に書き込めません。
constexpr char kCannotWrite[] =
    "\x22 \x82\xc9\x8f\x91\x82\xab\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1\x81"
    "B";

std::string Describe(FileError::Operation operation, const std::string& path,
                     const std::string& reason) {
    std::string text = kFilePrefix;
    text += path;
    text += operation == FileError::Operation::Read ? kCannotOpen : kCannotWrite;
    text += reason;
    return text;
}

}  // namespace

FileError::FileError(Operation operation, const std::string& path, const std::string& reason)
    : PlatformError(Describe(operation, path, reason)), path_(path) {}

}  // namespace Sumirel
