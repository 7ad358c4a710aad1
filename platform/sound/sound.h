// Sound output: the alert beep and playback of sound files held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace sound {

// Files larger than this are not played: a sound file the user names is read whole into memory.
inline constexpr std::size_t maxSoundFileBytes = 64u * 1024u * 1024u;

// A short tone that is really heard through the audio output. Returns at once.
void beep();

// Plays the bytes once, on their own, without waiting: RIFF WAVE, MIDI and whatever else the
// audio library reads. Playbacks may overlap. Unknown or broken data plays nothing, silently.
void play(std::vector<std::uint8_t> bytes);

// Reads the whole file (up to maxSoundFileBytes) and plays it. A missing, unreadable, too large
// or unknown file plays nothing and says nothing. Returns whether playback started.
bool playFile(const std::filesystem::path& file);

// Stops every playback and closes the audio device; called once at the end of the process.
void shutdown();

} // namespace sound
