// The writer lock beside a diary file, and the backups kept before a file is replaced.

#include "platform/WriterLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Backups.h"
#include "platform/Errors.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Sumirel::WriterLock;
using SumirelTest::ReadBytes;
using SumirelTest::TempDir;

TEST(WriterLockTest, SecondWriterWaitsThenFailsNamingTheDiary) {
    TempDir dir;
    const std::string diary = dir.Write("Diary.txt", "");
    EXPECT_EQ(WriterLock::LockFileName(diary), dir.File(".Diary.txt.lock"));
    {
        const WriterLock first(diary);
        try {
            const WriterLock second(diary, 200ms);
            ADD_FAILURE() << "two writers held the lock";
        } catch (const Sumirel::LockBusyError& error) {
            EXPECT_NE(std::string(error.what()).find("\"" + diary + "\""), std::string::npos)
                << error.what();
        }
    }
    // Let go with the first writer: the next one gets it at once.
    const WriterLock third(diary, 0ms);
    EXPECT_TRUE(std::filesystem::exists(WriterLock::LockFileName(diary)));
}

TEST(WriterLockTest, LockInAFolderThatCannotBeWrittenIsAFileError) {
    EXPECT_THROW(WriterLock("/nonexistent/Diary.txt", 0ms), Sumirel::FileError);
}

// 2024-05-01 12:34:56 local time.
std::time_t At(int second) {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 4;
    local.tm_mday = 1;
    local.tm_hour = 12;
    local.tm_min = 34;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::vector<std::string> Names(const std::vector<std::string>& paths) {
    std::vector<std::string> names;
    for (const std::string& path : paths) {
        names.push_back(std::filesystem::path(path).filename().string());
    }
    return names;
}

TEST(BackupsTest, NamingAndRotation) {
    TempDir dir;
    const std::string diary = dir.File("Diary.txt");

    Sumirel::KeepBackup(diary, 3, At(56));
    EXPECT_FALSE(std::filesystem::exists(dir.File("backup"))) << "a missing file was copied";

    // Ten copies within one second, then one a second later; three are kept, and "-10"
    // must sort after "-2".
    for (int i = 1; i <= 11; ++i) {
        dir.Write("Diary.txt", "v" + std::to_string(i));
        Sumirel::KeepBackup(diary, i == 11 ? 3 : 20, At(i == 11 ? 57 : 56));
    }
    const auto kept = Sumirel::BackupsOf(diary);
    EXPECT_EQ(Names(kept), (std::vector<std::string>{"Diary.txt.20240501-123456-9",
                                                     "Diary.txt.20240501-123456-10",
                                                     "Diary.txt.20240501-123457"}));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(ReadBytes(kept[1]), "v10");
    EXPECT_EQ(ReadBytes(kept[2]), "v11");
    EXPECT_EQ(ReadBytes(diary), "v11");

    // Files that are not copies of this one are left alone; 0 keeps none.
    dir.Write("backup/Other.txt.20240501-123456", "other");
    dir.Write("backup/Diary.txt.notes", "notes");
    Sumirel::KeepBackup(diary, 0, At(58));
    EXPECT_TRUE(Sumirel::BackupsOf(diary).empty());
    EXPECT_EQ(ReadBytes(dir.File("backup/Other.txt.20240501-123456")), "other");
    EXPECT_EQ(ReadBytes(dir.File("backup/Diary.txt.notes")), "notes");
}

TEST(BackupsTest, CopyKeepsTheFilesPermissions) {
    TempDir dir;
    const std::string diary = dir.Write("Diary.txt", "private");
    ::chmod(diary.c_str(), 0600);
    Sumirel::KeepBackup(diary, 1, At(0));
    const auto kept = Sumirel::BackupsOf(diary);
    ASSERT_EQ(kept.size(), 1u);
    struct stat info {};
    ASSERT_EQ(::stat(kept[0].c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

}  // namespace
