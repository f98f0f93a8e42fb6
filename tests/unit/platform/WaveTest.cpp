#include <gtest/gtest.h>

#include "platform/Sound.h"
#include "support/WaveBuilder.h"

namespace platform {
namespace {

using test::WaveBuilder;
using Bytes = WaveBuilder::Bytes;

TEST(Wave, AcceptsPcmWithOtherChunksAroundIt) {
    Bytes samples(10, 0x80);
    // An odd-sized chunk before the format (with its pad byte) and one after the data.
    Bytes wave = WaveBuilder()
                     .Chunk("LIST", Bytes(5, 'x'))
                     .Chunk("fmt ", WaveBuilder::Format(1, 11025, 8))
                     .Chunk("data", samples)
                     .Chunk("junk", Bytes(3, 0))
                     .Build();
    auto info = ParseWave(wave);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->channels, 1u);
    EXPECT_EQ(info->bitsPerSample, 8u);
    EXPECT_EQ(info->sampleRate, 11025u);
    EXPECT_EQ(info->dataOffset, 12u + 14u + 24u + 8u);
    EXPECT_EQ(info->dataSize, 10u);

    // 16-bit stereo: a data size that is not whole frames is cut to whole frames.
    wave = WaveBuilder().Chunk("fmt ", WaveBuilder::Format(2, 44100, 16)).Chunk("data", Bytes(11, 0)).Build();
    info = ParseWave(wave);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->dataSize, 8u);

    // A RIFF size larger than the image is limited to the bytes present.
    wave = WaveBuilder()
               .Chunk("fmt ", WaveBuilder::Format(2, 22050, 16))
               .Chunk("data", Bytes(8, 0))
               .Build(0x7FFFFFF0);
    ASSERT_TRUE(ParseWave(wave).has_value());
}

TEST(Wave, RejectsDamagedImages) {
    const Bytes fmt = WaveBuilder::Format(2, 44100, 16);
    const Bytes good = WaveBuilder::Simple(2, 44100, 16, 4);
    ASSERT_TRUE(ParseWave(good).has_value());

    EXPECT_FALSE(ParseWave({}).has_value());
    EXPECT_FALSE(ParseWave(Bytes(good.begin(), good.begin() + 11)).has_value());
    for (std::size_t cut = 12; cut < good.size(); ++cut) {
        EXPECT_FALSE(ParseWave(Bytes(good.begin(), good.begin() + static_cast<long>(cut))).has_value())
            << cut;
    }
    Bytes notRiff = good;
    notRiff[0] = 'X';
    EXPECT_FALSE(ParseWave(notRiff).has_value());
    Bytes notWave = good;
    notWave[8] = 'X';
    EXPECT_FALSE(ParseWave(notWave).has_value());

    // Sizes that run past the end, up to the largest a size field can hold.
    EXPECT_FALSE(
        ParseWave(WaveBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(8, 0), 9).Build()).has_value());
    EXPECT_FALSE(ParseWave(WaveBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(8, 0), 0xFFFFFFFF).Build())
                     .has_value());
    EXPECT_FALSE(ParseWave(WaveBuilder().Chunk("LIST", Bytes(4, 0), 0xFFFFFFF8).Chunk("fmt ", fmt).Build())
                     .has_value());
    // A RIFF size that ends the image before the data.
    EXPECT_FALSE(
        ParseWave(WaveBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(8, 0)).Build(30)).has_value());

    // Missing or short chunks.
    EXPECT_FALSE(ParseWave(WaveBuilder().Chunk("data", Bytes(8, 0)).Build()).has_value());
    EXPECT_FALSE(ParseWave(WaveBuilder().Chunk("fmt ", fmt).Build()).has_value());
    EXPECT_FALSE(ParseWave(WaveBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(2, 0)).Build()).has_value());
    EXPECT_FALSE(ParseWave(WaveBuilder()
                               .Chunk("fmt ", Bytes(fmt.begin(), fmt.begin() + 14))
                               .Chunk("data", Bytes(8, 0))
                               .Build())
                     .has_value());
}

TEST(Wave, RejectsFormatsThatCannotBePlayed) {
    auto parse = [](const Bytes& fmt) {
        return ParseWave(WaveBuilder().Chunk("fmt ", fmt).Chunk("data", Bytes(24, 0)).Build()).has_value();
    };
    EXPECT_FALSE(parse(WaveBuilder::Format(2, 44100, 16, 3)));  // float
    EXPECT_FALSE(parse(WaveBuilder::Format(1, 8000, 8, 6)));    // A-law
    EXPECT_FALSE(parse(WaveBuilder::Format(2, 44100, 24)));
    EXPECT_FALSE(parse(WaveBuilder::Format(3, 44100, 16)));
    EXPECT_FALSE(parse(WaveBuilder::Format(0, 44100, 16)));
    EXPECT_FALSE(parse(WaveBuilder::Format(2, 0, 16)));
    Bytes badAlign = WaveBuilder::Format(2, 44100, 16);
    badAlign[12] = 1;  // block align 1 for 4-byte frames
    EXPECT_FALSE(parse(badAlign));

    // The extensible header with a PCM sub-format is plain PCM.
    Bytes extensible = WaveBuilder::Format(2, 44100, 16, 0xFFFE);
    WaveBuilder::Put16(extensible, 22);
    WaveBuilder::Put16(extensible, 16);
    WaveBuilder::Put32(extensible, 3);
    WaveBuilder::Put16(extensible, 1);  // KSDATAFORMAT_SUBTYPE_PCM starts 01 00
    extensible.resize(40, 0);
    EXPECT_TRUE(parse(extensible));
    extensible[24] = 3;
    EXPECT_FALSE(parse(extensible));
}

}  // namespace
}  // namespace platform
