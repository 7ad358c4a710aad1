// The countdown label's text and place.
#include "workers/tickers.h"

#include "platform/encoding/gbk.h"
#include "tests/support/workerWindow.h"

#include <gtest/gtest.h>

using namespace workers;
using testsupport::gbkPeriodNames;

namespace {

TEST(Countdown, TextAtMoments) {
    struct Case {
        int minute, second;
        const char* firstLine;
    };
    const Case cases[] = {
        {59, 59, "还有1秒进入辰"}, {0, 0, "还有300秒进入巳"}, {7, 15, "还有165秒进入午"},
        {4, 59, "还有1秒进入巳"},  {5, 0, "还有300秒进入午"}, {30, 1, "还有299秒进入亥"},
    };
    const PeriodNames names = gbkPeriodNames();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstLine);
        EXPECT_EQ(countdownText(c.minute, c.second, names),
                  encoding::toGbk(std::string(c.firstLine) + "\r\n       ↓"));
    }
}

TEST(Countdown, LabelCentredOverTheButton) {
    struct Case {
        int buttonLeft, labelWidth, buttonWidth, left;
    };
    const Case cases[] = {
        {100, 104, 30, 63}, // the form's sizes: 37 pixels to the left
        {0, 104, 30, -37},  {10, 30, 30, 10}, {10, 31, 30, 9}, // 9.5 truncated
        {10, 33, 30, 8},    {0, 31, 30, 0},                    // -0.5 truncated toward zero
        {10, 20, 30, 15},                                      // a label narrower than its button
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.buttonLeft << " " << c.labelWidth << " " << c.buttonWidth);
        EXPECT_EQ(countdownLabelLeft(c.buttonLeft, c.labelWidth, c.buttonWidth), c.left);
    }
}

} // namespace
