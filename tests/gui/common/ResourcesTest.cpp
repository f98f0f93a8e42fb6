#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gui/common/Suites.h"
#include "resources/Pictures.h"
#include "resources/WaveResource.h"
#include "ui/common/DialogLook.h"

namespace {

std::uint32_t Le(const std::vector<unsigned char>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

std::string Tag(const std::vector<unsigned char>& b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

int callCount = 0;
std::vector<unsigned char> lastWave;
void Record(const std::vector<unsigned char>& wave) {
    ++callCount;
    lastWave = wave;
}

}  // namespace

void ResourcesTest::WavesHaveTheirFormatsAndLengths() {
    struct Expected {
        const char* name;
        double seconds;
        std::uint32_t rate;
        std::uint32_t channels;
        std::uint32_t bits;
    };
    const Expected expected[] = {
        {"IDR_WAVE_START", 2.27, 44100, 2, 16}, {"IDR_WAVE_YX", 0.43, 44100, 2, 16},
        {"IDR_WAVE_YK", 1.98, 44100, 2, 16},    {"IDR_WAVE_HOVER", 0.06, 22050, 2, 16},
        {"IDR_WAVE_RING", 0.91, 11025, 1, 8},
    };
    for (const Expected& e : expected) {
        const auto wave = res::LoadWaveResource(e.name);
        QVERIFY2(wave.has_value(), e.name);
        const auto& b = *wave;
        QVERIFY(b.size() > 44);
        QCOMPARE(Tag(b, 0), std::string("RIFF"));
        QCOMPARE(Le(b, 4, 4), std::uint32_t(b.size() - 8));
        QCOMPARE(Tag(b, 8), std::string("WAVE"));
        QCOMPARE(Tag(b, 12), std::string("fmt "));
        QCOMPARE(Le(b, 16, 4), 16u);
        QCOMPARE(Le(b, 20, 2), 1u);  // PCM
        QCOMPARE(Le(b, 22, 2), e.channels);
        QCOMPARE(Le(b, 24, 4), e.rate);
        const std::uint32_t blockAlign = e.channels * e.bits / 8;
        QCOMPARE(Le(b, 28, 4), e.rate * blockAlign);
        QCOMPARE(Le(b, 32, 2), blockAlign);
        QCOMPARE(Le(b, 34, 2), e.bits);
        QCOMPARE(Tag(b, 36), std::string("data"));
        const std::uint32_t dataSize = Le(b, 40, 4);
        QCOMPARE(dataSize % blockAlign, 0u);
        QCOMPARE(std::size_t(44 + dataSize + dataSize % 2), b.size());
        const double seconds = double(dataSize / blockAlign) / e.rate;
        QVERIFY2(std::abs(seconds - e.seconds) < 0.005, e.name);
        // Not silence, and it ends silent so nothing clicks when it stops.
        bool sound = false;
        for (std::size_t i = 44; i < 44 + dataSize && !sound; ++i) sound = b[i] != (e.bits == 8 ? 128 : 0);
        QVERIFY2(sound, e.name);
        const std::size_t last = 44 + dataSize - blockAlign;
        if (e.bits == 8)
            QVERIFY(std::abs(int(b[last]) - 128) <= 1);
        else
            QVERIFY(std::abs(int(std::int16_t(Le(b, last, 2)))) <= 1);
    }
}

void ResourcesTest::PlayWaveResourceHandsOverTheBytesOrNothing() {
    const auto before = res::SetWavePlayer(&Record);
    callCount = 0;
    res::PlayWaveResource("IDR_WAVE_NONE");
    res::PlayWaveResource("");
    res::PlayWaveResource(nullptr);
    QCOMPARE(callCount, 0);
    res::PlayWaveResource("IDR_WAVE_YX");
    QCOMPARE(callCount, 1);
    QVERIFY(lastWave == *res::LoadWaveResource("IDR_WAVE_YX"));
    res::SetWavePlayer(before);
}

void ResourcesTest::IconsAndStartPictureAreEmbedded() {
    for (int id : {res::kIconProgram, res::kIconMonitorReceive, res::kIconMonitorSend, res::kIconSettings}) {
        const QIcon icon = ui::ResourceIcon(id);
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    }
    QVERIFY(ui::ResourceIcon(999).isNull());
    // The two monitor icons must differ, or the alternation shows nothing.
    QVERIFY(QImage(QStringLiteral(":/ICON/131")) != QImage(QStringLiteral(":/ICON/132")));

    QFile file(QString::fromLatin1(res::kSplashBitmap));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bmp = file.readAll();
    const std::vector<unsigned char> b(bmp.begin(), bmp.end());
    QCOMPARE(Tag(b, 0).substr(0, 2), std::string("BM"));
    QCOMPARE(Le(b, 2, 4), std::uint32_t(b.size()));
    QCOMPARE(Le(b, 18, 4), 640u);
    QCOMPARE(Le(b, 22, 4), 400u);
    QCOMPARE(Le(b, 28, 2), 24u);
    QCOMPARE(b.size(), std::size_t(54 + 640 * 3 * 400));
    QCOMPARE(QImage(QString::fromLatin1(res::kSplashBitmap)).size(), QSize(640, 400));
}
