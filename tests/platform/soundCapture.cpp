#include "tests/platform/soundCapture.h"

#include "platform/sound/sound.h"

#include <FLAC/stream_encoder.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <numbers>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

namespace soundcapture {
namespace {

using namespace std::chrono_literals;

constexpr std::uintmax_t frameBytes = sound::outputChannels * 2;
constexpr std::uintmax_t secondBytes = sound::outputRate * frameBytes;

std::filesystem::path capturePath() {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("vorlane-sound-capture-" + std::to_string(getpid()) + ".raw");
    return path;
}

void removeCaptureFile() {
    std::error_code ec;
    std::filesystem::remove(capturePath(), ec);
}

std::uintmax_t captureSize() {
    std::error_code ec;
    auto size = std::filesystem::file_size(capturePath(), ec);
    return ec ? 0 : size;
}

template <typename Done> void waitFor(Done done, std::chrono::seconds bound, const char* what) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error(what);
        std::this_thread::sleep_for(2ms);
    }
}

void put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes, bool bigEndian) {
    for (int i = 0; i < bytes; ++i) {
        int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void put(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

} // namespace

void useDiskAudio() {
    static std::once_flag once;
    std::call_once(once, [] {
        removeCaptureFile();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capturePath().c_str(), 1);
        // Milliseconds the driver rests per buffer of about 23 ms: output runs some five times
        // faster than real time, slow enough for overlapping sounds to start together.
        setenv("SDL_DISKAUDIODELAY", "5", 1);
        std::atexit(removeCaptureFile);
    });
}

Samples capture(const std::function<void()>& start) {
    useDiskAudio();
    // A moment of silence opens the output, so that the file exists and keeps growing.
    if (!sound::play(wavFile(sound::outputRate, 16, 1, std::vector<double>(64, 0.0))))
        throw std::runtime_error("no audio output");
    waitFor([] { return !sound::isPlaying() && captureSize() > 0; }, 60s, "output did not open");

    std::uintmax_t begin = captureSize() / frameBytes * frameBytes;
    start();
    waitFor([] { return !sound::isPlaying(); }, 60s, "playback did not end");
    // The driver writes each buffer after mixing it: a further second of output holds the end.
    std::uintmax_t end = captureSize() + secondBytes;
    waitFor([&] { return captureSize() >= end; }, 60s, "output stalled");

    std::ifstream in(capturePath(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(begin));
    Samples samples((end - begin) / 2);
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * 2));
    samples.resize(static_cast<std::size_t>(in.gcount()) / 2);
    return samples;
}

Samples capturePlay(std::vector<std::uint8_t> bytes) {
    return capture([&] { sound::play(std::move(bytes)); });
}

double soundingSeconds(const Samples& samples, int threshold) {
    std::size_t first = samples.size(), last = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > threshold) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first > last) return 0;
    return static_cast<double>(last / sound::outputChannels - first / sound::outputChannels + 1) /
           sound::outputRate;
}

int peak(const Samples& samples) {
    int p = 0;
    for (std::int16_t s : samples)
        p = std::max(p, std::abs(static_cast<int>(s)));
    return p;
}

double energy(const Samples& samples) {
    double e = 0;
    for (std::int16_t s : samples)
        e += static_cast<double>(s) * s;
    return e;
}

std::vector<std::uint8_t> wavFile(int rate, int bits, int channels,
                                  const std::vector<double>& samples) {
    const std::uint32_t bytesPerSample = bits / 8;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size()) * bytesPerSample;
    std::vector<std::uint8_t> out;
    put(out, "RIFF");
    put(out, 36 + dataSize + (dataSize & 1), 4, false);
    put(out, "WAVE");
    put(out, "fmt ");
    put(out, 16, 4, false);
    put(out, 1, 2, false); // PCM
    put(out, channels, 2, false);
    put(out, rate, 4, false);
    put(out, rate * channels * bytesPerSample, 4, false);
    put(out, channels * bytesPerSample, 2, false);
    put(out, bits, 2, false);
    put(out, "data");
    put(out, dataSize, 4, false);
    for (double s : samples) {
        if (bits == 8)
            out.push_back(static_cast<std::uint8_t>(128 + std::lround(127 * s)));
        else
            put(out, static_cast<std::uint16_t>(std::lround(32767 * s)), 2, false);
    }
    if (dataSize & 1) out.push_back(0);
    return out;
}

std::vector<std::uint8_t> flacFile(int rate, int bits, int channels,
                                   const std::vector<double>& samples) {
    std::unique_ptr<FLAC__StreamEncoder, decltype(&FLAC__stream_encoder_delete)> encoder(
        FLAC__stream_encoder_new(), FLAC__stream_encoder_delete);
    auto* e = encoder.get();
    if (!e || !FLAC__stream_encoder_set_channels(e, channels) ||
        !FLAC__stream_encoder_set_bits_per_sample(e, bits) ||
        !FLAC__stream_encoder_set_sample_rate(e, rate) ||
        // Written into STREAMINFO, as encoders that can seek back write it afterwards.
        !FLAC__stream_encoder_set_total_samples_estimate(e, samples.size() / channels))
        throw std::runtime_error("FLAC encoder refused the format");
    std::vector<std::uint8_t> out;
    auto write = [](const FLAC__StreamEncoder*, const FLAC__byte buffer[], std::size_t bytes,
                    std::uint32_t, std::uint32_t, void* data) {
        auto& out = *static_cast<std::vector<std::uint8_t>*>(data);
        out.insert(out.end(), buffer, buffer + bytes);
        return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    };
    if (FLAC__stream_encoder_init_stream(e, write, nullptr, nullptr, nullptr, &out) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK)
        throw std::runtime_error("FLAC encoder did not start");
    const double full = (1 << (bits - 1)) - 1;
    std::vector<FLAC__int32> pcm;
    for (double s : samples)
        pcm.push_back(static_cast<FLAC__int32>(std::lround(full * s)));
    if (!FLAC__stream_encoder_process_interleaved(
            e, pcm.data(), static_cast<std::uint32_t>(pcm.size()) / channels) ||
        !FLAC__stream_encoder_finish(e))
        throw std::runtime_error("FLAC encoder failed");
    return out;
}

std::vector<std::uint8_t> flacFrames(const std::vector<std::uint8_t>& flac) {
    std::size_t at = 4;
    for (bool last = false; !last;) {
        last = flac.at(at) & 0x80;
        at += 4 + (flac.at(at + 1) << 16 | flac.at(at + 2) << 8 | flac.at(at + 3));
    }
    return {flac.begin() + static_cast<std::ptrdiff_t>(at), flac.end()};
}

std::vector<double> tone(double hz, double seconds, int rate, int channels, double level) {
    const auto frames = static_cast<std::size_t>(std::lround(seconds * rate));
    std::vector<double> out;
    out.reserve(frames * channels);
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out.push_back(level * std::sin(2 * std::numbers::pi * hz * i / rate));
    return out;
}

std::vector<std::uint8_t> midiFile(int format, int division,
                                   const std::vector<std::vector<std::uint8_t>>& tracks) {
    std::vector<std::uint8_t> out;
    put(out, "MThd");
    put(out, 6, 4, true);
    put(out, format, 2, true);
    put(out, static_cast<std::uint32_t>(tracks.size()), 2, true);
    put(out, division, 2, true);
    for (const auto& track : tracks) {
        put(out, "MTrk");
        put(out, static_cast<std::uint32_t>(track.size()), 4, true);
        out.insert(out.end(), track.begin(), track.end());
    }
    return out;
}

std::vector<std::uint8_t> midiQuantity(std::uint32_t value) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7)
        out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

} // namespace soundcapture
