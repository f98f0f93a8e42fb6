#pragma once
// Turns the relay's replies into timed pieces for the line: the injected faults (dropped replies, corrupted
// CRCs, a wrong sender address, a pause inside a reply, a delay) and the pace of a real line.
#include <cstdint>
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
};

struct Chunk {
    std::uint64_t dueUs = 0;  // monotonic microseconds
    Frame bytes;
};

class ReplyShaper {
  public:
    explicit ReplyShaper(FaultOptions options) : options_(options) {}

    // Pieces of one reply to a request that ended at `requestEndUs`; empty when the reply is dropped.
    std::vector<Chunk> Shape(Frame reply, std::uint64_t requestEndUs);

    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t corrupted() const { return corrupted_; }

  private:
    FaultOptions options_;
    std::uint64_t replies_ = 0;
    std::uint64_t dropped_ = 0;
    std::uint64_t corrupted_ = 0;
};

}  // namespace relaysim
