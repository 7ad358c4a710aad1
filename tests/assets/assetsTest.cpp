// Checks the pictures and the alarm sound as the program holds them, and that the tools in
// tools/ still make exactly the committed files.

#include "assets/embedded.h"
#include "platform/png/png.h"
#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::span<const std::uint8_t>;

struct Rgba {
    int r, g, b, a;
};

Rgba pixel(const png::Image& image, int x, int y) {
    const std::uint8_t* p = &image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

// Opaque and within `tolerance` of the colour in every channel.
bool looksLike(Rgba p, std::uint32_t rgb, int tolerance = 12) {
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return p.a == 255 && std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance &&
           std::abs(p.b - b) <= tolerance;
}

bool isDark(Rgba p) {
    return p.a >= 240 && std::max({p.r, p.g, p.b}) <= 40;
}
bool isGreen(Rgba p) {
    return looksLike(p, 0x30AB6A, 24);
}

png::Image decoded(Bytes bytes) {
    png::Image image = png::decode(bytes);
    EXPECT_TRUE(image.valid());
    return image;
}

// ---- Pictures -------------------------------------------------------------------------------

struct PictureCase {
    const char* name;
    Bytes (*bytes)();
    int width;
    int height;
};

void PrintTo(const PictureCase& picture, std::ostream* out) {
    *out << picture.name;
}

class Pictures : public testing::TestWithParam<PictureCase> {};

TEST_P(Pictures, DecodeToTheirSizeWithNoVisibleWhite) {
    const png::Image image = decoded(GetParam().bytes());
    ASSERT_EQ(image.width, GetParam().width);
    ASSERT_EQ(image.height, GetParam().height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba p = pixel(image, x, y);
            EXPECT_FALSE(p.a > 0 && p.r == 255 && p.g == 255 && p.b == 255)
                << "white at " << x << "," << y;
        }
    }
    // Every corner pixel lies outside the drawn shape.
    for (auto [x, y] : {std::pair{0, 0},
                        {image.width - 1, 0},
                        {0, image.height - 1},
                        {image.width - 1, image.height - 1}}) {
        EXPECT_EQ(pixel(image, x, y).a, 0) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Assets, Pictures,
    testing::Values(PictureCase{"periodUnselected", assets::periodUnselected, 110, 30},
                    PictureCase{"periodSelected", assets::periodSelected, 110, 30},
                    PictureCase{"switchRunning", assets::switchRunning, 83, 25},
                    PictureCase{"switchStopped", assets::switchStopped, 83, 25},
                    PictureCase{"icon", assets::icon, 32, 32}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SwitchPictures, HoldNoPureWhiteEvenWhereTransparent) {
    // The image button takes clicks wherever its picture is not pure white.
    for (Bytes bytes : {assets::switchRunning(), assets::switchStopped()}) {
        const png::Image image = decoded(bytes);
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                const Rgba p = pixel(image, x, y);
                ASSERT_FALSE(p.r == 255 && p.g == 255 && p.b == 255) << x << "," << y;
            }
        }
    }
}

struct Probe {
    int x;
    int y;
    std::uint32_t rgb;
};

TEST(SwitchPictures, KnobAndTrackSitOnTheirSides) {
    const png::Image running = decoded(assets::switchRunning());
    const png::Image stopped = decoded(assets::switchStopped());
    // Knob body beside its dots, and plain track above the letters.
    for (Probe probe : {Probe{6, 12, 0x3B3C41}, {45, 4, 0x1CA6ED}, {78, 12, 0x1CA6ED}}) {
        EXPECT_TRUE(looksLike(pixel(running, probe.x, probe.y), probe.rgb)) << probe.x;
    }
    for (Probe probe : {Probe{76, 12, 0x3B3C41}, {38, 4, 0x10151B}, {4, 12, 0x10151B}}) {
        EXPECT_TRUE(looksLike(pixel(stopped, probe.x, probe.y), probe.rgb)) << probe.x;
    }
}

// Grey pixels clearly lighter than the knob's body within the middle of the knob.
int knobDots(const png::Image& image, int knobLeft) {
    int dots = 0;
    for (int y = 6; y <= 18; ++y) {
        for (int x = knobLeft + 6; x <= knobLeft + 33; ++x) {
            const Rgba p = pixel(image, x, y);
            const bool grey = std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) <= 16;
            if (grey && p.r >= 0x3B + 20 && p.g >= 0x3C + 20 && p.b >= 0x41 + 20) ++dots;
        }
    }
    return dots;
}

TEST(SwitchPictures, KnobCarriesAGridOfDots) {
    EXPECT_GE(knobDots(decoded(assets::switchRunning()), 2), 9);
    EXPECT_GE(knobDots(decoded(assets::switchStopped()), 42), 9);
    EXPECT_EQ(knobDots(decoded(assets::switchStopped()), 2), 0) << "no knob on the left";
}

struct TextExtent {
    int pixels = 0;
    int left = 1000;
    int right = -1;
};

TextExtent lettersOf(const png::Image& image, std::uint32_t rgb) {
    TextExtent extent;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (!looksLike(pixel(image, x, y), rgb, 16)) continue;
            ++extent.pixels;
            extent.left = std::min(extent.left, x);
            extent.right = std::max(extent.right, x);
        }
    }
    return extent;
}

TEST(SwitchPictures, LettersStandOnTheTrackBesideTheKnob) {
    const TextExtent on = lettersOf(decoded(assets::switchRunning()), 0xA3F2FB);
    const TextExtent off = lettersOf(decoded(assets::switchStopped()), 0xB9ECF5);
    EXPECT_GE(on.pixels, 40);
    EXPECT_GE(on.left, 42); // right of the knob
    EXPECT_GE(off.pixels, 50);
    EXPECT_LE(off.right, 41); // left of the knob
    // Three letters take more room than two.
    EXPECT_GT(off.right - off.left, on.right - on.left + 4);
}

TEST(PeriodPictures, FrameIsDarkAlongItsEdgesAndClearElsewhere) {
    const png::Image image = decoded(assets::periodUnselected());
    for (int y = 9; y <= 21; ++y) {
        for (int x : {3, 4, 105, 106}) {
            EXPECT_TRUE(isDark(pixel(image, x, y))) << x << "," << y;
        }
    }
    for (int x = 9; x <= 100; ++x) {
        for (int y : {4, 5, 25, 26}) {
            EXPECT_TRUE(isDark(pixel(image, x, y))) << x << "," << y;
        }
    }
    // The notches at the corners, the inside and the margins are transparent.
    const std::pair<int, int> clear[] = {{3, 4},    {106, 4}, {3, 26},  {106, 26},
                                         {55, 15},  {10, 10}, {95, 15}, {0, 15},
                                         {109, 15}, {55, 0},  {55, 29}};
    for (auto [x, y] : clear) {
        EXPECT_EQ(pixel(image, x, y).a, 0) << x << "," << y;
    }
}

TEST(PeriodPictures, OnlyTheSelectedOneHasTheTickRisingToTheTopRow) {
    const png::Image unselected = decoded(assets::periodUnselected());
    const png::Image selected = decoded(assets::periodSelected());
    int greenInTopRow = 0;
    for (int x = 0; x < selected.width; ++x) {
        EXPECT_EQ(pixel(unselected, x, 0).a, 0) << x;
        if (isGreen(pixel(selected, x, 0))) {
            ++greenInTopRow;
            EXPECT_TRUE(x >= 15 && x <= 45) << x;
        }
    }
    EXPECT_GE(greenInTopRow, 2);
    // The tick's short stroke dips inside the frame, and outside its columns both pictures agree.
    EXPECT_TRUE(isGreen(pixel(selected, 24, 20)));
    for (int y = 0; y < selected.height; ++y) {
        for (int x = 0; x < selected.width; ++x) {
            const Rgba a = pixel(selected, x, y), b = pixel(unselected, x, y);
            if (x >= 15 && x <= 45) {
                EXPECT_FALSE(isGreen(b)) << x << "," << y;
                continue;
            }
            EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a) << x << "," << y;
        }
    }
}

TEST(IconPicture, ShowsConcentricArcsAndTheHand) {
    const png::Image image = decoded(assets::icon());
    // Straight up from the centre: grey, orange and red rings; the hub in the middle.
    EXPECT_TRUE(looksLike(pixel(image, 16, 2), 0x9AA0A6, 20));
    EXPECT_TRUE(looksLike(pixel(image, 16, 5), 0xF59B23, 20));
    EXPECT_TRUE(looksLike(pixel(image, 16, 9), 0xE03A2F, 20));
    EXPECT_TRUE(looksLike(pixel(image, 16, 16), 0x0E4D55, 20));
    // Gaps between the rings and the open bottom of the dial are (nearly) clear.
    for (auto [x, y] : {std::pair{16, 3}, {16, 7}, {16, 30}, {16, 27}}) {
        EXPECT_LT(pixel(image, x, y).a, 40) << x << "," << y;
    }
}

// ---- Alarm sound ----------------------------------------------------------------------------

std::uint32_t u32(Bytes bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}
std::uint32_t u16(Bytes bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8;
}
std::string tag(Bytes bytes, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(&bytes[at]), 4);
}

struct Chunk {
    std::string tag;
    std::size_t offset; // of the payload
    std::uint32_t size;
};

// The chunks between `begin` and `end`, each followed by a pad byte when its size is odd.
std::vector<Chunk> chunks(Bytes bytes, std::size_t begin, std::size_t end) {
    std::vector<Chunk> out;
    std::size_t at = begin;
    while (at + 8 <= end) {
        out.push_back({tag(bytes, at), at + 8, u32(bytes, at + 4)});
        at += 8 + out.back().size + out.back().size % 2;
    }
    EXPECT_EQ(at, end) << "chunks overrun their container";
    return out;
}

TEST(AlarmSound, HasTheExactRiffWaveLayout) {
    const Bytes wav = assets::alarmWav();
    ASSERT_EQ(wav.size(), 54010u);
    EXPECT_EQ(tag(wav, 0), "RIFF");
    EXPECT_EQ(u32(wav, 4), 54002u);
    EXPECT_EQ(tag(wav, 8), "WAVE");

    const std::vector<Chunk> top = chunks(wav, 12, wav.size());
    ASSERT_EQ(top.size(), 4u);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {
        {"fmt ", 16}, {"data", 53731}, {"cue ", 76}, {"LIST", 142}};
    for (std::size_t i = 0; i < top.size(); ++i) {
        EXPECT_EQ(top[i].tag, expected[i].first);
        EXPECT_EQ(top[i].size, expected[i].second);
    }

    const std::size_t fmt = top[0].offset;
    EXPECT_EQ(u16(wav, fmt), 1u);              // PCM
    EXPECT_EQ(u16(wav, fmt + 2), 1u);          // channels
    EXPECT_EQ(u32(wav, fmt + 4), 11025u);      // samples per second
    EXPECT_EQ(u32(wav, fmt + 8), 11025u);      // bytes per second
    EXPECT_EQ(u16(wav, fmt + 12), 1u);         // block alignment
    EXPECT_EQ(u16(wav, fmt + 14), 8u);         // bits per sample
    EXPECT_EQ(wav[top[1].offset + 53731], 0u); // the pad byte after the odd data chunk

    // Three cue points in the data, in order, each with a label in the adtl list.
    const std::size_t cue = top[2].offset;
    ASSERT_EQ(u32(wav, cue), 3u);
    std::uint32_t previous = 0;
    for (std::uint32_t i = 0; i < 3; ++i) {
        const std::size_t point = cue + 4 + 24 * i;
        EXPECT_EQ(u32(wav, point), i + 1);
        EXPECT_EQ(tag(wav, point + 8), "data");
        const std::uint32_t sample = u32(wav, point + 20);
        EXPECT_LT(sample, 53731u);
        if (i > 0) {
            EXPECT_GT(sample, previous);
        }
        previous = sample;
    }
    EXPECT_EQ(tag(wav, top[3].offset), "adtl");
    std::vector<std::uint32_t> labelled;
    for (const Chunk& sub : chunks(wav, top[3].offset + 4, top[3].offset + top[3].size)) {
        ASSERT_TRUE(sub.tag == "labl" || sub.tag == "ltxt") << sub.tag;
        if (sub.tag == "labl") {
            labelled.push_back(u32(wav, sub.offset));
            EXPECT_EQ(wav[sub.offset + sub.size - 1], 0u) << "label text ends in a NUL";
        }
    }
    EXPECT_EQ(labelled, (std::vector<std::uint32_t>{1, 2, 3}));
}

TEST(AlarmSound, IsAudibleOverMostOfItsLength) {
    const Bytes wav = assets::alarmWav();
    const std::vector<Chunk> top = chunks(wav, 12, wav.size());
    ASSERT_GE(top.size(), 2u);
    ASSERT_EQ(top[1].tag, "data");
    const Bytes samples = wav.subspan(top[1].offset, top[1].size);
    EXPECT_EQ(samples.size() * 10 / 11025, 48u) << "about 4.9 seconds";
    // In 50 ms windows the swing around the silent level 128 must be clearly audible.
    constexpr std::size_t window = 551;
    int windows = 0, audible = 0, clipped = 0;
    for (std::size_t start = 0; start + window <= samples.size(); start += window) {
        int swing = 0;
        for (std::size_t n = start; n < start + window; ++n) {
            swing = std::max(swing, std::abs(samples[n] - 128));
            if (samples[n] == 0 || samples[n] == 255) ++clipped;
        }
        ++windows;
        if (swing >= 10) ++audible;
    }
    EXPECT_GE(audible * 100, windows * 95) << audible << " of " << windows;
    EXPECT_EQ(clipped, 0);
    // Loud enough to be heard as an alarm somewhere.
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_GE(*high - *low, 150);
}

// ---- The tools ------------------------------------------------------------------------------

TEST(AssetTools, RemakeTheCommittedFilesByteForByte) {
    const testsupport::TempDir scratch;
    const std::filesystem::path& dir = scratch.path();
    for (const char* tool : {DRAW_PICTURES, MAKE_ALARM}) {
        const std::string command = std::string("'") + tool + "' '" + dir.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    const struct {
        const char* file;
        Bytes committed;
    } files[] = {
        {"period-unselected.png", assets::periodUnselected()},
        {"period-selected.png", assets::periodSelected()},
        {"switch-running.png", assets::switchRunning()},
        {"switch-stopped.png", assets::switchStopped()},
        {"icon.png", assets::icon()},
        {"alarm.wav", assets::alarmWav()},
    };
    for (const auto& f : files) {
        const std::string made = testsupport::readBytes(dir / f.file);
        EXPECT_TRUE(made == std::string(f.committed.begin(), f.committed.end()))
            << f.file << " differs from the committed file; run the assets-regenerate target";
    }
}

} // namespace
