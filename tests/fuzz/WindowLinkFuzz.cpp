// Messages another process sends over the window link: decoding, and a decoded message encodes back to the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/WindowLinkMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto message = platform::link::Decode(std::span<const std::uint8_t>(data, size));
    if (!message) return 0;
    const auto again = platform::link::Encode(message->kind, message->target, message->title, message->sender,
                                              message->dwData, message->bytes);
    // The three padding bytes after the kind are not carried.
    if (again.size() != size) __builtin_trap();
    for (std::size_t i = 0; i < size; ++i) {
        if ((i < 5 || i > 7) && again[i] != data[i]) __builtin_trap();
    }
    return 0;
}
