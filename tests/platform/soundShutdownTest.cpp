// shutdown() ends the sound output for good; it needs a process of its own.
#include "platform/sound/sound.h"
#include "tests/platform/soundCapture.h"

#include <gtest/gtest.h>

namespace {

TEST(SoundShutdown, HaltsPlaybackAndLeavesLaterCallsSilent) {
    soundcapture::useDiskAudio();
    // A minute of sound: still playing when shutdown() comes.
    auto wave = soundcapture::wavFile(11025, 8, 1, soundcapture::tone(440, 60, 11025, 1, 0.4));
    ASSERT_TRUE(sound::play(wave));
    EXPECT_TRUE(sound::isPlaying());

    sound::shutdown();
    EXPECT_FALSE(sound::isPlaying());
    sound::beep();
    EXPECT_FALSE(sound::play(wave));
    EXPECT_FALSE(sound::isPlaying());
    sound::shutdown();
}

} // namespace
