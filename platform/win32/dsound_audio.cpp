// Sound through DirectSound 8: one looping secondary buffer of about a third of a
// second, playing from the moment it is made and written ahead of its play cursor.
// What follows the queued frames is the last of them faded out, then silence, so
// that running dry neither clicks nor plays old sound.
#include <cstdio>
#include <cstring>

#include "core/audio.h"
#include "platform/audio_output.h"
#include "platform/audio_ring.h"
#include "platform/win32/win32_platform.h"

// clang-format off
#include <mmsystem.h>
#include <dsound.h>
// clang-format on

namespace {

constexpr DWORD kBytesPerFrame = 4;
constexpr DWORD kBufferBytes = 16384 * kBytesPerFrame;

IDirectSound8* device = nullptr;
IDirectSoundBuffer* buffer = nullptr;
bool playing = false;
DWORD lastPlay = 0;     // play cursor at the last look
DWORD writeOffset = 0;  // where the next frames go
uint64_t played = 0;    // bytes the play cursor has passed since the start
uint64_t written = 0;   // bytes queued since the start

std::string failure(const char* what, HRESULT result) {
    char text[96];
    std::snprintf(text, sizeof text, "DirectSound: %s failed (0x%08lX)", what,
                  static_cast<unsigned long>(result));
    return text;
}

void updatePlayed() {
    DWORD play = 0, write = 0;
    if (buffer == nullptr || !playing || FAILED(buffer->GetCurrentPosition(&play, &write))) return;
    played += (play + kBufferBytes - lastPlay) % kBufferBytes;
    lastPlay = play;
    if (played > written) {
        // Ran dry: continue right at the play cursor.
        written = played;
        writeOffset = play;
    }
}

// Copies bytes into the ring at offset, or zeroes them when source is null.
void fill(DWORD offset, const uint8_t* source, DWORD bytes) {
    if (bytes == 0) return;
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0, secondBytes = 0;
    HRESULT result = buffer->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    if (result == DSERR_BUFFERLOST) {
        buffer->Restore();
        result = buffer->Lock(offset, bytes, &first, &firstBytes, &second, &secondBytes, 0);
    }
    if (FAILED(result)) return;
    if (source != nullptr) {
        std::memcpy(first, source, firstBytes);
        if (second != nullptr) std::memcpy(second, source + firstBytes, secondBytes);
    } else {
        std::memset(first, 0, firstBytes);
        if (second != nullptr) std::memset(second, 0, secondBytes);
    }
    buffer->Unlock(first, firstBytes, second, secondBytes);
}

// After the queued frames up to the play cursor: frame `last` faded out, then
// silence.
void fillUnderrun(DWORD offset, const int16_t* last, DWORD bytes) {
    int16_t fade[2 * kUnderrunFadeFrames];
    writeUnderrunFrames(last, 0, fade, kUnderrunFadeFrames);
    const DWORD fadeBytes = bytes < sizeof fade ? bytes : static_cast<DWORD>(sizeof fade);
    fill(offset, reinterpret_cast<const uint8_t*>(fade), fadeBytes);
    fill((offset + fadeBytes) % kBufferBytes, nullptr, bytes - fadeBytes);
}

}  // namespace

bool openAudioOutput(std::string& error) {
    if (buffer != nullptr) return true;
    HRESULT result = DirectSoundCreate8(nullptr, &device, nullptr);
    if (FAILED(result)) {
        device = nullptr;
        error = failure("DirectSoundCreate8", result);
        return false;
    }
    HWND owner = win32::windowHandle(topLevelWindow());
    result =
        device->SetCooperativeLevel(owner != nullptr ? owner : GetDesktopWindow(), DSSCL_PRIORITY);
    if (FAILED(result)) {
        error = failure("SetCooperativeLevel", result);
        closeAudioOutput();
        return false;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kAudioSampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = kBytesPerFrame;
    format.nAvgBytesPerSec = kAudioSampleRate * kBytesPerFrame;
    DSBUFFERDESC description = {};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = kBufferBytes;
    description.lpwfxFormat = &format;
    result = device->CreateSoundBuffer(&description, &buffer, nullptr);
    if (FAILED(result)) {
        buffer = nullptr;
        error = failure("CreateSoundBuffer", result);
        closeAudioOutput();
        return false;
    }
    // Played from the start, silent until frames are queued.
    fill(0, nullptr, kBufferBytes);
    result = buffer->Play(0, 0, DSBPLAY_LOOPING);
    if (FAILED(result)) {
        error = failure("Play", result);
        closeAudioOutput();
        return false;
    }
    playing = true;
    return true;
}

void closeAudioOutput() {
    if (buffer != nullptr) {
        buffer->Stop();
        buffer->Release();
        buffer = nullptr;
    }
    if (device != nullptr) {
        device->Release();
        device = nullptr;
    }
    playing = false;
}

void queueAudio(const int16_t* frames, size_t count) {
    if (buffer == nullptr || count == 0) return;
    updatePlayed();
    // Never past the play cursor: what does not fit is dropped.
    const uint64_t room = kBufferBytes - kBytesPerFrame - (written - played);
    DWORD bytes = static_cast<DWORD>(count * kBytesPerFrame);
    if (bytes > room) bytes = static_cast<DWORD>(room - room % kBytesPerFrame);
    fill(writeOffset, reinterpret_cast<const uint8_t*>(frames), bytes);
    writeOffset = (writeOffset + bytes) % kBufferBytes;
    written += bytes;
    if (bytes == 0) return;
    fillUnderrun(writeOffset, frames + 2 * (bytes / kBytesPerFrame - 1),
                 static_cast<DWORD>(kBufferBytes - (written - played)));
}

uint32_t queuedAudioFrames() {
    updatePlayed();
    return static_cast<uint32_t>((written - played) / kBytesPerFrame);
}

void stopAudio() {
    if (buffer == nullptr) return;
    // The buffer keeps playing: all of it silence, the queue empty from here on.
    updatePlayed();
    fill(0, nullptr, kBufferBytes);
    written = played;
    writeOffset = lastPlay;
}
