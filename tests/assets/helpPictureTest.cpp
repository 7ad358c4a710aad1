// Checks the help picture as the program holds it: size, opacity, the even field that the help
// window's tiles repeat, the window's place and the four red notes.

#include "assets/embedded.h"
#include "platform/png/png.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>

namespace {

constexpr std::uint32_t field = 0x99ACAA;
constexpr std::uint32_t red = 0xFB3838;

class HelpPicture : public testing::Test {
  protected:
    static void SetUpTestSuite() { image = new png::Image(png::decode(assets::helpPicture())); }
    static void TearDownTestSuite() {
        delete image;
        image = nullptr;
    }

    static std::uint32_t rgb(int x, int y) {
        const std::uint8_t* p = pixelAt(x, y);
        return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
    static int alpha(int x, int y) { return pixelAt(x, y)[3]; }

    static bool nearly(std::uint32_t a, std::uint32_t b, int tolerance) {
        for (int shift : {16, 8, 0}) {
            if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance) {
                return false;
            }
        }
        return true;
    }

    static int redPixelsIn(int left, int top, int width, int height) {
        int count = 0;
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x)
                count += nearly(rgb(x, y), red, 10) ? 1 : 0;
        }
        return count;
    }

    static png::Image* image;

  private:
    static const std::uint8_t* pixelAt(int x, int y) {
        return &image->rgba[(std::size_t(y) * image->width + x) * 4];
    }
};

png::Image* HelpPicture::image = nullptr;

TEST_F(HelpPicture, IsAnOpaquePictureOfItsSize) {
    ASSERT_EQ(image->width, 1139);
    ASSERT_EQ(image->height, 482);
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x)
            ASSERT_EQ(alpha(x, y), 255) << x << "," << y;
    }
}

TEST_F(HelpPicture, TopRowsAndLeftColumnsHoldOnlyTheField) {
    ASSERT_EQ(image->width, 1139);
    ASSERT_EQ(image->height, 482);
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            if (y >= 78 && x >= 143) continue;
            ASSERT_EQ(rgb(x, y), field) << x << "," << y;
        }
    }
}

TEST_F(HelpPicture, WindowStandsAtItsPlaceOnTheField) {
    ASSERT_EQ(image->width, 1139);
    // Its corners are drawn, the column left of it and the row under its left part are field.
    for (auto [x, y] : {std::pair{293, 127}, {828, 127}, {293, 317}, {828, 317}})
        EXPECT_NE(rgb(x, y), field) << x << "," << y;
    for (int y = 127; y <= 317; ++y)
        EXPECT_EQ(rgb(292, y), field) << y;
    for (int x = 293; x <= 320; ++x)
        EXPECT_EQ(rgb(x, 318), field) << x;
}

struct NoteCase {
    const char* name;
    int x, y; // where the note begins
};

void PrintTo(const NoteCase& note, std::ostream* out) {
    *out << note.name << " at " << note.x << "," << note.y;
}

class HelpNotes : public HelpPicture, public testing::WithParamInterface<NoteCase> {};

TEST_P(HelpNotes, AreWrittenInRedWhereTheyBegin) {
    ASSERT_EQ(image->width, 1139);
    const NoteCase note = GetParam();
    EXPECT_GE(redPixelsIn(note.x, note.y, 80, 30), 40);
}

INSTANTIATE_TEST_SUITE_P(Assets, HelpNotes,
                         testing::Values(NoteCase{"selectPeriods", 678, 78},
                                         NoteCase{"advances", 864, 258},
                                         NoteCase{"alertMethods", 612, 408},
                                         NoteCase{"switch", 143, 426}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ArrowTip {
    const char* target;
    int x, y; // a small box around where the arrow's head should be
};

void PrintTo(const ArrowTip& tip, std::ostream* out) {
    *out << tip.target << " at " << tip.x << "," << tip.y;
}

class HelpArrows : public HelpPicture, public testing::WithParamInterface<ArrowTip> {};

TEST_P(HelpArrows, EndAtWhatTheirNoteExplains) {
    ASSERT_EQ(image->width, 1139);
    const ArrowTip tip = GetParam();
    EXPECT_GE(redPixelsIn(tip.x - 8, tip.y - 8, 16, 16), 12);
}

// In the window at (293, 127): the button of 酉, the sixth advance box, the alert-method boxes
// and the switch.
INSTANTIATE_TEST_SUITE_P(Assets, HelpArrows,
                         testing::Values(ArrowTip{"periodButtonOfYou", 572, 194},
                                         ArrowTip{"sixthAdvanceBox", 578, 270},
                                         ArrowTip{"alertMethodBoxes", 592, 316},
                                         ArrowTip{"switchButton", 348, 314}),
                         [](const auto& info) { return std::string(info.param.target); });

} // namespace
