// A check of FLAC data before the audio library decodes it: SDL2_mixer 2.6 reads through a null
// pointer, and kills the process, when a frame has fewer channels than the stream's STREAMINFO
// block says, and a sound file the user names may be anything.
#pragma once

#include <cstdint>
#include <span>

namespace sound {

// Whether the bytes are a FLAC stream that libFLAC decodes to its end without reporting an
// error, with one STREAMINFO block before the frames and every frame of the channel count,
// bits per sample and sample rate that block gives. False too when libFLAC cannot be loaded
// (it is loaded at the first call). Decodes the whole stream, so it takes a while for a long
// one: not for a thread that must answer at once.
bool flacIsConsistent(std::span<const std::uint8_t> bytes);

} // namespace sound
