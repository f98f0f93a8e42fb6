#include "Wave.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace resgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

void PutU16(std::vector<unsigned char>& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void PutU32(std::vector<unsigned char>& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void PutTag(std::vector<unsigned char>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

// Level of one note at time t after its start: 4 ms raised-cosine attack, then exponential decay.
double Envelope(double t, double decay) {
    if (t < 0) return 0;
    constexpr double kAttack = 0.004;
    double level = std::exp(-t / decay);
    if (t < kAttack) level *= 0.5 - 0.5 * std::cos(kPi * t / kAttack);
    return level;
}

}  // namespace

std::vector<unsigned char> SynthesiseWave(const WaveFormat& format, const std::vector<Note>& notes) {
    const int bytesPerSample = format.bitsPerSample / 8;
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(format.channels * bytesPerSample);
    const std::uint32_t dataSize = static_cast<std::uint32_t>(format.frames) * blockAlign;
    const std::uint32_t pad = dataSize % 2;  // RIFF chunks are word-aligned

    std::vector<unsigned char> out;
    out.reserve(44 + dataSize + pad);
    PutTag(out, "RIFF");
    PutU32(out, 36 + dataSize + pad);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutU32(out, 16);
    PutU16(out, 1);  // PCM
    PutU16(out, static_cast<std::uint32_t>(format.channels));
    PutU32(out, static_cast<std::uint32_t>(format.sampleRate));
    PutU32(out, static_cast<std::uint32_t>(format.sampleRate) * blockAlign);
    PutU16(out, blockAlign);
    PutU16(out, static_cast<std::uint32_t>(format.bitsPerSample));
    PutTag(out, "data");
    PutU32(out, dataSize);

    const double duration = static_cast<double>(format.frames) / format.sampleRate;
    constexpr double kTail = 0.010;
    for (int i = 0; i < format.frames; ++i) {
        const double t = static_cast<double>(i) / format.sampleRate;
        double mix[2] = {0, 0};
        for (const Note& n : notes) {
            const double local = t - n.start;
            if (local < 0) continue;
            // A soft second partial makes the tone bell-like rather than a bare sine.
            const double phase = 2 * kPi * n.frequency * local;
            const double s = n.amplitude * Envelope(local, n.decay) *
                             (std::sin(phase) + 0.25 * std::sin(2 * phase) * std::exp(-local / 0.08));
            mix[0] += s * std::sqrt((1 - n.pan) / 2);
            mix[1] += s * std::sqrt((1 + n.pan) / 2);
        }
        const double tail = std::clamp((duration - t) / kTail, 0.0, 1.0);
        for (int c = 0; c < format.channels; ++c) {
            double v = (format.channels == 1 ? (mix[0] + mix[1]) / 2 : mix[c]) * tail;
            v = std::clamp(v, -1.0, 1.0);
            if (format.bitsPerSample == 8) {
                out.push_back(static_cast<unsigned char>(std::lround(128 + v * 127)));
            } else {
                PutU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))));
            }
        }
    }
    if (pad) out.push_back(0);
    return out;
}

std::vector<NamedWave> ProgramWaves() {
    // Notes: start s, frequency Hz, amplitude, decay s, pan.
    // Start: a rising major arpeggio that rings out.
    const std::vector<Note> start = {{0.00, 523.25, 0.30, 0.60, -0.6},
                                     {0.16, 659.25, 0.28, 0.60, -0.2},
                                     {0.32, 783.99, 0.26, 0.65, 0.2},
                                     {0.48, 1046.50, 0.26, 0.75, 0.6},
                                     {0.48, 523.25, 0.12, 0.90, 0.0}};
    // Telesignal change: two quick bright pings.
    const std::vector<Note> yx = {{0.00, 880.00, 0.40, 0.08, -0.3}, {0.12, 1318.51, 0.40, 0.09, 0.3}};
    // Acknowledged command: a calm rising two-note chime.
    const std::vector<Note> yk = {
        {0.00, 783.99, 0.32, 0.45, -0.3}, {0.22, 1046.50, 0.32, 0.55, 0.3}, {0.22, 659.25, 0.16, 0.55, 0.0}};
    // Transfer done: a very short soft blip.
    const std::vector<Note> hover = {{0.00, 1567.98, 0.35, 0.02, 0.0}};
    // Ring: two short bursts of a two-tone bell.
    const std::vector<Note> ring = {{0.00, 659.25, 0.35, 0.10, 0.0},
                                    {0.00, 830.61, 0.25, 0.10, 0.0},
                                    {0.30, 659.25, 0.35, 0.10, 0.0},
                                    {0.30, 830.61, 0.25, 0.10, 0.0}};

    // Frame counts give the lengths 2.27 s, 0.43 s, 1.98 s, 0.06 s and 0.91 s at the listed rates; the ring's
    // count is kept even so its 8-bit mono data needs no pad byte.
    return {
        {"IDR_WAVE_START", SynthesiseWave({44100, 2, 16, 100107}, start)},
        {"IDR_WAVE_YX", SynthesiseWave({44100, 2, 16, 18963}, yx)},
        {"IDR_WAVE_YK", SynthesiseWave({44100, 2, 16, 87318}, yk)},
        {"IDR_WAVE_HOVER", SynthesiseWave({22050, 2, 16, 1323}, hover)},
        {"IDR_WAVE_RING", SynthesiseWave({11025, 1, 8, 10032}, ring)},
    };
}

}  // namespace resgen
