#pragma once
// Synthesises the program's short sounds as RIFF WAVE file images (PCM, little-endian).
#include <string>
#include <vector>

namespace resgen {

struct WaveFormat {
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;
    int frames = 0;  // sample frames; the data chunk holds frames * channels * bitsPerSample / 8 bytes
};

// One tone of a sound: a sine partial with a bell-like envelope (short attack, exponential decay).
struct Note {
    double start = 0;      // seconds
    double frequency = 0;  // Hz
    double amplitude = 0;  // 0..1 of full scale
    double decay = 0.3;    // seconds for the level to fall to 1/e
    double pan = 0;        // -1 left .. +1 right
};

// Mixes the notes into a WAVE of the given format; the last 10 ms fade to silence so nothing clicks.
std::vector<unsigned char> SynthesiseWave(const WaveFormat& format, const std::vector<Note>& notes);

struct NamedWave {
    std::string name;
    std::vector<unsigned char> bytes;
};

// The five sounds of the program, by resource name.
std::vector<NamedWave> ProgramWaves();

}  // namespace resgen
