#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace {

using Sumirel::IniFile;
using Sumirel::IniWriteError;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::TempDir;

constexpr char kMissing[] = "<default>";

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
};

TEST(IniFileTest, ReadsHandWrittenFiles) {
    const ReadCase cases[] = {
        {"plain", "[Files]\r\nDiaryFileName=a.txt\r\n", "Files", "DiaryFileName", "a.txt"},
        {"blanks around names and value", "  [ Files ]\t\r\n \tDiaryFileName \t=  a b \t\r\n",
         "Files", "DiaryFileName", "a b"},
        {"letter case of names", "[fILES]\r\ndiaryfilename=x\r\n", "Files", "DiaryFileName", "x"},
        {"quotes removed", "[S]\r\nK=  \"  x  \"  \r\n", "S", "K", "  x  "},
        {"one pair of quotes only", "[S]\r\nK=\"\"x\"\"\r\n", "S", "K", "\"x\""},
        {"lone quote kept", "[S]\r\nK=\"x\r\n", "S", "K", "\"x"},
        {"empty value", "[S]\r\nK=\r\n", "S", "K", ""},
        {"equals sign in value", "[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
        {"duplicate key: first wins", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "1"},
        {"duplicate section: first wins", "[S]\r\nK=1\r\n[S]\r\nK=2\r\n", "S", "K", "1"},
        {"duplicate section: only the first counts", "[S]\r\n[T]\r\n[S]\r\nK=2\r\n", "S", "K",
         kMissing},
        {"key of another section", "[T]\r\nK=1\r\n[S]\r\nL=2\r\n", "S", "K", kMissing},
        {"key before any section", "K=1\r\n[S]\r\n", "S", "K", kMissing},
        {"missing section", "[T]\r\nK=1\r\n", "S", "K", kMissing},
        {"comment is no key", "[S]\r\n;K=1\r\nK=2\r\n", "S", "K", "2"},
        {"LF and lone CR line ends", "[S]\nJ=1\rK=2", "S", "K", "2"},
        {"Shift-JIS value", "[S]\r\nK=" + Sjis("日記.txt") + "\r\n", "S", "K", Sjis("日記.txt")},
        // ア (83 41) and ャ (83 61) differ only in an ASCII-letter trail byte.
        {"trail bytes compare exactly", "[S]\r\n\x83\x41=1\r\n", "S", "\x83\x61", kMissing},
        {"empty file", "", "S", "K", kMissing},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const IniFile ini(dir.Write("sumirel.ini", c.file));
        EXPECT_EQ(ini.ReadString(c.section, c.key, kMissing), c.expected);
    }
}

TEST(IniFileTest, MissingFileGivesDefaults) {
    TempDir dir;
    const IniFile ini(dir.File("none.ini"));
    EXPECT_EQ(ini.ReadString("S", "K", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("S", "K", 21), 21);
    EXPECT_TRUE(ini.ReadBool("S", "K", true));
    EXPECT_EQ(ReadBytes(dir.File("none.ini")), "<missing>");
}

struct IntegerCase {
    const char* name;
    std::string text;
    bool ok;
    std::int32_t value;
};

TEST(IniFileTest, ParsesIntegers) {
    const IntegerCase cases[] = {
        {"decimal", "21", true, 21},
        {"blanks and sign", " \t-3", true, -3},
        {"plus sign", "+7", true, 7},
        {"0x hex", "0x15", true, 21},
        {"0X hex", "0XfF", true, 255},
        {"dollar hex", "$15", true, 21},
        {"sign before hex", "-0x15", true, -21},
        {"sign before dollar", "-$10", true, -16},
        {"leading zeros", "0021", true, 21},
        {"largest", "2147483647", true, 2147483647},
        {"smallest", "-2147483648", true, INT32_MIN},
        {"smallest in hex", "-0x80000000", true, INT32_MIN},
        {"too large", "2147483648", false, 0},
        {"too large in hex", "0x80000000", false, 0},
        {"far too large", "99999999999999999999", false, 0},
        {"trailing garbage", "12abc", false, 0},
        {"trailing blank", "12 ", false, 0},
        {"word", "abc", false, 0},
        {"empty", "", false, 0},
        {"sign only", "-", false, 0},
        {"blank after sign", "- 3", false, 0},
        {"prefix only", "0x", false, 0},
        {"dollar only", "$", false, 0},
        {"bad hex digit", "0x1g", false, 0},
        {"decimal point", "1.5", false, 0},
        {"two signs", "+-1", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::int32_t value = 12345;
        EXPECT_EQ(Sumirel::ParseIniInteger(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(IniFileTest, ReadsIntegersAndBooleansFromTheFile) {
    TempDir dir;
    const IniFile ini(dir.Write("sumirel.ini",
                                "[FTP]\r\nHex= 0x15 \r\nQuoted=\"-3\"\r\nBad=12abc\r\nTwo=2\r\n"
                                "Zero=0\r\nMinus=-1\r\nWord=yes\r\nEmpty=\r\n"));
    EXPECT_EQ(ini.ReadInteger("FTP", "Hex", 7), 21);
    EXPECT_EQ(ini.ReadInteger("FTP", "Quoted", 7), -3);
    EXPECT_EQ(ini.ReadInteger("FTP", "Bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("FTP", "Empty", 7), 7);

    struct BoolCase {
        const char* key;
        bool defaultValue;
        bool expected;
    };
    const BoolCase cases[] = {
        {"Two", false, true},  {"Zero", true, false},    {"Minus", false, true},
        {"Hex", false, true},  {"Word", false, false},   {"Word", true, true},
        {"Empty", true, true}, {"Absent", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.ReadBool("FTP", c.key, c.defaultValue), c.expected);
    }
}

struct WriteCase {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

TEST(IniFileTest, WritesOneKeyAndKeepsTheRest) {
    const WriteCase cases[] = {
        {"new file", "", "FTP", "Port", "21", "[FTP]\r\nPort=21\r\n"},
        {"new key after the section's last key",
         "; head\r\n[A]\r\nK=1\r\n\r\n; about B\r\n[B]\r\nX=1\r\n", "a", "L", "2",
         "; head\r\n[A]\r\nK=1\r\nL=2\r\n\r\n; about B\r\n[B]\r\nX=1\r\n"},
        {"new key in a section without keys", "[A]\r\n\r\n[B]\r\n", "A", "K", "v",
         "[A]\r\nK=v\r\n\r\n[B]\r\n"},
        {"new section at the end", "[A]\r\nK=1", "B", "X", "5", "[A]\r\nK=1\r\n[B]\r\nX=5\r\n"},
        {"existing key: text up to '=' kept, other lines kept",
         "[A]\n  k = old \n;c\nOther= x \n\n", "A", "K", "new",
         "[A]\r\n  k =new\r\n;c\r\nOther= x \r\n\r\n"},
        {"duplicate key: the first is changed", "[A]\r\nK=1\r\nK=2\r\n", "A", "K", "3",
         "[A]\r\nK=3\r\nK=2\r\n"},
        {"duplicate section: the first is changed", "[A]\r\n[B]\r\n[A]\r\nK=2\r\n", "A", "K", "3",
         "[A]\r\nK=3\r\n[B]\r\n[A]\r\nK=2\r\n"},
        {"value with blanks is quoted", "", "A", "K", " x ", "[A]\r\nK=\" x \"\r\n"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("sumirel.ini");
        std::remove(path.c_str());
        if (!c.before.empty()) {
            dir.Write("sumirel.ini", c.before);
        }
        IniFile ini(path);
        ini.WriteString(c.section, c.key, c.value);
        EXPECT_EQ(ReadBytes(path), c.after);
    }
}

TEST(IniFileTest, WrittenValuesReadBackExactly) {
    const struct {
        const char* name;
        std::string value;
    } cases[] = {
        {"empty", ""},
        {"leading blank", " lead"},
        {"trailing tab", "trail\t"},
        {"only blanks", "   "},
        {"enclosed in quotes", "\"quoted\""},
        {"a single quote", "\""},
        {"two quotes", "\"\""},
        {"quote inside", "a\"b"},
        {"starts with a quote", "\"a"},
        {"control bytes and NUL", std::string("\x01\x1f\0\x7f", 4)},
        {"Shift-JIS", Sjis("日記 ")},
        {"longer than 2047 bytes", std::string(3000, 'x') + "end"},
    };
    TempDir dir;
    IniFile ini(dir.File("sumirel.ini"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ini.WriteString("S", "K", c.value);
        EXPECT_EQ(ini.ReadString("S", "K", kMissing), c.value);
    }
}

TEST(IniFileTest, WritesIntegersAndBooleansAsText) {
    TempDir dir;
    IniFile ini(dir.File("sumirel.ini"));
    ini.WriteInteger("FTP", "Port", -5);
    ini.WriteBool("FTP", "DialUp", true);
    ini.WriteBool("FTP", "QuitDialUp", false);
    EXPECT_EQ(ReadBytes(ini.FileName()), "[FTP]\r\nPort=-5\r\nDialUp=1\r\nQuitDialUp=0\r\n");
    EXPECT_EQ(ini.ReadInteger("FTP", "Port", 0), -5);
    EXPECT_TRUE(ini.ReadBool("FTP", "DialUp", false));
    EXPECT_FALSE(ini.ReadBool("FTP", "QuitDialUp", true));
}

TEST(IniFileTest, NewFileIsOwnerOnly) {
    TempDir dir;
    IniFile ini(dir.File("sumirel.ini"));
    ini.WriteString("FTP", "Pass", "x");
    struct stat info {};
    ASSERT_EQ(::stat(ini.FileName().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Expects WriteString to raise IniWriteError with the exact message and the file unchanged.
void ExpectWriteRefused(const std::string& path, const std::string& value) {
    const std::string before = ReadBytes(path);
    IniFile ini(path);
    try {
        ini.WriteString("S", "K", value);
        ADD_FAILURE() << "no IniWriteError";
    } catch (const IniWriteError& e) {
        EXPECT_EQ(std::string(e.what()), path + Sjis(" に書き込めません"));
    }
    EXPECT_EQ(ReadBytes(path), before);
}

TEST(IniFileTest, ReadOnlyFileRaisesAndStaysUnchanged) {
    TempDir dir;
    const std::string path = dir.Write("sumirel.ini", "[S]\r\nK=old\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ExpectWriteRefused(path, "new");
}

TEST(IniFileTest, MissingFolderRaises) {
    TempDir dir;
    ExpectWriteRefused(dir.File("no-such-folder/sumirel.ini"), "new");
}

TEST(IniFileTest, LineBreakInValueIsRefused) {
    TempDir dir;
    const std::string path = dir.Write("sumirel.ini", "[S]\r\nK=old\r\n");
    ExpectWriteRefused(path, "a\r\nb");
    ExpectWriteRefused(path, "a\nb");
    ExpectWriteRefused(path, "a\r");
    ExpectWriteRefused(dir.File("new.ini"), "a\nb");  // and no file is created
}

}  // namespace

namespace {

using Sumirel::IniEdit;

// One edit of many keys: every key lands in one replacement, in the order written.
TEST(IniFileTest, EditStoresEveryKeyAtOnce) {
    TempDir dir;
    const std::string path = dir.Write("sumirel.ini", "; mine\r\n[S]\r\nK=old\r\n[T]\r\nX=1\r\n");
    IniEdit edit(path);
    edit.WriteString("S", "K", "new");
    edit.WriteInteger("S", "N", -5);
    edit.WriteBool("U", "B", true);
    edit.WriteString("s", "k", " again ");
    EXPECT_EQ(ReadBytes(path),
              "; mine\r\n[S]\r\nK=old\r\n[T]\r\nX=1\r\n");  // nothing before Commit
    edit.Commit();
    EXPECT_EQ(ReadBytes(path),
              "; mine\r\n[S]\r\nK=\" again \"\r\nN=-5\r\n[T]\r\nX=1\r\n[U]\r\nB=1\r\n");
}

// A failing edit changes nothing: not the keys before the failing one, not the file's mode.
TEST(IniFileTest, FailedEditLeavesTheFileAsItWas) {
    TempDir dir;
    const std::string before = "[S]\r\nK=old\r\n";
    const std::string path = dir.Write("sumirel.ini", before);
    {
        IniEdit edit(path);
        edit.WriteString("S", "K", "new");
        EXPECT_THROW(edit.WriteString("S", "L", "a\nb"), IniWriteError);
    }
    EXPECT_EQ(ReadBytes(path), before);

    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    IniEdit edit(path);
    edit.WriteString("S", "K", "new");
    edit.MakeOwnerOnly();
    EXPECT_THROW(edit.Commit(), IniWriteError);
    EXPECT_EQ(ReadBytes(path), before);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST(IniFileTest, OwnerOnlyEditNarrowsAWiderFile) {
    TempDir dir;
    const std::string path = dir.Write("sumirel.ini", "[S]\r\nK=old\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    IniEdit plain(path);
    plain.WriteString("S", "K", "plain");
    plain.Commit();
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);

    IniEdit secret(path);
    secret.WriteString("S", "Pass", "x");
    secret.MakeOwnerOnly();
    secret.Commit();
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

// A name that exists but is no readable file is an error for reading and writing alike; only
// a readable file without usable lines reads as empty.
TEST(IniFileTest, UnreadableFileIsAnErrorNeverEmpty) {
    TempDir dir;
    EXPECT_EQ(IniFile(dir.Write("junk.ini", "junk\r\n=\r\n[\r\n")).ReadString("S", "K", kMissing),
              kMissing);
    const std::string folder = dir.File("folder.ini");
    std::filesystem::create_directory(folder);
    EXPECT_THROW(IniFile(folder).ReadString("S", "K", ""), Sumirel::FileError);
    EXPECT_THROW(IniFile(folder).WriteString("S", "K", "v"), IniWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

}  // namespace
