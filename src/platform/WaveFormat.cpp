// The RIFF WAVE parser; shared by the ALSA and the Win32 players.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/Sound.h"

namespace platform {
namespace {

std::uint32_t Le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::uint32_t kFormatPcm = 1;
constexpr std::uint32_t kFormatExtensible = 0xFFFE;

}  // namespace

std::optional<WaveInfo> ParseWave(const std::vector<unsigned char>& wave) {
    const unsigned char* p = wave.data();
    if (wave.size() < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    // The RIFF size may overstate the image (some writers leave it open); the bytes present are the limit.
    const std::uint64_t end = std::min<std::uint64_t>(8ull + Le32(p + 4), wave.size());
    bool haveFormat = false;
    bool haveData = false;
    WaveInfo info;
    std::uint32_t blockAlign = 0;
    std::uint64_t pos = 12;
    while (pos + 8 <= end && !(haveFormat && haveData)) {
        const unsigned char* header = p + pos;
        const std::uint64_t size = Le32(header + 4);
        const std::uint64_t body = pos + 8;
        if (size > end - body) {
            return std::nullopt;  // the chunk runs past the end
        }
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (size < 16) {
                return std::nullopt;
            }
            const unsigned char* f = p + body;
            std::uint32_t tag = Le16(f);
            if (tag == kFormatExtensible) {
                // The real encoding is the first two bytes of the sub-format identifier.
                if (size < 40) {
                    return std::nullopt;
                }
                tag = Le16(f + 24);
            }
            if (tag != kFormatPcm) {
                return std::nullopt;
            }
            info.channels = Le16(f + 2);
            info.sampleRate = Le32(f + 4);
            blockAlign = Le16(f + 12);
            info.bitsPerSample = Le16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            info.dataOffset = static_cast<std::size_t>(body);
            info.dataSize = static_cast<std::size_t>(size);
            haveData = true;
        }
        pos = body + size + (size & 1);  // chunks are padded to an even length
    }
    if (!haveFormat || !haveData) {
        return std::nullopt;
    }
    if ((info.channels != 1 && info.channels != 2) || (info.bitsPerSample != 8 && info.bitsPerSample != 16) ||
        info.sampleRate == 0 || info.sampleRate > 384000) {
        return std::nullopt;
    }
    const std::size_t frameBytes = info.channels * info.bitsPerSample / 8;
    if (blockAlign != frameBytes) {
        return std::nullopt;
    }
    info.dataSize -= info.dataSize % frameBytes;
    if (info.dataSize == 0) {
        return std::nullopt;
    }
    return info;
}

}  // namespace platform
