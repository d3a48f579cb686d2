#include "diary/FragmentPlan.h"

#include <gtest/gtest.h>

#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace {

using Sumirel::FieldValues;
using Sumirel::FragmentPlan;

TEST(FragmentPlan, InertValues) {
    const struct {
        std::string value;
        bool inert;
    } cases[] = {
        {"", false},
        {"Hello", false},
        {"a b/c_d", false},
        {"2002/3/4", true},
        {"x<!y1", false},
        {"a-->b1", false},
        {"1 ab<", false},
        {">1", false},
        {"->1", false},
        {"a-b!c1", true},
        {"<BR>\r\n", true},
        {"a--b>1", true},
        {SumirelTest::Sjis("晴れ"), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FragmentPlan::Inert(c.value), c.inert) << c.value;
    }
}

// Wherever the plan renders an entry, it gives the bytes the full rendering gives: tried on
// fragments whose markers sit right against each other and against marker pieces, with every
// combination of a pool of values.
TEST(FragmentPlan, AgreesWithFullRenderingWhereverItApplies) {
    const std::string fragments[] = {
        "<!--contents--><!--date--><!--weather--><!--title--><!--count-->",
        "<!--<!--date-->-->|<!-<!--title-->-title-->",
        "<!--ti<!--count-->tle-->",
        "<!--title--> <!--title-->:<!--date-->",
        "<p><!--contents--></p><!-- WHEATHER -->",
    };
    const std::string pool[] = {"t",     "title", "2002/3/4", "<!--",  "-->x1", "x<",
                                "1 a b", "0",     "<BR>\r\n", "date1", "-x1"};
    SumirelTest::RecordingReporter reporter;
    int planned = 0;
    for (const std::string& fragment : fragments) {
        const FragmentPlan plan(fragment, reporter);
        for (const std::string& a : pool) {
            for (const std::string& b : pool) {
                const FieldValues values{a, b, a, b, "7"};
                std::string out;
                if (plan.TryAppend(out, values)) {
                    ++planned;
                    EXPECT_EQ(out, Sumirel::ReplaceFieldMarkers(fragment, values, reporter))
                        << fragment << " / " << a << " / " << b;
                }
            }
        }
    }
    EXPECT_GT(planned, 0);
    EXPECT_TRUE(reporter.engineMessages.empty());
}

}  // namespace
