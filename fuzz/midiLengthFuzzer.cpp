// The MIDI length bound on arbitrary bytes: it reads only inside them, ends, and gives either
// nothing or a finite, non-negative number of seconds.
#include "fuzz/check.h"
#include "platform/sound/midiLength.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto seconds = sound::midiSecondsBound(std::span(data, size));
    if (seconds) fuzz::expect(std::isfinite(*seconds) && *seconds >= 0, "a finite bound");
    return 0;
}
