// The check FLAC data passes before it reaches the audio library.
#include "platform/sound/flacCheck.h"
#include "tests/platform/soundCapture.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using soundcapture::flacFile;
using soundcapture::flacFrames;

Bytes flacTone(int rate, int bits, int channels) {
    return flacFile(rate, bits, channels, soundcapture::tone(440, 0.5, rate, channels, 0.4));
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(FlacCheck, PassesOnlyStreamsThatDecodeWholeAsTheirStreamInfoSays) {
    const Bytes good = flacTone(44100, 16, 2);
    const Bytes frames = flacFrames(good);
    const auto firstFrame = static_cast<std::ptrdiff_t>(good.size() - frames.size());
    const Bytes marker(good.begin(), good.begin() + 4);
    const Bytes streamInfo(good.begin() + 4, good.begin() + 4 + 4 + 34);
    const Bytes rest(good.begin() + 4 + 4 + 34, good.end());

    Bytes noStreamInfo = good;
    noStreamInfo[4] = 1; // the block's type: STREAMINFO (0) becomes PADDING (1)
    // An ID3v1 tag, as some taggers append to any audio file: 128 bytes starting "TAG".
    Bytes tag{'T', 'A', 'G'};
    tag.resize(128, ' ');
    Bytes damaged = good;
    damaged[firstFrame + 200] ^= 0x5A; // inside the first frame's samples: its checksum fails

    struct Case {
        const char* name;
        Bytes bytes;
        bool passes;
    };
    for (const Case& c : {
             Case{"a tone", good, true},
             Case{"a tone in 8 bits, one channel, 8,000 Hz", flacTone(8000, 8, 1), true},
             Case{"two tones one after the other", good + frames, true},
             Case{"later frames of one channel", good + flacFrames(flacTone(44100, 16, 1)), false},
             Case{"later frames of 8 bits", good + flacFrames(flacTone(44100, 8, 2)), false},
             Case{"later frames at 22,050 Hz", good + flacFrames(flacTone(22050, 16, 2)), false},
             Case{"no STREAMINFO", noStreamInfo, false},
             Case{"two STREAMINFO blocks", marker + streamInfo + streamInfo + rest, false},
             Case{"a damaged frame", damaged, false},
             Case{"cut inside a frame", Bytes(good.begin(), good.end() - 100), false},
             Case{"an ID3v1 tag after the last frame", good + tag, true},
             Case{"a tag where the last frame was cut", Bytes(good.begin(), good.end() - 100) + tag,
                  false},
             Case{"no frames", Bytes(good.begin(), good.begin() + firstFrame), true},
             Case{"nothing but the marker", marker, false},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sound::flacIsConsistent(c.bytes), c.passes);
    }
}

} // namespace
