// The sound output as heard: every case captures the real output through SDL's disk driver.
#include "platform/sound/sound.h"
#include "platform/sound/midiLength.h"
#include "tests/platform/soundCapture.h"
#include "tests/support/testFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>

namespace {

using namespace soundcapture;
using namespace std::string_view_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr int loud = 32767 / 10; // a tenth of full scale

// The frequency of the captured sound, from the rising zero crossings of its first channel.
double pitchHz(const Samples& s) {
    int crossings = 0;
    for (std::size_t i = sound::outputChannels; i < s.size(); i += sound::outputChannels)
        if (s[i - sound::outputChannels] < 0 && s[i] >= 0) ++crossings;
    return crossings / soundingSeconds(s);
}

Bytes toneWav(double hz, double seconds, int rate = 22050, int bits = 16, int channels = 1) {
    return wavFile(rate, bits, channels, tone(hz, seconds, rate, channels, 0.4));
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes endOfTrack() {
    return {0x00, 0xFF, 0x2F, 0x00};
}

// One note on a General MIDI program, held for the given ticks (480 per quarter, 120 bpm).
Bytes noteTrack(std::uint8_t program, std::uint8_t key, std::uint32_t ticks) {
    return concat(
        {{0x00, 0xC0, program, 0x00, 0x90, key, 110}, midiQuantity(ticks), {0x80, key, 0x00}});
}

// Four piano notes of a quarter each: two seconds.
Bytes pianoMelody() {
    Bytes track{0x00, 0xC0, 0x00};
    for (std::uint8_t key : {60, 64, 67, 72})
        track = concat({track, {0x00, 0x90, key, 110}, midiQuantity(480), {0x80, key, 0x00}});
    return midiFile(0, 480, {concat({track, endOfTrack()})});
}

TEST(SoundOutput, WaveFilesPlayWholeAtTheirPitch) {
    struct Case {
        int rate, bits, channels;
        double seconds;
    };
    for (Case c : {Case{11025, 8, 1, 1.0}, Case{8000, 8, 2, 0.5}, Case{22050, 16, 1, 0.5},
                   Case{44100, 16, 2, 0.5}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.bits) + " bits, " +
                     std::to_string(c.channels) + " channels");
        Samples s = capturePlay(toneWav(440, c.seconds, c.rate, c.bits, c.channels));
        EXPECT_NEAR(soundingSeconds(s), c.seconds, 0.02);
        EXPECT_NEAR(pitchHz(s), 440, 440 * 0.02);
        EXPECT_GT(peak(s), loud);
    }
}

TEST(SoundOutput, BeepIsAShortAudibleTone) {
    Samples s = capture([] { sound::beep(); });
    EXPECT_NEAR(soundingSeconds(s), 0.15, 0.01);
    EXPECT_NEAR(pitchHz(s), 880, 880 * 0.02);
    EXPECT_GT(peak(s), loud);
}

TEST(SoundOutput, MidiFilePlaysThroughTheSoundFont) {
    Samples s = capturePlay(pianoMelody());
    EXPECT_GT(peak(s), 300);
    EXPECT_GT(soundingSeconds(s), 1.9);
    EXPECT_LT(soundingSeconds(s), 8.0);
}

TEST(SoundOutput, LongMidiFileIsStreamedOnceToItsEnd) {
    // Two seconds of notes, then a tempo of 16.7 s per quarter at the very end: the file looks
    // far too long to render whole, so it goes through the library's stream.
    Bytes file = pianoMelody();
    file.resize(file.size() - endOfTrack().size());
    file = concat({file, {0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF}, endOfTrack()});
    file[21] = static_cast<std::uint8_t>(file.size() - 22); // the track's length, below 256
    ASSERT_GT(sound::midiSecondsBound(file).value_or(0), 60);

    Samples s = capturePlay(file); // a looping stream would never let capture() return
    EXPECT_GT(peak(s), 300);
    EXPECT_GT(soundingSeconds(s), 1.9);
    EXPECT_LT(soundingSeconds(s), 8.0);
}

TEST(SoundOutput, PlaybacksOverlap) {
    Bytes longWave = toneWav(440, 4.0);
    Bytes shortWave = toneWav(660, 0.3);
    Bytes longMidi = midiFile(0, 480, {concat({noteTrack(19, 60, 8 * 480), endOfTrack()})});
    Bytes shortMidi = midiFile(0, 480, {concat({noteTrack(0, 78, 240), endOfTrack()})});
    auto playing = [](const Bytes& b) { return [&b] { sound::play(b); }; };
    struct Case {
        const char* name;
        std::function<void()> first, second;
    };
    for (const Case& c : {
             Case{"wave over wave", playing(longWave), playing(shortWave)},
             Case{"MIDI over MIDI", playing(longMidi), playing(shortMidi)},
             Case{"MIDI over wave", playing(longWave), playing(shortMidi)},
             Case{"wave over MIDI", playing(longMidi), playing(shortWave)},
             Case{"beep over MIDI", playing(longMidi), [] { sound::beep(); }},
         }) {
        SCOPED_TRACE(c.name);
        Samples first = capture(c.first);
        Samples second = capture(c.second);
        Samples both = capture([&] {
            c.first();
            c.second();
        });
        // Started while the first still sounds, the second adds to it: the sound lasts as long
        // as the first alone, neither cut short nor followed by the second, and holds the
        // energy of both.
        EXPECT_NEAR(soundingSeconds(both), soundingSeconds(first), 0.1);
        EXPECT_GT(energy(both) - energy(first), 0.5 * energy(second));
    }
}

TEST(SoundOutput, BrokenOrUnknownDataPlaysNothing) {
    std::mt19937 random(7);
    auto noise = [&](std::size_t n) {
        Bytes b(n);
        for (auto& x : b)
            x = static_cast<std::uint8_t>(random());
        return b;
    };
    auto withSignature = [&](std::string_view signature, std::size_t n) {
        Bytes b = noise(n);
        std::copy(signature.begin(), signature.end(), b.begin());
        return b;
    };
    Bytes wave = toneWav(440, 0.5);
    auto patched = [&](std::size_t at, std::uint32_t value) {
        Bytes b = wave;
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return b;
    };
    Bytes waveHeaderOnly(wave.begin(), wave.begin() + 44);
    Bytes waveCutShort(wave.begin(), wave.begin() + wave.size() / 2);
    Bytes midiTrackTooLong = pianoMelody();
    midiTrackTooLong[18] = 0x7F;

    struct Case {
        const char* name;
        Bytes bytes;
        bool known;  // carries the signature of a sound format
        bool silent; // else it need only neither crash nor hang
    };
    std::vector<Case> cases{
        {"nothing", {}, false, true},
        {"text", {'h', 'e', 'l', 'l', 'o'}, false, true},
        {"UTF-16 text", {0xFF, 0xFE, 'h', 0, 'i', 0}, false, true},
        {"random bytes", withSignature("\0"sv, 4096), false, true},
        {"WAVE header without data", waveHeaderOnly, true, true},
        {"WAVE cut short", waveCutShort, true, true},
        {"WAVE with a huge data size", patched(40, 0x7FFFFFF0), true, true},
        {"WAVE with a huge format size", patched(16, 0xFFFFFF00), true, true},
        {"WAVE signature on noise", withSignature("RIFF\x10\0\0\0WAVEfmt "sv, 4096), true, true},
        // The synthesiser plays the notes that are there.
        {"MIDI with a huge track size", midiTrackTooLong, true, false},
        {"MIDI signature on noise", withSignature("MThd\0\0\0\x06\0\0\0\x01\x01\xE0"sv, 4096), true,
         true},
        {"OGG signature on noise", withSignature("OggS", 4096), true, true},
        {"FLAC signature on noise", withSignature("fLaC", 4096), true, true},
        {"MP3 signature on noise", withSignature("ID3", 4096), true, true},
        {"MPEG frame sync on noise", withSignature("\xFF\xFB", 4096), true, true},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool accepted = true;
        Samples s = capture([&] { accepted = sound::play(std::move(c.bytes)); });
        if (c.silent) {
            EXPECT_EQ(soundingSeconds(s), 0);
        }
        if (!c.known) {
            EXPECT_FALSE(accepted);
        }
    }
}

TEST(SoundFlac, AToneFilePlaysWholeAtItsPitch) {
    Samples s = capturePlay(flacFile(44100, 16, 2, tone(440, 0.5, 44100, 2, 0.4)));
    EXPECT_NEAR(soundingSeconds(s), 0.5, 0.02);
    EXPECT_NEAR(pitchHz(s), 440, 440 * 0.02);
    EXPECT_GT(peak(s), loud);
}

// The audio library crashes on frames with fewer channels than the stream's STREAMINFO says.
TEST(SoundFlac, FramesWithFewerChannelsThanDeclaredPlayNothing) {
    std::string crash = testsupport::readBytes(LIBRARY_FAULTS "/crash-flac-channels.flac");
    ASSERT_FALSE(crash.empty());
    Bytes stereo = flacFile(44100, 16, 2, tone(440, 0.5, 44100, 2, 0.4));
    Bytes mono = flacFile(44100, 16, 1, tone(440, 0.5, 44100, 1, 0.4));
    struct Case {
        const char* name;
        Bytes bytes;
    };
    for (const Case& c : {
             Case{"the input that crashed the library", Bytes(crash.begin(), crash.end())},
             Case{"later frames of one channel", concat({stereo, flacFrames(mono)})},
         }) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(peak(capturePlay(c.bytes)), 0);
    }
    EXPECT_GT(peak(capture([] { sound::beep(); })), loud); // and the sound goes on
}

TEST(SoundOutput, NoiseBehindSignaturesNeitherCrashesNorStopsTheSound) {
    std::mt19937 random(11);
    const std::string_view signatures[] = {"RIFF\xFF\xFF\xFF\x7FWAVEfmt "sv,
                                           "MThd\0\0\0\x06\0\x01\0\x02\0\x60MTrk"sv,
                                           "OggS"sv,
                                           "fLaC"sv,
                                           "ID3"sv,
                                           "\xFF\xFB"sv,
                                           "FORM\0\0\x10\0AIFFCOMM"sv,
                                           "Creative Voice File\x1A"sv};
    capture([&] {
        for (int round = 0; round < 20; ++round) {
            for (std::string_view signature : signatures) {
                Bytes b(signature.size() + random() % 3000);
                for (auto& x : b)
                    x = static_cast<std::uint8_t>(random());
                std::copy(signature.begin(), signature.end(), b.begin());
                sound::play(std::move(b));
            }
        }
    });
    EXPECT_GT(peak(capture([] { sound::beep(); })), loud);
}

class SoundFiles : public testing::Test {
  protected:
    testsupport::TempDir scratch;
    const std::filesystem::path dir = scratch.path();

    std::filesystem::path write(const char* name, const Bytes& bytes) {
        std::filesystem::path file =
            dir / std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(name)));
        testsupport::writeBytes(file, bytes);
        return file;
    }
};

TEST_F(SoundFiles, ASoundFileIsReadAndPlayed) {
    std::filesystem::path file = write("铃声.wav", toneWav(440, 0.5));
    bool started = false;
    Samples s = capture([&] { started = sound::playFile(file); });
    EXPECT_TRUE(started);
    EXPECT_NEAR(soundingSeconds(s), 0.5, 0.02);
}

TEST_F(SoundFiles, FilesThatCannotPlayReturnFalseSilently) {
    std::filesystem::path tooLarge = write("large.wav", toneWav(440, 0.5));
    std::filesystem::resize_file(tooLarge, sound::maxSoundFileBytes + 1); // sparse, read never
    struct Case {
        const char* name;
        std::filesystem::path file;
    };
    for (const Case& c : {
             Case{"missing", dir / "missing.wav"},
             Case{"a directory", dir},
             Case{"text", write("notes.wav", {'n', 'o', 't', 'e', 's'})},
             Case{"empty", write("empty.wav", {})},
             Case{"over the size limit", tooLarge},
         }) {
        SCOPED_TRACE(c.name);
        bool started = true;
        Samples s = capture([&] { started = sound::playFile(c.file); });
        EXPECT_FALSE(started);
        EXPECT_EQ(peak(s), 0);
    }
}

TEST(SoundOutput, CallsFromManyThreadsAreSafe) {
    Bytes wave = toneWav(440, 0.2);
    Samples s = capture([&] {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < 8; ++i) {
                    sound::beep();
                    sound::play(wave);
                    (void)sound::isPlaying();
                }
            });
        }
    });
    EXPECT_GT(peak(s), loud);
    EXPECT_GT(soundingSeconds(s), 0.19);
}

} // namespace
