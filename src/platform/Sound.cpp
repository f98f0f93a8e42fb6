#include "platform/Sound.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
namespace {

// ALSA prints its own diagnostics to stderr (for example when there is no sound card); the player reports
// nothing, so they are silenced.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaOnce() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&IgnoreAlsaError); });
}

// Set when the player has been destroyed at program end; later calls (from other static destructors) do
// nothing.
std::atomic<bool> g_playerGone{false};

struct Job {
    std::shared_ptr<const std::vector<unsigned char>> bytes;
    WaveInfo info;
    std::uint64_t generation = 0;
};

// One worker thread plays one sound at a time. Every Play or Stop bumps the generation; the worker abandons a
// sound as soon as its generation is no longer the current one.
class Player {
  public:
    Player() = default;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    ~Player() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            ++generation_;
            pending_.reset();
        }
        wake_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
        g_playerGone.store(true);
    }

    void Play(Job job) {
        std::lock_guard lock(mutex_);
        if (quit_) {
            return;
        }
        job.generation = ++generation_;
        pending_ = std::move(job);
        if (!thread_.joinable()) {
            thread_ = std::thread(&Player::Run, this);
        }
        wake_.notify_all();
    }

    void Stop() {
        std::unique_lock lock(mutex_);
        if (!thread_.joinable()) {
            return;
        }
        std::uint64_t stopGeneration = ++generation_;
        pending_.reset();
        wake_.notify_all();
        // Done when the worker is idle or already busy with a sound started after this Stop.
        idle_.wait(lock, [&] { return !playing_ || playingGeneration_ > stopGeneration; });
    }

    bool IsPlaying() {
        std::lock_guard lock(mutex_);
        return playing_ || pending_.has_value();
    }

  private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return quit_ || pending_.has_value(); });
            if (quit_) {
                break;
            }
            Job job = std::move(*pending_);
            pending_.reset();
            playing_ = true;
            playingGeneration_ = job.generation;
            lock.unlock();
            PlayJob(job);
            lock.lock();
            playing_ = false;
            idle_.notify_all();
        }
        playing_ = false;
        idle_.notify_all();
    }

    // Waits up to `wait` and tells whether the sound of `generation` has been superseded or stopped.
    bool Cancelled(std::uint64_t generation, std::chrono::milliseconds wait = std::chrono::milliseconds(0)) {
        std::unique_lock lock(mutex_);
        auto cancelled = [&] { return quit_ || generation_ != generation; };
        if (wait.count() <= 0) {
            return cancelled();
        }
        return wake_.wait_for(lock, wait, cancelled);
    }

    void PlayJob(const Job& job) {
        SilenceAlsaOnce();
        const WaveInfo& info = job.info;
        snd_pcm_t* pcm = nullptr;
        // Non-blocking, so that a busy or missing device can never hold the player up.
        if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
            return;
        }
        snd_pcm_format_t format = info.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
        if (snd_pcm_set_params(pcm, format, SND_PCM_ACCESS_RW_INTERLEAVED, info.channels, info.sampleRate, 1,
                               200000) < 0) {
            snd_pcm_close(pcm);
            return;
        }
        const std::size_t frameBytes = info.channels * info.bitsPerSample / 8;
        const unsigned char* data = job.bytes->data() + info.dataOffset;
        const std::size_t totalFrames = info.dataSize / frameBytes;
        // A device that stops consuming must not keep the worker forever.
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(totalFrames * 1000 / info.sampleRate) +
                              std::chrono::seconds(2);
        const auto pause = std::chrono::milliseconds(20);

        bool cancelled = false;
        bool failed = false;
        std::size_t done = 0;
        while (done < totalFrames) {
            if (Cancelled(job.generation)) {
                cancelled = true;
                break;
            }
            snd_pcm_sframes_t n = snd_pcm_writei(pcm, data + done * frameBytes, totalFrames - done);
            if (n == -EAGAIN || n == 0) {
                // The buffer is full: let it play for a moment instead of spinning.
                if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) {
                    snd_pcm_start(pcm);
                }
                if (std::chrono::steady_clock::now() > deadline) {
                    failed = true;
                    break;
                }
                if (Cancelled(job.generation, pause)) {
                    cancelled = true;
                    break;
                }
                continue;
            }
            if (n < 0) {
                if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) {
                    failed = true;
                    break;
                }
                continue;
            }
            done += static_cast<std::size_t>(n);
        }

        if (!cancelled && !failed) {
            // A sound shorter than the start threshold has not started by itself.
            if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) {
                snd_pcm_start(pcm);
            }
            // Wait for the rest of the buffer to play out.
            while (snd_pcm_state(pcm) == SND_PCM_STATE_RUNNING) {
                snd_pcm_sframes_t delay = 0;
                if (snd_pcm_delay(pcm, &delay) < 0 || delay <= 0 ||
                    std::chrono::steady_clock::now() > deadline) {
                    break;
                }
                auto left = std::chrono::milliseconds(delay * 1000 / info.sampleRate + 1);
                if (Cancelled(job.generation, std::min(left, std::chrono::milliseconds(pause)))) {
                    break;
                }
            }
        }
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
    }

    std::mutex mutex_;
    std::condition_variable wake_;  // new work, a stop or the end
    std::condition_variable idle_;  // the worker finished or abandoned a sound
    std::optional<Job> pending_;
    std::uint64_t generation_ = 0;
    std::uint64_t playingGeneration_ = 0;
    bool playing_ = false;
    bool quit_ = false;
    std::thread thread_;
};

Player& ThePlayer() {
    // Destroyed at static destruction, which stops the sound and joins the worker.
    static Player player;
    return player;
}

}  // namespace

void Sound::Play(const std::vector<unsigned char>& wave) {
    std::optional<WaveInfo> info = ParseWave(wave);
    if (!info || g_playerGone.load()) {
        return;
    }
    Job job;
    job.bytes = std::make_shared<const std::vector<unsigned char>>(wave);
    job.info = *info;
    ThePlayer().Play(std::move(job));
}

void Sound::Stop() {
    if (!g_playerGone.load()) {
        ThePlayer().Stop();
    }
}

bool Sound::IsPlaying() {
    return !g_playerGone.load() && ThePlayer().IsPlaying();
}

}  // namespace platform
