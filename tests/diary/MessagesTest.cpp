#include "diary/Messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/MessageCheck.h"
#include "support/TempDir.h"

namespace {

TEST(MessagesTest, EveryEngineMessageIsShiftJis) {
    EXPECT_EQ(SumirelTest::MessagesNotConverted(Sumirel::Messages::All()),
              std::vector<std::string>{});
    EXPECT_EQ(std::string(Sumirel::Messages::kDiaryDamaged),
              SumirelTest::Sjis("日記ファイルが破損しています\r\n"
                                "手動で書き換えた場合には構文を確認してください"));
}

}  // namespace
