// Sound through SDL2: the device's thread pulls frames from our own queue in its
// callback, so that running dry fades the last frame out instead of dropping to
// zero. This side appends to the queue and reads its length under the device's lock.
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "core/audio.h"
#include "platform/audio_output.h"
#include "platform/audio_ring.h"

namespace {

SDL_AudioDeviceID device = 0;
AudioRing ring;

void pullFrames(void*, Uint8* stream, int bytes) {
    ring.pull(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / 4);
}

// While SDL looks for a sound device, the sound libraries it tries (ALSA above all)
// print their own complaints on stderr when there is none: eight lines of noise for
// what the program says itself in one. Standard error is set aside for that while.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStandardError() {
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

}  // namespace

bool openAudioOutput(std::string& error) {
    if (device != 0) return true;
    const QuietStandardError quiet;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kAudioSampleRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 2048;  // 43 ms a period
    want.callback = &pullFrames;
    // No changes allowed: SDL converts to whatever the device takes.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device == 0) {
        error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

void closeAudioOutput() {
    if (device == 0) return;
    SDL_CloseAudioDevice(device);
    device = 0;
    ring.clear();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void queueAudio(const int16_t* frames, size_t count) {
    if (device == 0 || count == 0) return;
    SDL_LockAudioDevice(device);
    ring.push(frames, count);
    SDL_UnlockAudioDevice(device);
    if (SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_PLAYING) SDL_PauseAudioDevice(device, 0);
}

uint32_t queuedAudioFrames() {
    if (device == 0) return 0;
    SDL_LockAudioDevice(device);
    const size_t count = ring.size();
    SDL_UnlockAudioDevice(device);
    return static_cast<uint32_t>(count);
}

void stopAudio() {
    if (device == 0) return;
    SDL_PauseAudioDevice(device, 1);
    SDL_LockAudioDevice(device);
    ring.clear();
    SDL_UnlockAudioDevice(device);
}
