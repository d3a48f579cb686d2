// 1-based byte-string editing: Substring, DeleteBytes, InsertBytes at their edges.

#include "platform/ByteString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "support/TempDir.h"

namespace {

using Sumirel::DeleteBytes;
using Sumirel::InsertBytes;
using Sumirel::Substring;
using SumirelTest::Sjis;
using namespace std::string_literals;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

struct SubstringCase {
    const char* name;
    std::string text;
    std::int64_t start;
    std::int64_t count;
    std::string expected;
};

TEST(ByteStringTest, Substring) {
    const SubstringCase cases[] = {
        {"whole text", "abcde", 1, 5, "abcde"},
        {"first byte", "abcde", 1, 1, "a"},
        {"middle", "abcde", 2, 3, "bcd"},
        {"last byte", "abcde", 5, 1, "e"},
        {"count past the end stops at the end", "abcde", 4, 10, "de"},
        {"huge count", "abcde", 2, kMax, "bcde"},
        {"start 0 counts as 1", "abcde", 0, 2, "ab"},
        {"negative start counts as 1", "abcde", -3, 2, "ab"},
        {"most negative start", "abcde", kMin, 1, "a"},
        {"start = size + 1 is empty", "abcde", 6, 1, ""},
        {"start beyond the end is empty", "abcde", 7, 3, ""},
        {"huge start is empty", "abcde", kMax, kMax, ""},
        {"count 0 is empty", "abcde", 1, 0, ""},
        {"negative count is empty", "abcde", 2, -1, ""},
        {"most negative count is empty", "abcde", 2, kMin, ""},
        {"empty text", "", 1, 1, ""},
        {"empty text, start 0", "", 0, 5, ""},
        {"NUL bytes are ordinary", "a\0b\0c"s, 2, 3, "\0b\0"s},
        {"positions count bytes, not characters", Sjis("日記"), 2, 2, Sjis("日記").substr(1, 2)},
        {"a double-byte character", Sjis("日記"), 3, 2, Sjis("記")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Substring(c.text, c.start, c.count), c.expected) << c.name;
    }
}

struct DeleteCase {
    const char* name;
    std::string text;
    std::int64_t start;
    std::int64_t count;
    std::string expected;
};

TEST(ByteStringTest, DeleteBytes) {
    const DeleteCase cases[] = {
        {"first byte", "abcde", 1, 1, "bcde"},
        {"middle", "abcde", 2, 3, "ae"},
        {"last byte", "abcde", 5, 1, "abcd"},
        {"count past the end stops at the end", "abcde", 4, 10, "abc"},
        {"everything", "abcde", 1, 5, ""},
        {"huge count from the start", "abcde", 1, kMax, ""},
        {"start = size + 1 deletes nothing", "abcde", 6, 1, "abcde"},
        {"start beyond the end deletes nothing", "abcde", 9, 1, "abcde"},
        {"huge start deletes nothing", "abcde", kMax, kMax, "abcde"},
        {"start 0 deletes nothing", "abcde", 0, 2, "abcde"},
        {"negative start deletes nothing", "abcde", -1, 3, "abcde"},
        {"most negative start deletes nothing", "abcde", kMin, kMax, "abcde"},
        {"count 0 deletes nothing", "abcde", 2, 0, "abcde"},
        {"negative count deletes nothing", "abcde", 2, -2, "abcde"},
        {"empty text", "", 1, 1, ""},
        {"NUL bytes are ordinary", "a\0b\0c"s, 2, 2, "a\0c"s},
        {"a double-byte character", Sjis("日記"), 1, 2, Sjis("記")},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        DeleteBytes(text, c.start, c.count);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

struct InsertCase {
    const char* name;
    std::string text;
    std::string what;
    std::int64_t start;
    std::string expected;
};

TEST(ByteStringTest, InsertBytes) {
    const InsertCase cases[] = {
        {"at 1 prepends", "abc", "XY", 1, "XYabc"},
        {"in the middle", "abc", "XY", 2, "aXYbc"},
        {"before the last byte", "abc", "XY", 3, "abXYc"},
        {"at size + 1 appends", "abc", "XY", 4, "abcXY"},
        {"beyond the end appends", "abc", "XY", 10, "abcXY"},
        {"huge start appends", "abc", "XY", kMax, "abcXY"},
        {"at 0 prepends", "abc", "XY", 0, "XYabc"},
        {"negative start prepends", "abc", "XY", -7, "XYabc"},
        {"most negative start prepends", "abc", "XY", kMin, "XYabc"},
        {"into an empty text", "", "XY", 1, "XY"},
        {"into an empty text beyond the end", "", "XY", 5, "XY"},
        {"nothing inserted", "abc", "", 2, "abc"},
        {"NUL bytes are ordinary", "a\0b"s, "\0\0"s, 2, "a\0\0\0b"s},
        {"line breaks kept", "ab", "\r\n", 2, "a\r\nb"},
        {"Shift-JIS bytes", Sjis("日記"), Sjis("の"), 3, Sjis("日の記")},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        InsertBytes(text, c.what, c.start);
        EXPECT_EQ(text, c.expected) << c.name;
    }
}

TEST(ByteStringTest, InsertBytesOfTheTextIntoItself) {
    std::string text = "abc";
    InsertBytes(text, text, 2);
    EXPECT_EQ(text, "aabcbc");
}

TEST(ByteStringTest, DeleteThenInsertRestoresTheText) {
    const std::string original = "<Start>\r\n" + Sjis("日記") + "\r\n<End>\r\n";
    for (std::int64_t start = 1; start <= static_cast<std::int64_t>(original.size()); ++start) {
        for (std::int64_t count = 1; count <= 4; ++count) {
            std::string text = original;
            const std::string cut = Substring(text, start, count);
            DeleteBytes(text, start, count);
            EXPECT_EQ(text.size() + cut.size(), original.size());
            InsertBytes(text, cut, start);
            EXPECT_EQ(text, original) << "start " << start << " count " << count;
        }
    }
}

}  // namespace
