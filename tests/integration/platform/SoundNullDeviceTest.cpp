// Plays through ALSA's null device, which takes samples as fast as they come, so that the whole playing path
// (open, parameters, writes, start, drop) runs on any machine, with or without a sound card.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/Sound.h"
#include "support/WaveBuilder.h"

namespace platform {
namespace {

using test::WaveBuilder;
using Bytes = WaveBuilder::Bytes;

bool WaitUntilIdle() {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Sound::IsPlaying()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(SoundOnNullDevice, EverySupportedFormatPlaysToTheEnd) {
    const Bytes sounds[] = {
        WaveBuilder::Simple(2, 44100, 16, 44100 / 10),
        WaveBuilder::Simple(2, 22050, 16, 1323),  // shorter than the device's start threshold
        WaveBuilder::Simple(1, 11025, 8, 11025),
        WaveBuilder::Simple(1, 8000, 16, 3),
    };
    for (const Bytes& wave : sounds) {
        Sound::Play(wave);
        EXPECT_TRUE(WaitUntilIdle());
    }
}

TEST(SoundOnNullDevice, RapidPlayAndStopFromTwoThreads) {
    const Bytes a = WaveBuilder::Simple(2, 44100, 16, 4410);
    const Bytes b = WaveBuilder::Simple(1, 11025, 8, 2000);
    auto worker = [](const Bytes& sound) {
        for (int i = 0; i < 40; ++i) {
            Sound::Play(sound);
            Sound::Play(sound);
            if (i % 4 == 0) {
                Sound::Stop();
            }
        }
    };
    std::thread first(worker, std::cref(a));
    std::thread second(worker, std::cref(b));
    first.join();
    second.join();
    Sound::Stop();
    EXPECT_FALSE(Sound::IsPlaying());
}

}  // namespace
}  // namespace platform

int main(int argc, char** argv) {
    // The configuration must be in place before the first use of ALSA in the process.
    char path[] = "/tmp/varn-alsa-null-XXXXXX";
    int fd = ::mkstemp(path);
    if (fd < 0) {
        return 1;
    }
    const std::string config = "pcm.!default {\n    type null\n}\n";
    bool written = ::write(fd, config.data(), config.size()) == static_cast<ssize_t>(config.size());
    ::close(fd);
    if (!written) {
        ::unlink(path);
        return 1;
    }
    ::setenv("ALSA_CONFIG_PATH", path, 1);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    ::unlink(path);
    return result;
}
