#pragma once
// Turns the relay's replies into timed pieces for the line: the injected faults (dropped replies, corrupted
// CRCs, a wrong sender address, a pause inside a reply, a delay, a random mix of faults on a share of the
// replies) and the pace of a real line.
#include <cstdint>
#include <random>
#include <vector>

#include "relay_sim/RequestCutter.h"

namespace relaysim {

struct FaultOptions {
    unsigned dropEvery = 0;     // every n-th reply is not sent
    unsigned corruptEvery = 0;  // every n-th reply carries a wrong CRC
    bool wrongAddress = false;  // replies name another slave address
    unsigned delayMs = 0;       // answer this long after the request ended
    unsigned splitPauseMs = 0;  // pause between the two halves of each reply
    unsigned paceBaud = 0;      // send at the wire time of this baud rate (8N1: 10 bits a byte)
    // This percentage of the replies, picked at random, gets one fault picked at random: dropped, a wrong
    // CRC, another sender address, split by a pause of 20 to 500 ms, or replaced by 1 to 40 random bytes.
    unsigned faultPercent = 0;
    std::uint32_t seed = 1;  // of the random choices, so that a run can be repeated
};

// What the random mix did, kind by kind.
struct MixedFaultCounts {
    std::uint64_t dropped = 0;
    std::uint64_t corrupted = 0;
    std::uint64_t wrongAddress = 0;
    std::uint64_t split = 0;
    std::uint64_t garbage = 0;
};

struct Chunk {
    std::uint64_t dueUs = 0;  // monotonic microseconds
    Frame bytes;
};

class ReplyShaper {
  public:
    explicit ReplyShaper(FaultOptions options) : options_(options), random_(options.seed) {}

    // Pieces of one reply to a request that ended at `requestEndUs`; empty when the reply is dropped.
    std::vector<Chunk> Shape(Frame reply, std::uint64_t requestEndUs);

    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t corrupted() const { return corrupted_; }
    const MixedFaultCounts& mixed() const { return mixed_; }

  private:
    enum class Fault { None, Drop, Crc, WrongAddress, Split, Garbage };
    Fault PickFault();
    unsigned Random(unsigned below) { return static_cast<unsigned>(random_() % below); }

    FaultOptions options_;
    std::mt19937 random_;
    MixedFaultCounts mixed_;
    std::uint64_t replies_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t corrupted_ = 0;
};

}  // namespace relaysim
