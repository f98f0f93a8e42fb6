// A sound still playing when the program ends is stopped before the bytes the system plays from are freed.
// The system's PlaySoundW is replaced by a recorder (this executable's import entry), so the order is seen
// without a sound device: the exit code is 0 only when the sound was stopped while its bytes were intact.
#include <windows.h>
// mmsystem.h needs windows.h first.
#include <mmsystem.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Sound.h"
#include "support/WaveBuilder.h"

namespace {

const unsigned char* g_playing = nullptr;  // the image the system would be reading
std::size_t g_size = 0;                    // its length
std::vector<unsigned char> g_copy;         // what it held when it started
bool g_stoppedIntact = false;

BOOL WINAPI RecordPlaySound(LPCWSTR sound, HMODULE, DWORD flags) {
    if (sound == nullptr) {
        if (g_playing != nullptr) {
            g_stoppedIntact = std::memcmp(g_playing, g_copy.data(), g_copy.size()) == 0;
        }
        g_playing = nullptr;
        return TRUE;
    }
    if ((flags & SND_MEMORY) != 0) {
        g_playing = reinterpret_cast<const unsigned char*>(sound);
        g_copy.assign(g_playing, g_playing + g_size);
    }
    return TRUE;
}

// Runs after the sound's own state is destroyed: registered before it is made.
void CheckAtExit() {
    if (g_playing != nullptr || !g_stoppedIntact) {
        std::fputs("the sound was not stopped before its bytes were freed\n", stderr);
        std::_Exit(1);
    }
    std::fputs("stopped before its bytes were freed\n", stdout);
}

}  // namespace

extern "C" {
// The import entry PlaySoundW is called through.
decltype(&RecordPlaySound) __imp_PlaySoundW = &RecordPlaySound;
}

int main() {
    std::atexit(&CheckAtExit);
    // Two seconds of sound, as the remote-control sound lasts; the program ends at once.
    const auto wave = platform::test::WaveBuilder::Simple(1, 8000, 16, 16000);
    g_size = wave.size();
    platform::Sound::Play(wave);
    return 0;
}
