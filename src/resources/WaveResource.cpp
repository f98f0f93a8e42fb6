#include "resources/WaveResource.h"

#include <QFile>
#include <QString>
#include <atomic>

#include "platform/Sound.h"

namespace res {
namespace {

std::atomic<WavePlayer> installedPlayer{nullptr};

}  // namespace

std::optional<std::vector<unsigned char>> LoadWaveResource(const char* name) {
    if (name == nullptr || *name == '\0') return std::nullopt;
    QFile file(QStringLiteral(":/WAVE/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

void PlayWaveResource(const char* name) {
    const auto wave = LoadWaveResource(name);
    if (!wave) return;
    if (WavePlayer player = installedPlayer.load(std::memory_order_acquire)) {
        player(*wave);
        return;
    }
    platform::Sound::Play(*wave);
}

WavePlayer SetWavePlayer(WavePlayer player) {
    return installedPlayer.exchange(player, std::memory_order_acq_rel);
}

}  // namespace res
