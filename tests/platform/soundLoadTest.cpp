// The audio libraries are loaded by the first sound, not at the start of the process; it needs
// a process of its own.
#include "platform/sound/sound.h"
#include "tests/platform/soundCapture.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

bool loaded(const char* library) {
    void* handle = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
    if (handle) dlclose(handle); // only drops the reference RTLD_NOLOAD took
    return handle != nullptr;
}

TEST(SoundLibraries, AreLoadedByTheFirstSound) {
    for (const char* library : {"libSDL2-2.0.so.0", "libSDL2_mixer-2.0.so.0"}) {
        SCOPED_TRACE(library);
        EXPECT_FALSE(loaded(library));
    }
    soundcapture::useDiskAudio();
    sound::beep();
    for (const char* library : {"libSDL2-2.0.so.0", "libSDL2_mixer-2.0.so.0"}) {
        SCOPED_TRACE(library);
        EXPECT_TRUE(loaded(library));
    }
}

} // namespace
