#include "platform/sound/flacCheck.h"

#include "platform/sound/dynamicLoad.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>

namespace sound {
namespace {

// libFLAC is loaded when the first FLAC file is checked, like the audio library (sound.cpp).
// clang-format off
#define VORLANE_FLAC_FUNCTIONS(X)                                                                  \
    X(FLAC__stream_decoder_new) X(FLAC__stream_decoder_delete)                                     \
    X(FLAC__stream_decoder_init_stream) X(FLAC__stream_decoder_process_until_end_of_stream)       \
    X(FLAC__stream_decoder_get_state)
// clang-format on

struct Flac {
#define VORLANE_POINTER(name) decltype(&::name) name = nullptr;
    VORLANE_FLAC_FUNCTIONS(VORLANE_POINTER)
#undef VORLANE_POINTER
};

// libFLAC's functions, or null when it or one of them is missing; looked for once, and never
// unloaded (SDL2_mixer uses the same library).
const Flac* flac() {
    static const Flac* const loaded = []() -> const Flac* {
        void* library = dlopen("libFLAC.so.12", RTLD_NOW | RTLD_LOCAL);
        if (!library) return nullptr;
        static Flac f;
        bool found = true;
#define VORLANE_LOOK_UP(name) found = lookUp(library, #name, f.name) && found;
        VORLANE_FLAC_FUNCTIONS(VORLANE_LOOK_UP)
#undef VORLANE_LOOK_UP
        return found ? &f : nullptr;
    }();
    return loaded;
}

struct Check {
    std::span<const std::uint8_t> bytes;
    std::size_t read = 0;
    unsigned channels = 0, bitsPerSample = 0, sampleRate = 0; // from STREAMINFO; 0 before it
    std::uint64_t totalSamples = 0;                           // from STREAMINFO; 0: unknown
    std::uint64_t decoded = 0;                                // samples per channel so far
    bool lostSync = false; // bytes that were no frame came after the last frame so far
    bool broken = false;
};

FLAC__StreamDecoderReadStatus readBytes(const FLAC__StreamDecoder*, FLAC__byte buffer[],
                                        std::size_t* size, void* data) {
    Check& c = *static_cast<Check*>(data);
    if (c.broken) return FLAC__STREAM_DECODER_READ_STATUS_ABORT; // no need to read on
    *size = std::min(*size, c.bytes.size() - c.read);
    if (*size == 0) return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
    std::memcpy(buffer, c.bytes.data() + c.read, *size);
    c.read += *size;
    return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
}

// The samples are not wanted: a frame is judged by its header.
FLAC__StreamDecoderWriteStatus checkFrame(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                          const FLAC__int32* const[], void* data) {
    Check& c = *static_cast<Check*>(data);
    const FLAC__FrameHeader& h = frame->header;
    if (h.channels != c.channels || h.bits_per_sample != c.bitsPerSample ||
        h.sample_rate != c.sampleRate) {
        c.broken = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    if (c.lostSync) { // what was skipped lay between frames
        c.broken = true;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    c.decoded += h.blocksize;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

// Only STREAMINFO reaches here (libFLAC's default). A second one would leave it open which of
// the two the audio library goes by.
void takeStreamInfo(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* data) {
    Check& c = *static_cast<Check*>(data);
    if (block->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    if (c.channels != 0) c.broken = true;
    c.channels = block->data.stream_info.channels;
    c.bitsPerSample = block->data.stream_info.bits_per_sample;
    c.sampleRate = block->data.stream_info.sample_rate;
    c.totalSamples = block->data.stream_info.total_samples;
}

// Bytes that are no frame after the last frame (an ID3v1 tag some taggers append) are left
// behind, as the audio library leaves them, when no frame follows them and no sample STREAMINFO
// announced is missing; any other error refuses the stream.
void noteError(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* data) {
    Check& c = *static_cast<Check*>(data);
    if (status == FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC && c.decoded != 0) {
        c.lostSync = true;
        return;
    }
    c.broken = true;
}

} // namespace

bool flacIsConsistent(std::span<const std::uint8_t> bytes) {
    const Flac* f = flac();
    if (!f) return false;
    FLAC__StreamDecoder* decoder = f->FLAC__stream_decoder_new();
    if (!decoder) return false;
    Check c{.bytes = bytes};
    bool whole = f->FLAC__stream_decoder_init_stream(decoder, readBytes, nullptr, nullptr, nullptr,
                                                     nullptr, checkFrame, takeStreamInfo, noteError,
                                                     &c) == FLAC__STREAM_DECODER_INIT_STATUS_OK &&
                 f->FLAC__stream_decoder_process_until_end_of_stream(decoder) &&
                 f->FLAC__stream_decoder_get_state(decoder) == FLAC__STREAM_DECODER_END_OF_STREAM;
    f->FLAC__stream_decoder_delete(decoder); // finishes the decoding first
    const bool allSamples = c.totalSamples == 0 || c.decoded >= c.totalSamples;
    return whole && c.channels != 0 && !c.broken && (!c.lostSync || allSamples);
}

} // namespace sound
