#pragma once
// Asynchronous playing of a RIFF WAVE held in memory. A new sound ends the one playing. Without a sound
// device nothing plays and nothing is reported.
#include <cstddef>
#include <optional>
#include <vector>

namespace platform {

class Sound {
  public:
    // Starts playing a copy of `wave` (a complete RIFF WAVE file image, PCM) and returns at once.
    // Bytes that are not a playable WAVE play nothing.
    static void Play(const std::vector<unsigned char>& wave);
    // Stops the sound playing, if any, and waits for the player to be idle (used at exit and in tests).
    static void Stop();
    // Whether a sound is waiting to play or playing.
    static bool IsPlaying();
};

// The playable part of a RIFF WAVE image: uncompressed PCM, 8-bit (unsigned) or 16-bit (signed,
// little-endian) samples, one or two channels, interleaved.
struct WaveInfo {
    unsigned channels = 0;
    unsigned bitsPerSample = 0;
    unsigned sampleRate = 0;
    std::size_t dataOffset = 0;  // first sample byte in the image
    std::size_t dataSize = 0;    // whole frames only
};

// Walks the chunks of a WAVE image with every size checked against the bytes present. Gives nothing for
// anything that is not a playable PCM WAVE (wrong signature, missing or short "fmt " chunk, another encoding,
// sizes that run past the end).
std::optional<WaveInfo> ParseWave(const std::vector<unsigned char>& wave);

}  // namespace platform
