#pragma once
// The program's embedded sounds (":/WAVE/<name>"), played asynchronously from memory.
#include <optional>
#include <vector>

namespace res {

// Starts playing the embedded sound `name` (e.g. "IDR_WAVE_START") once and returns at once; a sound already
// playing ends. An unknown name plays nothing and reports nothing. Callable from any thread.
void PlayWaveResource(const char* name);

// The bytes of the embedded sound `name` (a complete RIFF WAVE file image), or nothing when there is none.
std::optional<std::vector<unsigned char>> LoadWaveResource(const char* name);

// Where PlayWaveResource hands the bytes; the sound device unless replaced. Tests install a recorder.
using WavePlayer = void (*)(const std::vector<unsigned char>& wave);
// Installs `player` (nullptr restores the sound device) and returns the one installed before.
WavePlayer SetWavePlayer(WavePlayer player);

}  // namespace res
