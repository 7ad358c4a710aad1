#include "platform/sound/midiLength.h"
#include "tests/platform/soundCapture.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

using soundcapture::midiFile;
using soundcapture::midiQuantity;
using Bytes = std::vector<std::uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

const Bytes endOfTrack{0x00, 0xFF, 0x2F, 0x00};

Bytes tempo(std::uint32_t delta, std::uint32_t microsPerQuarter) {
    return concat({midiQuantity(delta),
                   {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsPerQuarter >> 16),
                    static_cast<std::uint8_t>(microsPerQuarter >> 8),
                    static_cast<std::uint8_t>(microsPerQuarter)}});
}

// A note of the given length, in ticks, on channel 1.
Bytes note(std::uint32_t ticks) {
    return concat({{0x00, 0x90, 60, 100}, midiQuantity(ticks), {0x80, 60, 0}});
}

TEST(MidiLength, BoundsThePlayingTime) {
    Bytes withOtherChunk = midiFile(0, 480, {concat({note(960), endOfTrack})});
    const Bytes otherChunk{'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2};
    withOtherChunk.insert(withOtherChunk.begin() + 14, otherChunk.begin(), otherChunk.end());
    struct Case {
        const char* name;
        Bytes file;
        double seconds;
    };
    const Case cases[] = {
        {"default tempo", midiFile(0, 480, {concat({note(1920), endOfTrack})}), 2.0},
        {"set tempo", midiFile(0, 480, {concat({tempo(0, 1000000), note(1920), endOfTrack})}), 4.0},
        {"slowest tempo counts for the whole track",
         midiFile(0, 480, {concat({tempo(0, 250000), note(1920), tempo(0, 1000000), endOfTrack})}),
         4.0},
        {"long delta time", midiFile(0, 480, {concat({note(0x0FFFFFFF), endOfTrack})}),
         0x0FFFFFFF / 960.0},
        {"format 1: the longest track",
         midiFile(1, 480,
                  {concat({tempo(0, 500000), endOfTrack}), concat({note(960), endOfTrack}),
                   concat({note(1920), endOfTrack})}),
         2.0},
        {"format 1: a tempo in any track",
         midiFile(1, 480,
                  {concat({note(960), endOfTrack}), concat({tempo(0, 2000000), endOfTrack})}),
         4.0},
        {"format 2: the tracks one after another",
         midiFile(2, 480, {concat({note(960), endOfTrack}), concat({note(1920), endOfTrack})}),
         3.0},
        {"SMPTE time, 25 frames of 40 ticks",
         midiFile(0, 0xE728, {concat({note(2500), endOfTrack})}), 2.5},
        {"running status, program change, sysex",
         midiFile(0, 480,
                  {concat({{0x00, 0xC0, 19, 0x00, 0x90, 60, 100},
                           midiQuantity(480),
                           {62, 100},
                           midiQuantity(480),
                           {60, 0, 0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7},
                           midiQuantity(960),
                           {0x80, 62, 0},
                           endOfTrack})}),
         2.0},
        {"events after the end of the track are ignored",
         midiFile(0, 480, {concat({note(960), endOfTrack, note(96000)})}), 1.0},
        {"a track may end without its end event", midiFile(0, 480, {note(960)}), 1.0},
        {"other chunks are skipped", withOtherChunk, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto seconds = sound::midiSecondsBound(c.file);
        ASSERT_TRUE(seconds.has_value());
        EXPECT_NEAR(*seconds, c.seconds, 1e-9);
    }
}

TEST(MidiLength, MalformedFilesHaveNoBound) {
    const Bytes good = midiFile(0, 480, {concat({note(960), endOfTrack})});
    auto changed = [&](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        Bytes b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + at);
        return b;
    };
    Bytes cutInEvent(good.begin(), good.end() - 2);
    cutInEvent[21] -= 2;
    ASSERT_TRUE(sound::midiSecondsBound(good).has_value());
    // Layout of good: header 0..13, "MTrk" 14..17, length 18..21, events from 22:
    // 00 90 3C 64 | 87 40 80 3C 00 | 00 FF 2F 00
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"no bytes", {}},
        {"not a MIDI file", {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}},
        {"header cut short", Bytes(good.begin(), good.begin() + 12)},
        {"header size below 6", changed(7, {5})},
        {"unknown format", changed(9, {3})},
        {"no tracks", changed(11, {0})},
        {"more tracks than present", changed(11, {2})},
        {"zero division", changed(12, {0, 0})},
        {"SMPTE time without ticks", changed(12, {0xE7, 0})},
        {"track longer than the file", changed(18, {0, 0, 1, 0})},
        {"track cut in an event", cutInEvent},
        {"running status without a status", changed(23, {0x3C, 0x64, 0x64})},
        {"data byte with its high bit set", changed(24, {0xBC})},
        {"delta time of five bytes", changed(26, {0x81, 0x81, 0x81, 0x81, 0x01})},
        {"system common message", changed(23, {0xF2, 0x00, 0x00})},
        {"meta event longer than its track", changed(34, {0x7F})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(sound::midiSecondsBound(c.file).has_value());
    }
}

} // namespace
