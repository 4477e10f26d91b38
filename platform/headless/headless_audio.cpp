// The headless sound device: frames are counted into a queue that drains only when
// a test says so (headless::state().audioQueued).
#include "platform/audio_output.h"
#include "platform/headless/headless_state.h"

bool openAudioOutput(std::string& error) {
    headless::State& s = headless::state();
    if (s.failAudio) {
        error = "no audio device";
        return false;
    }
    s.audioOpen = true;
    return true;
}

void closeAudioOutput() {
    headless::state().audioOpen = false;
}

void queueAudio(const int16_t*, size_t count) {
    headless::State& s = headless::state();
    if (!s.audioOpen) return;
    s.audioQueued += static_cast<uint32_t>(count);
    s.audioFramesQueued += count;
}

uint32_t queuedAudioFrames() {
    return headless::state().audioQueued;
}

void stopAudio() {
    headless::state().audioQueued = 0;
}

namespace headless {

void playAudio(uint32_t frames) {
    uint32_t& queued = state().audioQueued;
    queued -= frames < queued ? frames : queued;
}

}  // namespace headless
