#include "platform/Sound.h"

#include <windows.h>
// mmsystem.h needs windows.h first.
#include <mmsystem.h>

#include <chrono>
#include <memory>
#include <mutex>

namespace platform {
namespace {

// The system plays from our memory while PlaySound runs asynchronously, so the image stays alive here until
// the next sound (or a stop) has ended it. At exit the sound is ended before the image goes.
struct Playing {
    Playing() = default;
    Playing(const Playing&) = delete;
    Playing& operator=(const Playing&) = delete;
    ~Playing() { PlaySoundW(nullptr, nullptr, 0); }

    std::mutex mutex;
    std::shared_ptr<std::vector<unsigned char>> image;
    std::chrono::steady_clock::time_point ends{};
};

Playing& State() {
    static Playing state;
    return state;
}

}  // namespace

void Sound::Play(const std::vector<unsigned char>& wave) {
    std::optional<WaveInfo> info = ParseWave(wave);
    Playing& state = State();
    std::lock_guard lock(state.mutex);
    // Ends the sound playing (synchronously) before its bytes are let go.
    PlaySoundW(nullptr, nullptr, 0);
    state.image.reset();
    state.ends = {};
    if (!info) {
        return;
    }
    auto image = std::make_shared<std::vector<unsigned char>>(wave);
    if (!PlaySoundW(reinterpret_cast<LPCWSTR>(image->data()), nullptr,
                    SND_ASYNC | SND_MEMORY | SND_NODEFAULT)) {
        return;  // no sound device: nothing plays and nothing is reported
    }
    const std::size_t frameBytes = info->channels * info->bitsPerSample / 8;
    const auto ms = static_cast<long long>(info->dataSize / frameBytes) * 1000 / info->sampleRate;
    state.image = std::move(image);
    state.ends = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms + 1);
}

void Sound::Stop() {
    Playing& state = State();
    std::lock_guard lock(state.mutex);
    PlaySoundW(nullptr, nullptr, 0);
    state.image.reset();
    state.ends = {};
}

bool Sound::IsPlaying() {
    Playing& state = State();
    std::lock_guard lock(state.mutex);
    return state.image && std::chrono::steady_clock::now() < state.ends;
}

}  // namespace platform
