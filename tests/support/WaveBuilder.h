#pragma once
// Builds RIFF WAVE images chunk by chunk, so that tests can make well-formed and damaged ones.
#include <cstdint>
#include <string>
#include <vector>

namespace platform::test {

class WaveBuilder {
  public:
    using Bytes = std::vector<unsigned char>;

    static void Put16(Bytes& b, std::uint32_t v) {
        b.push_back(static_cast<unsigned char>(v));
        b.push_back(static_cast<unsigned char>(v >> 8));
    }
    static void Put32(Bytes& b, std::uint32_t v) {
        Put16(b, v & 0xFFFF);
        Put16(b, v >> 16);
    }

    // A "fmt " chunk body for PCM.
    static Bytes Format(unsigned channels, unsigned rate, unsigned bits, unsigned tag = 1) {
        Bytes f;
        Put16(f, tag);
        Put16(f, channels);
        Put32(f, rate);
        Put32(f, rate * channels * bits / 8);
        Put16(f, channels * bits / 8);
        Put16(f, bits);
        return f;
    }

    // Appends a chunk; `declaredSize` overrides the size field (for damaged images).
    WaveBuilder& Chunk(const std::string& id, const Bytes& body, std::int64_t declaredSize = -1) {
        body_.insert(body_.end(), id.begin(), id.end());
        Put32(body_, declaredSize < 0 ? static_cast<std::uint32_t>(body.size())
                                      : static_cast<std::uint32_t>(declaredSize));
        body_.insert(body_.end(), body.begin(), body.end());
        if (body.size() % 2 != 0) {
            body_.push_back(0);
        }
        return *this;
    }

    // The complete image; `riffSize` overrides the RIFF size field.
    Bytes Build(std::int64_t riffSize = -1) const {
        Bytes out = {'R', 'I', 'F', 'F'};
        Put32(out, riffSize < 0 ? static_cast<std::uint32_t>(body_.size() + 4)
                                : static_cast<std::uint32_t>(riffSize));
        out.insert(out.end(), {'W', 'A', 'V', 'E'});
        out.insert(out.end(), body_.begin(), body_.end());
        return out;
    }

    // A playable image of `frames` frames of silence-like ramp samples.
    static Bytes Simple(unsigned channels, unsigned rate, unsigned bits, std::size_t frames) {
        Bytes data(frames * channels * bits / 8);
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<unsigned char>(bits == 8 ? 128 : 0);
        }
        return WaveBuilder().Chunk("fmt ", Format(channels, rate, bits)).Chunk("data", data).Build();
    }

  private:
    Bytes body_;
};

}  // namespace platform::test
