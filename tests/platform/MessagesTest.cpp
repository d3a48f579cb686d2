#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/PlatformMessages.h"
#include "support/MessageCheck.h"
#include "support/TempDir.h"

namespace {

TEST(MessagesTest, EveryPlatformMessageIsShiftJis) {
    EXPECT_EQ(SumirelTest::MessagesNotConverted(Sumirel::PlatformMessages::All()),
              std::vector<std::string>{});
    EXPECT_EQ(std::string(Sumirel::PlatformMessages::kIniCannotWrite),
              SumirelTest::Sjis(" に書き込めません"));
}

}  // namespace
