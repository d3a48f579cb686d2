// FileError: a platform error whose message names the path and the system's reason.

#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/TempDir.h"

namespace {

using Sumirel::FileError;
using Sumirel::PlatformError;
using SumirelTest::Sjis;

struct MessageCase {
    const char* name;
    FileError::Operation operation;
    std::string path;
    std::string reason;
    std::string expected;
};

TEST(ErrorsTest, FileErrorMessage) {
    const MessageCase cases[] = {
        {"read", FileError::Operation::Read, "/tmp/a.txt", "No such file or directory",
         Sjis("ファイル \"/tmp/a.txt\" を開けません。") + "No such file or directory"},
        {"write", FileError::Operation::Write, "/tmp/a.txt", "Permission denied",
         Sjis("ファイル \"/tmp/a.txt\" に書き込めません。") + "Permission denied"},
        {"Shift-JIS path", FileError::Operation::Read, Sjis("日記.txt"), "x",
         Sjis("ファイル \"日記.txt\" を開けません。") + "x"},
        {"empty path", FileError::Operation::Write, "", "No such file or directory",
         Sjis("ファイル \"\" に書き込めません。") + "No such file or directory"},
    };
    for (const auto& c : cases) {
        const FileError error(c.operation, c.path, c.reason);
        EXPECT_EQ(std::string(error.what()), c.expected) << c.name;
        EXPECT_EQ(error.Path(), c.path) << c.name;
    }
}

TEST(ErrorsTest, FileErrorIsAPlatformErrorAndARuntimeError) {
    try {
        throw FileError(FileError::Operation::Read, "/x", "reason");
    } catch (const PlatformError& error) {
        EXPECT_NE(std::string(error.what()).find("/x"), std::string::npos);
    }
    EXPECT_THROW(throw FileError(FileError::Operation::Write, "/x", "reason"), std::runtime_error);
}

}  // namespace
