// Sound through SDL2's queued audio: the device pulls frames from SDL's queue on
// its own thread; this side only appends to it and reads its length.
#include <SDL.h>

#include "core/audio.h"
#include "platform/audio_output.h"

namespace {

SDL_AudioDeviceID device = 0;
constexpr uint32_t kBytesPerFrame = 4;

}  // namespace

bool openAudioOutput(std::string& error) {
    if (device != 0) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kAudioSampleRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 480;  // 10 ms a period
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
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void queueAudio(const int16_t* frames, size_t count) {
    if (device == 0 || count == 0) return;
    SDL_QueueAudio(device, frames, static_cast<Uint32>(count * kBytesPerFrame));
    if (SDL_GetAudioDeviceStatus(device) != SDL_AUDIO_PLAYING) SDL_PauseAudioDevice(device, 0);
}

uint32_t queuedAudioFrames() {
    return device != 0 ? SDL_GetQueuedAudioSize(device) / kBytesPerFrame : 0;
}

void stopAudio() {
    if (device == 0) return;
    SDL_PauseAudioDevice(device, 1);
    SDL_ClearQueuedAudio(device);
}
