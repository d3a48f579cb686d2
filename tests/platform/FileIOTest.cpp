// Whole files: reading, atomic writing, existence, the process's folders, native file names.

#include "platform/FileIO.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "support/TempDir.h"

#ifndef SUMIREL_TEST_BINARY_DIR
#error "SUMIREL_TEST_BINARY_DIR names the folder of this test program"
#endif

namespace {

namespace fs = std::filesystem;
using Sumirel::CurrentFolder;
using Sumirel::ExecutableFolder;
using Sumirel::FileError;
using Sumirel::FileExists;
using Sumirel::NativePath;
using Sumirel::ReadWholeFile;
using Sumirel::TextFromNativePath;
using Sumirel::WriteFileAtomic;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;
using namespace std::string_literals;

// The names in a folder, sorted, to see that no temporary file stayed behind.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

unsigned Mode(const std::string& file) {
    struct stat info {};
    EXPECT_EQ(::lstat(file.c_str(), &info), 0) << file;
    return info.st_mode & 07777;
}

class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskGuard() { ::umask(old_); }

private:
    mode_t old_;
};

class CurrentFolderGuard {
public:
    CurrentFolderGuard() : old_(fs::current_path()) {}
    ~CurrentFolderGuard() { fs::current_path(old_); }

private:
    fs::path old_;
};

// Every byte value, NUL first and last.
std::string AllBytes() {
    std::string bytes;
    for (int i = 0; i < 256; ++i) {
        bytes += static_cast<char>(i);
    }
    bytes += '\0';
    return bytes;
}

// --- ReadWholeFile --------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string bytes;
};

TEST(FileIOTest, ReadWholeFileReturnsEveryByte) {
    std::string large;
    for (int i = 0; i < 200000; ++i) {
        large += static_cast<char>(i * 7 % 256);
    }
    const ReadCase cases[] = {
        {"empty file", ""},
        {"text", "<Start>\r\nabc\r\n<End>\r\n"},
        {"NUL bytes", "a\0b\0\0c"s},
        {"only NUL", "\0"s},
        {"every byte value", AllBytes()},
        {"Shift-JIS", Sjis("日記①ｱ")},
        {"larger than one read", large},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string file = dir.Write("file.bin", c.bytes);
        EXPECT_EQ(ReadWholeFile(file), c.bytes) << c.name;
    }
}

TEST(FileIOTest, ReadWholeFileOfAMissingFileRaisesFileError) {
    TempDir dir;
    const std::string file = dir.File("missing.txt");
    try {
        ReadWholeFile(file);
        FAIL() << "no FileError";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), file);
        EXPECT_NE(std::string(error.what()).find(file), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find(std::strerror(ENOENT)), std::string::npos)
            << error.what();
    }
}

TEST(FileIOTest, ReadWholeFileOfAFolderRaisesFileError) {
    TempDir dir;
    EXPECT_THROW(ReadWholeFile(dir.Path().string()), FileError);
}

// --- WriteFileAtomic ------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::string bytes;
};

TEST(FileIOTest, WriteFileAtomicCreatesANewFile) {
    const WriteCase cases[] = {
        {"text", "a\r\nb\r\n"},
        {"empty", ""},
        {"binary with NUL", AllBytes()},
        {"Shift-JIS", Sjis("日記")},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.File("new.txt");
        WriteFileAtomic(file, c.bytes);
        EXPECT_EQ(ReadBytes(file), c.bytes) << c.name;
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"new.txt"}) << c.name;
    }
}

TEST(FileIOTest, WriteFileAtomicReplacesAnOldFile) {
    const WriteCase cases[] = {
        {"longer", "new content that is longer than the old one"},
        {"shorter", "n"},
        {"empty", ""},
        {"binary", AllBytes()},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.Write("old.txt", "old content\r\n");
        WriteFileAtomic(file, c.bytes);
        EXPECT_EQ(ReadBytes(file), c.bytes) << c.name;
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"old.txt"}) << c.name;
    }
}

TEST(FileIOTest, WriteFileAtomicKeepsThePermissionsOfAnOldFile) {
    const unsigned modes[] = {0640, 0600, 0644, 0755, 0666, 0200};
    for (unsigned mode : modes) {
        TempDir dir;
        const std::string file = dir.Write("old.txt", "old");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        {
            // The umask applies to new files only.
            UmaskGuard mask(0077);
            WriteFileAtomic(file, "new");
        }
        EXPECT_EQ(Mode(file), mode) << std::oct << mode;
        ::chmod(file.c_str(), 0600);  // to read a write-only file without privileges
        EXPECT_EQ(ReadBytes(file), "new") << std::oct << mode;
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"old.txt"}) << std::oct << mode;
    }
}

TEST(FileIOTest, WriteFileAtomicOwnerOnlyNarrowsAnyOldMode) {
    for (unsigned mode : {0644u, 0666u, 0640u, 0600u}) {
        TempDir dir;
        const std::string file = dir.Write("old.txt", "old");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        WriteFileAtomic(file, "new", 0600, Sumirel::FileModeRule::OwnerOnly);
        EXPECT_EQ(Mode(file), 0600u) << std::oct << mode;
        EXPECT_EQ(ReadBytes(file), "new");
    }
    TempDir dir;
    const UmaskGuard mask(0);
    WriteFileAtomic(dir.File("new.txt"), "new", 0666, Sumirel::FileModeRule::OwnerOnly);
    EXPECT_EQ(Mode(dir.File("new.txt")), 0600u);
}

// A name that exists must be readable or an error; only a missing one reads as nothing. A
// FIFO without a writer is refused at once instead of waiting for one.
TEST(FileIOTest, ReadFileIfPresentTellsMissingFromUnreadable) {
    TempDir dir;
    EXPECT_EQ(Sumirel::ReadFileIfPresent(dir.File("none.ini")), std::nullopt);
    EXPECT_EQ(Sumirel::ReadFileIfPresent(dir.File("none/x.ini")), std::nullopt);
    EXPECT_EQ(Sumirel::ReadFileIfPresent(dir.Write("empty.ini", "")), std::string());
    EXPECT_EQ(Sumirel::ReadFileIfPresent(dir.Write("a.ini", "a\0b"s)), "a\0b"s);

    const std::string folder = dir.File("folder.ini");
    fs::create_directory(folder);
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> refused = {folder, fifo, "/dev/null"};
    if (::geteuid() != 0) {  // the superuser reads a file of mode 000 all the same
        const std::string closed = dir.Write("closed.ini", "x");
        ASSERT_EQ(::chmod(closed.c_str(), 0), 0);
        refused.push_back(closed);
    }
    for (const std::string& name : refused) {
        SCOPED_TRACE(name);
        try {
            Sumirel::ReadFileIfPresent(name);
            ADD_FAILURE() << "no FileError";
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), name);
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos);
        }
    }
}

struct NewModeCase {
    const char* name;
    mode_t umask;
    unsigned newFileMode;
    unsigned expected;
};

TEST(FileIOTest, WriteFileAtomicGivesANewFileItsModeLessTheUmask) {
    const NewModeCase cases[] = {
        {"default mode, umask 022", 022, 0666, 0644},
        {"default mode, umask 027", 027, 0666, 0640},
        {"default mode, umask 0", 0, 0666, 0666},
        {"owner only, umask 022", 022, 0600, 0600},
        {"owner only, umask 0", 0, 0600, 0600},
        {"executable, umask 022", 022, 0755, 0755},
        {"umask 077", 077, 0666, 0600},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string file = dir.File("new.txt");
        {
            UmaskGuard mask(c.umask);
            WriteFileAtomic(file, "x", c.newFileMode);
        }
        EXPECT_EQ(Mode(file), c.expected) << c.name;
    }
}

TEST(FileIOTest, WriteFileAtomicDefaultModeIs0666LessTheUmask) {
    TempDir dir;
    const std::string file = dir.File("new.txt");
    {
        UmaskGuard mask(022);
        WriteFileAtomic(file, "x");
    }
    EXPECT_EQ(Mode(file), 0644u);
}

TEST(FileIOTest, WriteFileAtomicRefusesAReadOnlyFileAndKeepsIt) {
    // Tests run as root in CI; a file without write bits counts as read-only all the same.
    const unsigned modes[] = {0444, 0400, 0555, 0000};
    for (unsigned mode : modes) {
        TempDir dir;
        const std::string file = dir.Write("locked.txt", "old content");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        try {
            WriteFileAtomic(file, "new content");
            ADD_FAILURE() << "no FileError for mode " << std::oct << mode;
        } catch (const FileError& error) {
            EXPECT_EQ(error.Path(), file);
            EXPECT_NE(std::string(error.what()).find(file), std::string::npos);
            EXPECT_NE(std::string(error.what()).find(std::strerror(EACCES)), std::string::npos)
                << error.what();
        }
        ::chmod(file.c_str(), 0600);
        EXPECT_EQ(ReadBytes(file), "old content") << std::oct << mode;
        EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"locked.txt"}) << std::oct << mode;
    }
}

TEST(FileIOTest, WriteFileAtomicIntoAMissingFolderRaisesFileError) {
    TempDir dir;
    const std::string file = dir.File("missing/new.txt");
    try {
        WriteFileAtomic(file, "x");
        FAIL() << "no FileError";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), file);
        EXPECT_NE(std::string(error.what()).find(file), std::string::npos);
        EXPECT_NE(std::string(error.what()).find(std::strerror(ENOENT)), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(Names(dir.Path()).empty());
}

TEST(FileIOTest, WriteFileAtomicOverAFolderRaisesFileError) {
    TempDir dir;
    fs::create_directory(dir.Path() / "folder");
    EXPECT_THROW(WriteFileAtomic(dir.File("folder"), "x"), FileError);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "folder"));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"folder"});
}

TEST(FileIOTest, WriteFileAtomicWithAnEmptyNameRaisesFileError) {
    EXPECT_THROW(WriteFileAtomic("", "x"), FileError);
}

TEST(FileIOTest, WriteFileAtomicIntoAFolderWithoutWritePermissionLeavesNothingBehind) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write into any folder";
    }
    TempDir dir;
    fs::create_directory(dir.Path() / "locked");
    const std::string file = dir.Write("locked/old.txt", "old");
    ASSERT_EQ(::chmod((dir.Path() / "locked").c_str(), 0555), 0);
    EXPECT_THROW(WriteFileAtomic(file, "new"), FileError);
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_EQ(Names(dir.Path() / "locked"), std::vector<std::string>{"old.txt"});
}

TEST(FileIOTest, WriteFileAtomicWithARelativeNameWritesInTheCurrentFolder) {
    TempDir dir;
    CurrentFolderGuard restore;
    fs::current_path(dir.Path());
    WriteFileAtomic("plain.txt", "x");
    WriteFileAtomic("plain.txt", "y");
    EXPECT_EQ(ReadBytes(dir.File("plain.txt")), "y");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"plain.txt"});
}

struct LinkCase {
    const char* name;
    const char* target;     // the file finally pointed to, inside the temporary folder
    const char* linkText;   // what the link "link" holds
    const char* otherLink;  // a second link "second" made first, or nullptr
};

TEST(FileIOTest, WriteFileAtomicThroughALinkReplacesTheTargetAndKeepsTheLink) {
    const LinkCase cases[] = {
        {"relative link", "target.txt", "target.txt", nullptr},
        {"link into another folder", "other/target.txt", "other/target.txt", nullptr},
        {"link up and into another folder", "other/target.txt", "sub/../other/target.txt", nullptr},
        {"link to a link", "target.txt", "second", "target.txt"},
        {"absolute link", "other/target.txt", "", nullptr},
    };
    for (const auto& c : cases) {
        TempDir dir;
        fs::create_directory(dir.Path() / "other");
        fs::create_directory(dir.Path() / "sub");
        const std::string target = dir.Write(c.target, "old");
        ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
        if (c.otherLink != nullptr) {
            fs::create_symlink(c.otherLink, dir.Path() / "second");
        }
        const std::string linkText = *c.linkText != '\0' ? c.linkText : target;
        fs::create_symlink(linkText, dir.Path() / "link");
        const auto before = Names(dir.Path());
        const auto otherBefore = Names(dir.Path() / "other");

        WriteFileAtomic(dir.File("link"), "new");

        EXPECT_EQ(ReadBytes(target), "new") << c.name;
        EXPECT_EQ(Mode(target), 0640u) << c.name;
        EXPECT_TRUE(fs::is_symlink(dir.Path() / "link")) << c.name;
        EXPECT_EQ(fs::read_symlink(dir.Path() / "link").string(), linkText) << c.name;
        if (c.otherLink != nullptr) {
            EXPECT_TRUE(fs::is_symlink(dir.Path() / "second")) << c.name;
        }
        // No temporary file next to the link or next to the target.
        EXPECT_EQ(Names(dir.Path()), before) << c.name;
        EXPECT_EQ(Names(dir.Path() / "other"), otherBefore) << c.name;
    }
}

TEST(FileIOTest, WriteFileAtomicThroughALinkToAReadOnlyFileKeepsIt) {
    TempDir dir;
    const std::string target = dir.Write("target.txt", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    fs::create_symlink("target.txt", dir.Path() / "link");
    EXPECT_THROW(WriteFileAtomic(dir.File("link"), "new"), FileError);
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link"));
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"link", "target.txt"}));
}

TEST(FileIOTest, WriteFileAtomicThroughADanglingLinkCreatesItsTargetAndKeepsTheLink) {
    TempDir dir;
    fs::create_directory(dir.Path() / "other");
    fs::create_symlink("other/new.txt", dir.Path() / "link");
    {
        UmaskGuard mask(022);
        WriteFileAtomic(dir.File("link"), "new");
    }
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link"));
    EXPECT_EQ(ReadBytes(dir.File("other/new.txt")), "new");
    EXPECT_EQ(Mode(dir.File("other/new.txt")), 0644u);
    EXPECT_EQ(Names(dir.Path() / "other"), std::vector<std::string>{"new.txt"});
}

TEST(FileIOTest, WriteFileAtomicThroughALinkLoopRaisesFileErrorAndKeepsTheLinks) {
    TempDir dir;
    fs::create_symlink("loop2", dir.Path() / "loop1");
    fs::create_symlink("loop1", dir.Path() / "loop2");
    EXPECT_THROW(WriteFileAtomic(dir.File("loop1"), "x"), FileError);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "loop1"));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "loop2"));
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"loop1", "loop2"}));
}

// The application runs in the user's locale (Qt sets it from the environment), where the
// system's reason may be Japanese UTF-8; the message must still be Shift-JIS throughout.
TEST(FileIOTest, FileErrorReasonInAJapaneseLocaleIsShiftJis) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "ja_JP.UTF-8") == nullptr) {
        GTEST_SKIP() << "no ja_JP.UTF-8 locale";
    }
    const std::string japanese = std::strerror(ENOENT);
    TempDir dir;
    std::string message;
    try {
        ReadWholeFile(dir.File("missing.txt"));
    } catch (const FileError& error) {
        message = error.what();
    }
    std::setlocale(LC_ALL, saved.c_str());
    if (japanese == std::strerror(ENOENT)) {
        GTEST_SKIP() << "the C library's messages are not translated to Japanese";
    }
    EXPECT_EQ(message, Sjis("ファイル \"") + dir.File("missing.txt") + Sjis("\" を開けません。") +
                           Sjis(japanese));
}

// --- FileExists -----------------------------------------------------------------------------

TEST(FileIOTest, FileExists) {
    TempDir dir;
    dir.Write("file.txt", "x");
    dir.Write("empty.txt", "");
    fs::create_directory(dir.Path() / "folder");
    fs::create_symlink("file.txt", dir.Path() / "link");
    fs::create_symlink("missing.txt", dir.Path() / "dangling");
    fs::create_symlink("folder", dir.Path() / "folder-link");
    struct Case {
        const char* name;
        std::string file;
        bool exists;
    };
    const Case cases[] = {
        {"a file", dir.File("file.txt"), true},
        {"an empty file", dir.File("empty.txt"), true},
        {"a folder", dir.File("folder"), false},
        {"a folder with final separator", dir.File("folder") + "/", false},
        {"a missing file", dir.File("missing.txt"), false},
        {"a file in a missing folder", dir.File("missing/file.txt"), false},
        {"a link to a file", dir.File("link"), true},
        {"a dangling link", dir.File("dangling"), false},
        {"a link to a folder", dir.File("folder-link"), false},
        {"an empty name", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileExists(c.file), c.exists) << c.name;
    }
}

// --- The process's folders ------------------------------------------------------------------

TEST(FileIOTest, CurrentFolderIsTheWorkingDirectoryWithoutFinalSeparator) {
    const std::string folder = CurrentFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder == "/" || folder.back() != '/') << folder;
    EXPECT_TRUE(fs::equivalent(folder, fs::current_path()));
}

TEST(FileIOTest, CurrentFolderFollowsAChangeOfFolder) {
    TempDir dir;
    CurrentFolderGuard restore;
    fs::current_path(dir.Path());
    EXPECT_EQ(CurrentFolder(), fs::canonical(dir.Path()).string());
    fs::current_path("/");
    EXPECT_EQ(CurrentFolder(), "/");
}

TEST(FileIOTest, CurrentFolderWithAJapaneseNameIsShiftJis) {
    TempDir dir;
    fs::create_directory(dir.Path() / "日記");
    CurrentFolderGuard restore;
    fs::current_path(dir.Path() / "日記");
    EXPECT_EQ(CurrentFolder(), fs::canonical(dir.Path()).string() + "/" + Sjis("日記"));
}

TEST(FileIOTest, ExecutableFolderIsTheFolderOfThisTestProgram) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/') << folder;
    EXPECT_TRUE(fs::equivalent(folder, SUMIREL_TEST_BINARY_DIR))
        << folder << " vs " << SUMIREL_TEST_BINARY_DIR;
    EXPECT_TRUE(fs::exists(fs::path(folder) / "platform_tests"));
}

// --- Native file names ----------------------------------------------------------------------

TEST(FileIOTest, ShiftJisFileNameReachesTheUtf8FileOnDisk) {
    TempDir dir;
    dir.Write("日記.txt", "diary\0bytes"s);  // the name on disk is UTF-8
    const std::string sjisName = dir.Path().string() + "/" + Sjis("日記.txt");
    EXPECT_TRUE(FileExists(sjisName));
    EXPECT_EQ(ReadWholeFile(sjisName), "diary\0bytes"s);
    EXPECT_EQ(NativePath(sjisName), dir.Path() / "日記.txt");
    EXPECT_EQ(TextFromNativePath(dir.Path() / "日記.txt"), sjisName);

    WriteFileAtomic(sjisName, "rewritten");
    EXPECT_EQ(ReadBytes((dir.Path() / "日記.txt").string()), "rewritten");
    WriteFileAtomic(dir.Path().string() + "/" + Sjis("新しい①.txt"), "new");
    EXPECT_EQ(ReadBytes((dir.Path() / "新しい①.txt").string()), "new");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"新しい①.txt", "日記.txt"}));
}

struct NameCase {
    const char* name;
    std::string text;    // Shift-JIS
    std::string native;  // UTF-8
};

TEST(FileIOTest, NativePathAndBackRoundTrip) {
    const NameCase cases[] = {
        {"ASCII", "/tmp/diary.txt", "/tmp/diary.txt"},
        {"empty", "", ""},
        {"kanji", Sjis("/home/日記/日記.txt"), "/home/日記/日記.txt"},
        {"half-width katakana", Sjis("ﾆｯｷ.txt"), "ﾆｯｷ.txt"},
        {"NEC extension", Sjis("①㈱.html"), "①㈱.html"},
        {"0x5C trail byte", Sjis("表.txt"), "表.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NativePath(c.text).native(), c.native) << c.name;
        EXPECT_EQ(TextFromNativePath(fs::path(c.native)), c.text) << c.name;
    }
}

TEST(FileIOTest, NamesThatDoNotConvertPassThroughUnchanged) {
    // Not Shift-JIS (a lone lead byte, bytes 0xFD-0xFF): handed to the file system as they are.
    for (const std::string& text : {"a\x82"s, "\xff\xfe.txt"s}) {
        EXPECT_EQ(NativePath(text).native(), text);
    }
    // Not in code page 932 (an emoji), or not UTF-8: given back as they are.
    for (const std::string& native : {"\xf0\x9f\x98\x80.txt"s, "\xff.txt"s}) {
        EXPECT_EQ(TextFromNativePath(fs::path(native)), native);
    }
}

}  // namespace

namespace {

TEST(FileIOTest, AnythingButARegularFileIsRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    // Run apart, so that a read that waits in open fails the test instead of hanging it; a
    // writer opened afterwards lets such a read go.
    auto read = std::async(std::launch::async, [&] { return ReadWholeFile(fifo); });
    if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "ReadWholeFile waited on a FIFO";
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
    }
    try {
        read.get();
        ADD_FAILURE() << "a FIFO was read";
    } catch (const FileError& error) {
        EXPECT_EQ(error.Path(), fifo);
        EXPECT_NE(std::string(error.what()).find(Sjis(u8"通常のファイルではありません")),
                  std::string::npos);
    }
    EXPECT_THROW(WriteFileAtomic(fifo, "x"), FileError);
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced";
    EXPECT_THROW(ReadWholeFile("/dev/null"), FileError);
    EXPECT_FALSE(Sumirel::IsRegularFile(fifo));
    EXPECT_TRUE(Sumirel::IsRegularFile(dir.Write("plain", "x")));
}

}  // namespace
