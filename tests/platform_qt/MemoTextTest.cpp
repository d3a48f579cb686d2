#include "platform/qt/MemoText.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

TEST(MemoText, EditLineBreaksBecomeCrLfAndBack) {
    EXPECT_EQ(Sumirel::MemoBytes(QString::fromUtf8("日記\nb\n")),
              SumirelTest::Sjis("日記\r\nb\r\n"));
    EXPECT_EQ(Sumirel::MemoBytes(QString()), "");
    EXPECT_EQ(Sumirel::MemoDisplayText("a\r\nb\rc\nd"), QString("a\nb\nc\nd"));
    EXPECT_EQ(Sumirel::MemoDisplayText(SumirelTest::Sjis("日\r\n")), QString::fromUtf8("日\n"));
}

}  // namespace
