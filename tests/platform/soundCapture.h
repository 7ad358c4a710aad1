// Test helpers for the sound output: capturing what really reaches the audio output through
// SDL's disk audio driver, measuring it, and making small WAVE and MIDI files as bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace soundcapture {

// Interleaved 16-bit samples in the sound layer's output format (sound::outputRate,
// sound::outputChannels).
using Samples = std::vector<std::int16_t>;

// Sends this process's sound output into a temporary file (removed at exit) instead of a
// device, several times faster than real time. Takes effect only before the process's first
// sound:: call; capture() calls it. Tests that play MIDI under ThreadSanitizer want
// OMP_NUM_THREADS=1 in their environment (see tests/platform/CMakeLists.txt).
void useDiskAudio();

// Runs start(), which starts sounds through sound::, waits until every playback has ended and
// returns what the output received in the meantime, with some silence around it. Throws
// std::runtime_error when there is no audio output or the playbacks do not end within minutes.
Samples capture(const std::function<void()>& start);

// capture() of sound::play(bytes).
Samples capturePlay(std::vector<std::uint8_t> bytes);

// Seconds from the first to the last sample louder than threshold; 0 when there is none. The
// default threshold lies above the dither of the MIDI synthesiser.
double soundingSeconds(const Samples& samples, int threshold = 16);

// The largest absolute sample value.
int peak(const Samples& samples);

// The sum of the squared samples.
double energy(const Samples& samples);

// A RIFF WAVE file of linear PCM: 8 or 16 bits, samples in [-1, 1], interleaved when there
// are several channels.
std::vector<std::uint8_t> wavFile(int rate, int bits, int channels,
                                  const std::vector<double>& samples);

// A FLAC stream of the same samples, made by libFLAC's encoder. Like a stream written without
// seeking, its STREAMINFO leaves the length and the MD5 sum open, so that the frames of another
// such stream may be appended to it.
std::vector<std::uint8_t> flacFile(int rate, int bits, int channels,
                                   const std::vector<double>& samples);

// What follows the "fLaC" marker and the metadata blocks of a FLAC stream: its frames.
std::vector<std::uint8_t> flacFrames(const std::vector<std::uint8_t>& flac);

// A sine tone for wavFile() and flacFile(), the same in every channel.
std::vector<double> tone(double hz, double seconds, int rate, int channels, double level);

// A Standard MIDI File with the given track bodies (events only; each gets its "MTrk" header,
// and no end-of-track event is added).
std::vector<std::uint8_t> midiFile(int format, int division,
                                   const std::vector<std::vector<std::uint8_t>>& tracks);

// A MIDI variable-length quantity.
std::vector<std::uint8_t> midiQuantity(std::uint32_t value);

} // namespace soundcapture
