// Sound output: the alert beep and playback of sound files held in memory.
//
// The audio libraries (SDL2, SDL2_mixer) are loaded and the audio output is opened by the first
// call, on the calling thread, whichever it is. Without a usable output every call is a silent
// no-op; the output is tried again at most once a minute, the libraries never again once they
// were found missing. Decoding and playing happen on a sound thread of our own, so no call
// waits for a sound. Every function may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace sound {

// Files larger than this are not played: a sound file the user names is read whole into memory.
inline constexpr std::size_t maxSoundFileBytes = 64u * 1024u * 1024u;

// The output format: signed 16-bit samples, interleaved stereo, 44,100 frames per second.
inline constexpr int outputRate = 44100;
inline constexpr int outputChannels = 2;

// A short tone of our own (880 Hz, 150 ms) that is really heard through the audio output.
// Returns at once.
void beep();

// Plays the bytes once, on their own, without waiting: RIFF WAVE, MIDI and whatever else the
// audio library reads (OGG, MP3, FLAC, AIFF, VOC). Any number of playbacks may overlap.
// Returns false when nothing will play: no audio output, after shutdown(), data larger than
// maxSoundFileBytes or of no known sound format. Data that looks like a sound but turns out to
// be broken plays nothing, silently.
bool play(std::vector<std::uint8_t> bytes);

// Reads the whole file (up to maxSoundFileBytes) and plays it. A missing, unreadable, too large
// or unknown file plays nothing, says nothing and returns false.
bool playFile(const std::filesystem::path& file);

// Whether a playback is waiting to start or still sounding.
bool isPlaying();

// Stops every playback, frees everything and closes the audio output; called once at the end
// of the process. Safe when audio was never opened; every call afterwards does nothing.
void shutdown();

} // namespace sound
