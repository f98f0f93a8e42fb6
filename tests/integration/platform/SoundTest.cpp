#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/Sound.h"
#include "support/WaveBuilder.h"

namespace platform {
namespace {

using test::WaveBuilder;
using Bytes = WaveBuilder::Bytes;

// Whether or not the machine has a sound device, Play must come back at once and Stop must end the sound.
// The limits are generous so that a loaded machine does not fail them; a blocking device open or a sound
// played to its end (several seconds) would.
constexpr auto kPrompt = std::chrono::milliseconds(1500);

TEST(Sound, PlayReturnsAtOnceAndStopEndsTheSound) {
    const Bytes longSound = WaveBuilder::Simple(2, 44100, 16, 44100 * 5);  // 5 s
    auto start = std::chrono::steady_clock::now();
    Sound::Play(longSound);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt);
    start = std::chrono::steady_clock::now();
    Sound::Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt);
    Sound::Stop();  // idle: returns at once
}

TEST(Sound, DamagedBytesPlayNothing) {
    Sound::Play({});
    Sound::Play(Bytes(64, 0xFF));
    Bytes truncated = WaveBuilder::Simple(1, 11025, 8, 100);
    truncated.resize(truncated.size() - 10);
    Sound::Play(truncated);
    Sound::Stop();
}

TEST(Sound, ANewSoundReplacesTheOneThatPlays) {
    const Bytes a = WaveBuilder::Simple(2, 44100, 16, 44100 * 5);
    const Bytes b = WaveBuilder::Simple(1, 11025, 8, 11025 * 5);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        Sound::Play(i % 2 == 0 ? a : b);
    }
    Sound::Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, kPrompt * 2);
}

TEST(Sound, PlayAndStopFromTwoThreads) {
    const Bytes a = WaveBuilder::Simple(2, 22050, 16, 2205);  // 0.1 s
    const Bytes b = WaveBuilder::Simple(1, 8000, 8, 4000);
    auto worker = [](const Bytes& sound, int rounds) {
        for (int i = 0; i < rounds; ++i) {
            Sound::Play(sound);
            Sound::Play(sound);
            if (i % 3 == 0) {
                Sound::Stop();
            }
        }
    };
    std::thread first(worker, std::cref(a), 50);
    std::thread second(worker, std::cref(b), 50);
    first.join();
    second.join();
    Sound::Stop();
}

TEST(Sound, APlayingSoundIsLeftForStaticDestruction) {
    // The worker is joined when the program ends; this sound is still playing then.
    Sound::Play(WaveBuilder::Simple(1, 8000, 16, 8000 * 10));
}

}  // namespace
}  // namespace platform
