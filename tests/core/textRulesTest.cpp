#include "core/textRules.h"
#include "platform/encoding/gbk.h"

#include <gtest/gtest.h>

using namespace core;

struct IntCase {
    std::string utf8;
    std::int32_t value;
};

TEST(TextRules, TextToInt) {
    const IntCase cases[] = {
        {"120", 120},
        {"１２０", 120},            // full-width digits of GBK row A3
        {"－４５", -45},            // full-width sign
        {"＋７", 7},
        {"　 12", 12},              // full-width space, then a space
        {" \t\r\n\v\f-8x", -8},
        {"120abc", 120},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+-3", 0},
        {"007", 7},
        {"1 2", 1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", -2147483647 - 1}, // wraps around
        {"4294967297", 1},
        {"辰12", 0},
        {"12辰", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(textToInt(encoding::toGbk(c.utf8)), c.value);
    }
}

TEST(TextRules, A3TrailOfAnotherCharacterIsNotAFullWidthDigit) {
    // 0xB0 0xA3 is one character; the 0xA3 inside it must not start a full-width digit.
    const std::string text = std::string("\xB0\xA3\xB1", 3);
    EXPECT_EQ(textToInt(text), 0);
}

TEST(TextRules, IntToText) {
    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-120), "-120");
    EXPECT_EQ(intToText(5), "5");
    EXPECT_EQ(intToText(-2147483648LL), "-2147483648");
}

TEST(TextRules, GbkFindStepsOverDoubleByteCharacters) {
    // "\xB0\xA1" is one character; "\xA1\xB0" appears across its boundary and must not match.
    const std::string text = "\xB0\xA1\xB0\xA1";
    EXPECT_EQ(gbkFind(text, "\xA1\xB0"), std::string::npos);
    EXPECT_EQ(gbkFind(text, "\xB0\xA1", 2), 2u);
    EXPECT_EQ(gbkFind(text, "\xB0\xA1"), 0u);
}
