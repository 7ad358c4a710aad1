// Runs without audio output: with SDL_AUDIODRIVER naming a driver that does not exist, and
// again with a stand-in for SDL2_mixer that lacks its functions (tests/platform/CMakeLists.txt).
#include "platform/sound/sound.h"
#include "tests/platform/soundCapture.h"
#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(SoundWithoutDevice, EveryCallIsASilentNoOp) {
    auto wave = soundcapture::wavFile(11025, 8, 1, soundcapture::tone(440, 0.5, 11025, 1, 0.4));
    const testsupport::TempDir scratch;
    const std::filesystem::path file = scratch.path() / "tone.wav";
    testsupport::writeBytes(file, wave);

    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        sound::beep();
        EXPECT_FALSE(sound::play(wave));
        EXPECT_FALSE(sound::playFile(file));
        EXPECT_FALSE(sound::isPlaying());
    }
    sound::shutdown();
    sound::shutdown();
    sound::beep();
    EXPECT_FALSE(sound::play(wave));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
