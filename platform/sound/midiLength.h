// How long a Standard MIDI File can play, read from its events without rendering it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace sound {

// An upper bound of the playing time in seconds of the Standard MIDI File in bytes: the longest
// track (the tracks one after another in format 2) at the slowest tempo the file sets. Nothing
// when the bytes are not a well-formed Standard MIDI File.
std::optional<double> midiSecondsBound(std::span<const std::uint8_t> bytes);

} // namespace sound
