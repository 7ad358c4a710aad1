#include "platform/sound/sound.h"

#include "platform/sound/dynamicLoad.h"
#include "platform/sound/flacCheck.h"
#include "platform/sound/midiLength.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <numbers>
#include <span>
#include <string_view>
#include <system_error>
#include <thread>

namespace sound {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int mixingChannels = 32; // far more than alerts ever overlap
constexpr int bufferFrames = 1024; // about 23 ms: short enough for a prompt alert
// Sounds up to this long are decoded whole, so that any number of them overlap. Longer ones,
// and MIDI files whose length cannot be told, are streamed instead: the library has a single
// stream, and a newer long sound takes it over from an older one.
constexpr double longestDecodedSeconds = 30.0;
// After the audio output failed to open, calls stay no-ops this long before it is tried again.
constexpr auto reopenPause = std::chrono::seconds(60);
// An open output keeps the audio system's thread running many times a second and may keep the
// device from other programs: it is closed when nothing has played for this long, and opened
// again by the next sound.
constexpr auto idleClose = std::chrono::seconds(30);

constexpr double beepHz = 880.0;
constexpr double beepSeconds = 0.15;
constexpr double beepFadeSeconds = 0.01; // soft edges, so the tone starts and ends without a click
constexpr double beepLevel = 0.3;

// The General MIDI sound fonts of Debian, best first.
constexpr const char* soundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// The functions of SDL2 and SDL2_mixer this file calls. The libraries are loaded at the first
// sound rather than linked: with the forty-odd libraries behind them they would be mapped and
// relocated at every start of the program, which may play its first sound hours later.
// clang-format off
#define VORLANE_SDL_FUNCTIONS(X)                                                                   \
    X(SDL_SetHint) X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_RWFromConstMem)
#define VORLANE_MIXER_FUNCTIONS(X)                                                                 \
    X(Mix_Init) X(Mix_Quit) X(Mix_OpenAudioDevice) X(Mix_CloseAudio) X(Mix_SetSoundFonts)          \
    X(Mix_AllocateChannels) X(Mix_ChannelFinished) X(Mix_HookMusicFinished) X(Mix_QuickLoad_RAW)  \
    X(Mix_LoadWAV_RW) X(Mix_FreeChunk) X(Mix_PlayChannel) X(Mix_Playing) X(Mix_HaltChannel)       \
    X(Mix_LoadMUS_RW) X(Mix_FreeMusic) X(Mix_PlayMusic) X(Mix_PlayingMusic) X(Mix_HaltMusic)      \
    X(Mix_MusicDuration)
// clang-format on

struct Library {
#define VORLANE_POINTER(name) decltype(&::name) name = nullptr;
    VORLANE_SDL_FUNCTIONS(VORLANE_POINTER)
    VORLANE_MIXER_FUNCTIONS(VORLANE_POINTER)
#undef VORLANE_POINTER
};

// Filled by loadLibraries() under Shared::openMutex before the sound thread first starts.
Library sdl;

// Loads SDL2 and SDL2_mixer and fills sdl; true when every function was found. Only the first
// call tries: a library missing now stays missing, and every further sound is a no-op.
//
// The libraries are never unloaded, not even by shutdown(). SDL and the audio back ends it
// brings in (PulseAudio, ALSA, the MIDI synthesiser) start threads and register handlers of
// their own; unloading code that one of them may still reach risks a crash at exit, and buys
// nothing, since shutdown() comes at the end of the process.
bool loadLibraries() {
    static const bool loaded = [] {
        void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        void* mixer = sdl2 ? dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL) : nullptr;
        if (!mixer) return false;
        bool found = true;
#define VORLANE_LOOK_UP_SDL(name) found = lookUp(sdl2, #name, sdl.name) && found;
#define VORLANE_LOOK_UP_MIXER(name) found = lookUp(mixer, #name, sdl.name) && found;
        VORLANE_SDL_FUNCTIONS(VORLANE_LOOK_UP_SDL)
        VORLANE_MIXER_FUNCTIONS(VORLANE_LOOK_UP_MIXER)
#undef VORLANE_LOOK_UP_SDL
#undef VORLANE_LOOK_UP_MIXER
        return found;
    }();
    return loaded;
}

enum class Kind { unknown, beep, wave, midi, flac, other };

// What the bytes are, by their signature. Wave-like data is PCM the library converts as a
// whole; MIDI is measured by us; the rest is measured by its decoder.
Kind kindOf(std::span<const std::uint8_t> b) {
    auto at = [&](std::size_t offset, std::string_view magic) {
        return b.size() >= offset + magic.size() &&
               std::equal(magic.begin(), magic.end(), b.begin() + offset,
                          [](char c, std::uint8_t x) { return static_cast<std::uint8_t>(c) == x; });
    };
    if ((at(0, "RIFF") && at(8, "WAVE")) || (at(0, "FORM") && (at(8, "AIFF") || at(8, "AIFC"))) ||
        at(0, "Creative Voice File"))
        return Kind::wave;
    if (at(0, "MThd")) return Kind::midi;
    if (at(0, "fLaC")) return Kind::flac;
    if (at(0, "OggS") || at(0, "ID3")) return Kind::other;
    // An MPEG layer III frame header; the version bits must not be the reserved value.
    if (b.size() >= 2 && b[0] == 0xFF && (b[1] & 0xE6) == 0xE2 && (b[1] & 0x18) != 0x08)
        return Kind::other;
    return Kind::unknown;
}

struct Job {
    Kind kind;
    std::vector<std::uint8_t> bytes;
};

struct ChannelUse {
    Mix_Chunk* chunk = nullptr;
    bool owned = false; // the beep's chunk is shared and kept
};

// Touched only by whoever opens the audio output and, from then on, by the sound thread.
struct Player {
    std::vector<std::int16_t> beepSamples;
    Mix_Chunk* beepChunk = nullptr;
    std::vector<ChannelUse> channels;
    Mix_Music* music = nullptr;
    std::vector<std::uint8_t> musicBytes; // the stream reads from these while it plays
};

// What callers, the sound thread and the library's callbacks share, under the mutex m. The
// library is never called with m held: its callbacks take m while the library holds its audio
// lock.
struct Shared {
    std::mutex openMutex; // taken before m, for opening and closing the output
    std::mutex m;
    std::condition_variable cv;
    std::deque<Job> jobs;
    bool wake = false;     // a channel or the stream finished
    bool working = false;  // the sound thread is starting sounds
    bool sounding = false; // playbacks are on
    bool stop = false;
    bool open = false;   // the output is open and the sound thread takes jobs
    bool closed = false; // shutdown() was called
    Clock::time_point retryAt{};
    Player player;
    std::thread thread; // runs while the audio output is open; joined before it is reopened
};

// Never destroyed: the sound thread may still run while static objects go away at exit.
Shared& shared() {
    static Shared* s = new Shared;
    return *s;
}

void wakeSoundThread() {
    Shared& s = shared();
    {
        std::lock_guard lock(s.m);
        s.wake = true;
    }
    s.cv.notify_one();
}

void onChannelFinished(int) {
    wakeSoundThread();
}
void onMusicFinished() {
    wakeSoundThread();
}

void makeBeep(Player& p) {
    const int frames = static_cast<int>(std::lround(outputRate * beepSeconds));
    const int fade = static_cast<int>(std::lround(outputRate * beepFadeSeconds));
    p.beepSamples.resize(static_cast<std::size_t>(frames) * outputChannels);
    for (int i = 0; i < frames; ++i) {
        int edge = std::min(i, frames - 1 - i);
        double envelope = edge < fade ? 0.5 - 0.5 * std::cos(std::numbers::pi * edge / fade) : 1.0;
        double v = beepLevel * envelope * std::sin(2 * std::numbers::pi * beepHz * i / outputRate);
        auto sample = static_cast<std::int16_t>(std::lround(v * 32767));
        for (int c = 0; c < outputChannels; ++c)
            p.beepSamples[i * outputChannels + c] = sample;
    }
    p.beepChunk = sdl.Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(p.beepSamples.data()),
                                        static_cast<Uint32>(p.beepSamples.size() * 2));
}

bool openAudio(Player& p) {
    if (!loadLibraries()) return false;
    sdl.SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); // the window toolkit handles the signals
    sdl.SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Vorlane时辰提醒");
    // A WAVE file whose data is cut short is broken: it plays nothing rather than a fragment.
    sdl.SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "strict");
    if (sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    sdl.Mix_Init(MIX_INIT_MID | MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC | MIX_INIT_OPUS);
    if (sdl.Mix_OpenAudioDevice(outputRate, AUDIO_S16SYS, outputChannels, bufferFrames, nullptr,
                                0) != 0) {
        sdl.Mix_Quit();
        sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    for (const char* font : soundFonts) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(font, ec)) {
            sdl.Mix_SetSoundFonts(font);
            break;
        }
    }
    sdl.Mix_AllocateChannels(mixingChannels);
    p.channels.assign(mixingChannels, {});
    sdl.Mix_ChannelFinished(onChannelFinished);
    sdl.Mix_HookMusicFinished(onMusicFinished);
    makeBeep(p);
    return true;
}

SDL_RWops* reader(const std::vector<std::uint8_t>& bytes) {
    return sdl.SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
}

void release(Player& p, int channel) {
    ChannelUse& use = p.channels[channel];
    if (use.owned) sdl.Mix_FreeChunk(use.chunk);
    use = {};
}

void playChunk(Player& p, Mix_Chunk* chunk, bool owned) {
    if (!chunk) return;
    int channel = sdl.Mix_PlayChannel(-1, chunk, 0);
    if (channel < 0 || channel >= static_cast<int>(p.channels.size())) {
        if (owned) sdl.Mix_FreeChunk(chunk);
        return;
    }
    release(p, channel); // what the channel played before; it has finished
    p.channels[channel] = {chunk, owned};
}

void stream(Player& p, Mix_Music* music, std::vector<std::uint8_t> bytes) {
    if (p.music) {
        sdl.Mix_HaltMusic();
        sdl.Mix_FreeMusic(p.music);
    }
    p.music = music;
    p.musicBytes = std::move(bytes); // a move keeps the buffer the stream reads from
    if (sdl.Mix_PlayMusic(music, 0) != 0) {
        sdl.Mix_FreeMusic(music);
        p.music = nullptr;
        p.musicBytes = {};
    }
}

void start(Player& p, Job& job) {
    if (job.kind == Kind::beep) return playChunk(p, p.beepChunk, false);
    if (job.kind == Kind::wave) return playChunk(p, sdl.Mix_LoadWAV_RW(reader(job.bytes), 1), true);
    // SDL2_mixer 2.6 crashes on FLAC frames with fewer channels than the stream's header says.
    if (job.kind == Kind::flac && !flacIsConsistent(job.bytes)) return;

    Mix_Music* music = nullptr;
    bool isShort = false;
    if (job.kind == Kind::midi) {
        // The synthesiser renders whatever length the file asks for, so only a file known to
        // be short is rendered whole.
        auto seconds = midiSecondsBound(job.bytes);
        isShort = seconds && *seconds <= longestDecodedSeconds;
    } else {
        music = sdl.Mix_LoadMUS_RW(reader(job.bytes), 1);
        if (!music) return;
        double seconds = sdl.Mix_MusicDuration(music);
        isShort = seconds >= 0 && seconds <= longestDecodedSeconds;
    }
    if (isShort) {
        if (Mix_Chunk* chunk = sdl.Mix_LoadWAV_RW(reader(job.bytes), 1)) {
            if (music) sdl.Mix_FreeMusic(music);
            return playChunk(p, chunk, true);
        }
    }
    if (!music) music = sdl.Mix_LoadMUS_RW(reader(job.bytes), 1);
    if (music) stream(p, music, std::move(job.bytes));
}

// Frees what has finished playing; returns whether anything still plays.
bool reap(Player& p) {
    bool sounding = false;
    for (int c = 0; c < static_cast<int>(p.channels.size()); ++c) {
        if (!p.channels[c].chunk) continue;
        if (sdl.Mix_Playing(c))
            sounding = true;
        else
            release(p, c);
    }
    if (p.music && !sdl.Mix_PlayingMusic()) {
        sdl.Mix_FreeMusic(p.music);
        p.music = nullptr;
        p.musicBytes = {};
    }
    return sounding || p.music;
}

void closeAudio(Player& p) {
    sdl.Mix_ChannelFinished(nullptr);
    sdl.Mix_HookMusicFinished(nullptr);
    sdl.Mix_HaltChannel(-1);
    sdl.Mix_HaltMusic();
    for (int c = 0; c < static_cast<int>(p.channels.size()); ++c)
        release(p, c);
    if (p.music) sdl.Mix_FreeMusic(p.music);
    sdl.Mix_FreeChunk(p.beepChunk);
    p = {};
    sdl.Mix_CloseAudio();
    sdl.Mix_Quit();
    sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void runSoundThread() {
    Shared& s = shared();
    std::unique_lock lock(s.m);
    const auto ready = [&] { return s.stop || s.wake || !s.jobs.empty(); };
    for (;;) {
        if (s.sounding) {
            s.cv.wait(lock, ready);
        } else if (!s.cv.wait_for(lock, idleClose, ready)) {
            break; // nothing to play for a while
        }
        if (s.stop) break;
        s.wake = false;
        std::deque<Job> jobs;
        jobs.swap(s.jobs);
        s.working = true;
        lock.unlock();
        for (Job& job : jobs)
            start(s.player, job);
        jobs.clear();
        bool sounding = reap(s.player);
        lock.lock();
        s.working = false;
        s.sounding = sounding;
    }
    s.open = false; // from here on a new sound opens the output again
    s.jobs.clear();
    lock.unlock();
    closeAudio(s.player);
    lock.lock();
    s.sounding = false;
}

// Opens the audio output and starts the sound thread on first use. The library is called
// under openMutex only, never under the mutex its callbacks take.
bool ensureStarted() {
    Shared& s = shared();
    std::lock_guard open(s.openMutex);
    auto now = Clock::now();
    {
        std::lock_guard lock(s.m);
        if (s.closed) return false;
        if (s.open) return true;
        if (now < s.retryAt) return false;
    }
    if (s.thread.joinable()) s.thread.join(); // the output was closed for idleness
    std::thread thread;
    bool started = openAudio(s.player);
    if (started) {
        try {
            thread = std::thread(runSoundThread);
        } catch (const std::system_error&) {
            closeAudio(s.player);
            started = false;
        }
    }
    std::lock_guard lock(s.m);
    if (started) {
        s.thread = std::move(thread);
        s.open = true;
    } else {
        s.retryAt = now + reopenPause;
    }
    return started;
}

bool submit(Job job) {
    Shared& s = shared();
    for (;;) {
        if (!ensureStarted()) return false;
        {
            std::lock_guard lock(s.m);
            if (s.closed) return false;
            if (s.open) {
                s.jobs.push_back(std::move(job));
                break;
            }
        }
        // The output closed for idleness meanwhile: open it again.
    }
    s.cv.notify_one();
    return true;
}

} // namespace

void beep() {
    submit({Kind::beep, {}});
}

bool play(std::vector<std::uint8_t> bytes) {
    if (bytes.size() > maxSoundFileBytes) return false;
    Kind kind = kindOf(bytes);
    if (kind == Kind::unknown) return false;
    return submit({kind, std::move(bytes)});
}

bool playFile(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    auto size = std::filesystem::file_size(file, ec);
    if (ec || size > maxSoundFileBytes) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) return false;
    return play(std::move(bytes));
}

bool isPlaying() {
    Shared& s = shared();
    std::lock_guard lock(s.m);
    return !s.jobs.empty() || s.working || s.sounding;
}

void shutdown() {
    Shared& s = shared();
    std::lock_guard open(s.openMutex); // no start-up half done
    std::thread thread;
    {
        std::lock_guard lock(s.m);
        if (s.closed) return;
        s.closed = true;
        s.stop = true;
        thread = std::move(s.thread);
    }
    s.cv.notify_one();
    if (thread.joinable()) thread.join();
}

} // namespace sound
