// The relay simulator's request cutter on any byte stream: the input is a sequence of pieces, each a time
// step byte, a length byte and that many bytes.
#include <cstddef>
#include <cstdint>

#include "relay_sim/RequestCutter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    relaysim::RequestCutter cutter;
    std::uint64_t now = 0;
    std::size_t fed = 0;
    std::size_t cut = 0;
    std::size_t at = 0;
    auto drain = [&] {
        while (auto request = cutter.TakeRequest()) {
            if (request->empty() || request->size() > relaysim::RequestCutter::kMaxRequest) __builtin_trap();
            cut += request->size();
        }
    };
    while (at + 2 <= size) {
        now += data[at];
        std::size_t length = data[at + 1];
        at += 2;
        if (length > size - at) length = size - at;
        cutter.Feed(data + at, length, now);
        fed += length;
        at += length;
        cutter.Tick(now);
        drain();
    }
    if (auto wait = cutter.MsUntilSilence(now)) now += *wait;
    cutter.Tick(now);
    drain();
    // Every byte fed ends up in exactly one request once the line has gone silent.
    if (cut != fed) __builtin_trap();
    return 0;
}
