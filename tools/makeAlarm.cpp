// Synthesises the built-in alarm sound and writes it as alarm.wav into the directory named by
// the only argument: three two-tone "ding-dong" chimes of about 1.6 seconds each, the last one
// ending on both tones together, as 8-bit mono PCM at 11,025 samples per second. The file
// carries a cue point at the start of each chime and a labelled region for each.
//
// All arithmetic is in integers (our own sine table, integer envelopes), so the file comes
// out as the same bytes on every run and every machine.

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace {

constexpr std::uint32_t kRate = 11025;
constexpr std::uint32_t kSampleCount = 53731;
constexpr std::size_t kFileSize = 54010;

// ---- Synthesis --------------------------------------------------------------------------------

constexpr int kTableBits = 12;
constexpr std::int64_t kOne = std::int64_t{1} << 30; // Q30 fixed point

// One period of a sine wave in Q30, from a Taylor series evaluated in Q30 on the first quarter.
std::array<std::int32_t, 1 << kTableBits> sineTable() {
    constexpr int size = 1 << kTableBits, half = size / 2, quarter = size / 4;
    constexpr std::int64_t halfPi = 1686629713; // pi / 2 in Q30
    std::array<std::int32_t, size> table{};
    for (int i = 0; i <= quarter; ++i) {
        const std::int64_t x = halfPi * i / quarter;
        const std::int64_t x2 = x * x / kOne;
        // x (1 - x^2/6 (1 - x^2/20 (1 - x^2/42 (1 - x^2/72 (1 - x^2/110)))))
        std::int64_t s = kOne;
        for (std::int64_t d : {110, 72, 42, 20, 6})
            s = kOne - x2 * s / kOne / d;
        table[i] = static_cast<std::int32_t>(x * s / kOne);
    }
    for (int i = quarter + 1; i <= half; ++i)
        table[i] = table[half - i];
    for (int i = half + 1; i < size; ++i)
        table[i] = -table[i - half];
    return table;
}

struct Note {
    std::uint32_t start;      // first sample
    std::uint32_t centiHertz; // fundamental frequency in 1/100 Hz
    std::int64_t level;       // peak of the fundamental, in sample steps * 2^16
};

constexpr std::uint32_t kDing = 131851; // E6
constexpr std::uint32_t kDong = 104650; // C6

// Partials of a soft bell: the octave and the twelfth, quieter and dying away faster.
struct Partial {
    std::uint32_t multiple;
    std::int64_t share;         // of the note's level, in percent
    std::uint32_t decaySamples; // time constant of the exponential decay
};
constexpr Partial kPartials[] = {{1, 100, 8300}, {2, 28, 3600}, {3, 10, 2200}};

constexpr std::uint32_t kAttack = 44;    // 4 ms rise, so that a note starts without a click
constexpr std::uint32_t kFadeOut = 1323; // 120 ms fade at the very end

std::vector<std::uint8_t> synthesise(const std::vector<Note>& notes) {
    static const auto sine = sineTable();
    std::vector<std::int64_t> mix(kSampleCount, 0); // sample steps * 2^16
    for (const Note& note : notes) {
        for (const Partial& partial : kPartials) {
            // Phase step per sample as a fraction of 2^32.
            const std::uint64_t step =
                (std::uint64_t{note.centiHertz} * partial.multiple << 32) / (kRate * 100ull);
            std::uint32_t phase = 0;
            std::int64_t envelope = kOne;
            const std::int64_t level = note.level * partial.share / 100;
            for (std::uint32_t n = note.start; n < kSampleCount; ++n) {
                const std::uint32_t age = n - note.start;
                std::int64_t gain = envelope;
                if (age < kAttack) gain = gain * age / kAttack;
                mix[n] += level * gain / kOne * sine[phase >> (32 - kTableBits)] / kOne;
                phase += static_cast<std::uint32_t>(step);
                envelope -= envelope / partial.decaySamples;
            }
        }
    }
    std::vector<std::uint8_t> samples(kSampleCount);
    for (std::uint32_t n = 0; n < kSampleCount; ++n) {
        std::int64_t value = mix[n];
        const std::uint32_t left = kSampleCount - n;
        if (left < kFadeOut) value = value * left / kFadeOut;
        value = (value + (value >= 0 ? 1 : -1) * (1 << 15)) / (1 << 16);
        if (value > 127) value = 127;
        if (value < -128) value = -128;
        samples[n] = static_cast<std::uint8_t>(128 + value);
    }
    return samples;
}

// ---- RIFF WAVE --------------------------------------------------------------------------------

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putTag(Bytes& out, std::string_view tag) {
    out.insert(out.end(), tag.begin(), tag.end());
}

// A chunk: tag, payload size, payload, and a pad byte after an odd payload.
void putChunk(Bytes& out, std::string_view tag, const Bytes& payload) {
    putTag(out, tag);
    put32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    if (payload.size() % 2 != 0) out.push_back(0);
}

struct Region {
    std::uint32_t start;
    std::uint32_t length;
    std::string_view label;
};

Bytes waveFile(const Bytes& samples, const std::vector<Region>& regions) {
    Bytes format;
    put16(format, 1); // PCM
    put16(format, 1); // mono
    put32(format, kRate);
    put32(format, kRate); // bytes per second
    put16(format, 1);     // block alignment
    put16(format, 8);     // bits per sample

    Bytes cues;
    put32(cues, static_cast<std::uint32_t>(regions.size()));
    for (std::uint32_t id = 1; id <= regions.size(); ++id) {
        const Region& region = regions[id - 1];
        put32(cues, id);
        put32(cues, region.start); // play position
        putTag(cues, "data");
        put32(cues, 0); // chunk start
        put32(cues, 0); // block start
        put32(cues, region.start);
    }

    Bytes list;
    putTag(list, "adtl");
    for (std::uint32_t id = 1; id <= regions.size(); ++id) {
        const Region& region = regions[id - 1];
        Bytes label;
        put32(label, id);
        putTag(label, region.label);
        label.push_back(0);
        putChunk(list, "labl", label);

        Bytes text;
        put32(text, id);
        put32(text, region.length);
        putTag(text, "rgn ");
        put16(text, 0); // country
        put16(text, 0); // language
        put16(text, 0); // dialect
        put16(text, 0); // code page
        putChunk(list, "ltxt", text);
    }

    Bytes body;
    putTag(body, "WAVE");
    putChunk(body, "fmt ", format);
    putChunk(body, "data", samples);
    putChunk(body, "cue ", cues);
    putChunk(body, "LIST", list);

    Bytes file;
    putChunk(file, "RIFF", body);
    return file;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeAlarm <output directory>\n");
        return 2;
    }
    constexpr std::uint32_t chime = kRate * 16 / 10; // 1.6 s from one chime to the next
    constexpr std::uint32_t second = kRate * 3 / 10; // the second tone 0.3 s after the first
    constexpr std::int64_t level = 48 << 16;
    std::vector<Note> notes;
    for (std::uint32_t start : {0u, chime, 2 * chime}) {
        notes.push_back({start, kDing, level});
        notes.push_back({start + second, kDong, level});
    }
    notes.push_back({2 * chime + 2 * second, kDing, level * 7 / 10});
    notes.push_back({2 * chime + 2 * second, kDong, level * 7 / 10});

    const std::vector<Region> regions = {
        {0, chime, "first"},
        {chime, chime, "again"},
        {2 * chime, kSampleCount - 2 * chime, "last"},
    };
    const Bytes file = waveFile(synthesise(notes), regions);
    if (file.size() != kFileSize) {
        std::fprintf(stderr, "makeAlarm: %zu bytes instead of %zu\n", file.size(), kFileSize);
        return 1;
    }
    const std::filesystem::path path = std::filesystem::path(argv[1]) / "alarm.wav";
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::fprintf(stderr, "makeAlarm: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
