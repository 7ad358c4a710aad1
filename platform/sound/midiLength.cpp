#include "platform/sound/midiLength.h"

#include <algorithm>
#include <string_view>

namespace sound {
namespace {

constexpr std::uint32_t defaultTempo = 500000; // microseconds per quarter note, 120 bpm

// A cursor over bytes that never reads past their end.
struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;

    bool has(std::uint64_t n) const { return n <= bytes.size() - pos; }
    bool atEnd() const { return pos == bytes.size(); }

    std::optional<std::uint8_t> byte() {
        if (!has(1)) return std::nullopt;
        return bytes[pos++];
    }

    std::optional<std::uint32_t> bigEndian(int n) {
        if (!has(n)) return std::nullopt;
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | bytes[pos++];
        return v;
    }

    // A variable-length quantity: at most four bytes, seven bits each.
    std::optional<std::uint32_t> quantity() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            auto b = byte();
            if (!b) return std::nullopt;
            v = (v << 7) | (*b & 0x7Fu);
            if ((*b & 0x80u) == 0) return v;
        }
        return std::nullopt;
    }

    bool skip(std::uint64_t n) {
        if (!has(n)) return false;
        pos += n;
        return true;
    }

    bool tag(std::string_view t) {
        if (!has(t.size()) ||
            !std::equal(t.begin(), t.end(), bytes.begin() + pos,
                        [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }))
            return false;
        pos += t.size();
        return true;
    }
};

struct TrackLength {
    std::uint64_t ticks = 0;
    std::uint32_t slowestTempo = 0;
};

// Walks the events of one track. Anything a strict reader would stumble over makes the track
// malformed, so that an odd file is never taken for a short one.
std::optional<TrackLength> scanTrack(std::span<const std::uint8_t> track) {
    Reader r{track};
    TrackLength length;
    std::uint8_t running = 0;
    while (!r.atEnd()) { // a track that ends without its end-of-track event ends here
        auto delta = r.quantity();
        auto first = r.byte();
        if (!delta || !first) return std::nullopt;
        length.ticks += *delta;
        std::uint8_t status = *first;
        if (status < 0x80) {
            if (running == 0) return std::nullopt;
            status = running;
            --r.pos; // the byte was the first data byte
        }
        if (status == 0xFF) {
            auto type = r.byte();
            auto size = r.quantity();
            if (!type || !size || !r.has(*size)) return std::nullopt;
            if (*type == 0x2F) return length;
            if (*type == 0x51 && *size == 3) {
                std::uint32_t tempo = *r.bigEndian(3);
                length.slowestTempo = std::max(length.slowestTempo, tempo);
            } else {
                r.skip(*size);
            }
            running = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            auto size = r.quantity();
            if (!size || !r.skip(*size)) return std::nullopt;
            running = 0;
        } else if (status >= 0xF0) {
            return std::nullopt; // system common and real-time messages have no place in a file
        } else {
            running = status;
            int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
            for (int i = 0; i < dataBytes; ++i) {
                auto data = r.byte();
                if (!data || *data >= 0x80) return std::nullopt;
            }
        }
    }
    return length;
}

} // namespace

std::optional<double> midiSecondsBound(std::span<const std::uint8_t> bytes) {
    Reader r{bytes};
    if (!r.tag("MThd")) return std::nullopt;
    auto headerSize = r.bigEndian(4);
    auto format = r.bigEndian(2);
    auto tracks = r.bigEndian(2);
    auto division = r.bigEndian(2);
    if (!headerSize || *headerSize < 6 || !format || *format > 2 || !tracks || *tracks == 0 ||
        !division || *division == 0 || !r.skip(*headerSize - 6))
        return std::nullopt;

    std::uint64_t ticks = 0;
    std::uint32_t slowestTempo = defaultTempo;
    unsigned found = 0;
    while (found < *tracks) {
        bool isTrack = r.tag("MTrk");
        if (!isTrack && !r.skip(4)) return std::nullopt; // chunks of other kinds are skipped
        auto size = r.bigEndian(4);
        if (!size || !r.has(*size)) return std::nullopt;
        if (isTrack) {
            auto track = scanTrack(bytes.subspan(r.pos, *size));
            if (!track) return std::nullopt;
            ticks = *format == 2 ? ticks + track->ticks : std::max(ticks, track->ticks);
            slowestTempo = std::max(slowestTempo, track->slowestTempo);
            ++found;
        }
        r.skip(*size);
    }

    if (*division & 0x8000) { // SMPTE time: frames per second and ticks per frame
        int framesPerSecond = 256 - (*division >> 8);
        int ticksPerFrame = *division & 0xFF;
        if (ticksPerFrame == 0) return std::nullopt;
        return static_cast<double>(ticks) / (framesPerSecond * ticksPerFrame);
    }
    return static_cast<double>(ticks) * slowestTempo / *division / 1e6;
}

} // namespace sound
