// sound::play on arbitrary bytes, through the real audio library: a file the user names may be
// anything, and playing it must never crash or hang the program.
//
// Each input is played and given a short while; a stream that still plays then is halted, and
// the sound layer must come to rest soon after, or the input counts as a hang. Output goes to
// SDL's disk driver writing to /dev/null as fast as it can, so that a decoded sound (30 s at
// most) ends within a second or two by itself. Channels are never halted from here: the
// library evidently calls the finished callback before it marks a halted channel as stopped,
// and the sound layer, woken by the callback, then takes the channel for still playing.
//
// fuzz/run.sh runs it without leak detection: SDL2_mixer 2.6.2 leaks the sample buffer (and for
// AIFF the reader it was handed) of a VOC or AIFF file it rejects (see docs/fuzzing.md).
//
// Inputs that start with one of the comma-separated signatures in VORLANE_FUZZ_SKIP are passed
// over, so that a known crash of the library that the sound layer does not yet keep away from
// it does not stop the search for others. FLAC is fuzzed like the rest: the sound layer checks
// it before the library decodes it (platform/sound/flacCheck.h).
#include "fuzz/check.h"
#include "platform/sound/sound.h"

#include <SDL_mixer.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::chrono::milliseconds fromEnvironment(const char* name, std::chrono::milliseconds fallback) {
    const char* text = std::getenv(name);
    return text ? std::chrono::milliseconds(std::atoi(text)) : fallback;
}

bool skipped(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string> signatures = [] {
        std::vector<std::string> list;
        const char* text = std::getenv("VORLANE_FUZZ_SKIP");
        std::string_view rest = text ? text : "";
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            if (comma != 0) list.emplace_back(rest.substr(0, comma));
            rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
        }
        return list;
    }();
    for (const std::string& s : signatures) {
        if (size >= s.size() && std::memcmp(data, s.data(), s.size()) == 0) return true;
    }
    return false;
}

bool waitUntilQuiet(Clock::duration bound, bool halting) {
    const auto deadline = Clock::now() + bound;
    while (sound::isPlaying()) {
        if (Clock::now() > deadline) return false;
        // Again and again, in case the sound thread was still decoding.
        if (halting) Mix_HaltMusic();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    setenv("OMP_NUM_THREADS", "1", 0); // the MIDI synthesiser's render threads
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // How long a sound may play before it is halted, and how long the halted sound layer may
    // take to come to rest (VORLANE_FUZZ_PLAY_MS, VORLANE_FUZZ_HANG_MS).
    static const auto playFor = fromEnvironment("VORLANE_FUZZ_PLAY_MS", 200ms);
    static const auto hangAfter = fromEnvironment("VORLANE_FUZZ_HANG_MS", 20000ms);

    if (skipped(data, size) || !sound::play(std::vector<std::uint8_t>(data, data + size))) return 0;
    if (waitUntilQuiet(playFor, false)) return 0;
    if (!waitUntilQuiet(hangAfter, true)) {
        std::fprintf(stderr, "the sound layer is still busy %lld ms after its sounds were halted\n",
                     static_cast<long long>(hangAfter.count()));
        std::abort();
    }
    return 0;
}
