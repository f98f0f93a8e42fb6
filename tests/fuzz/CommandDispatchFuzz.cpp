// Relay answers as the management thread handles them: the command-response dispatch, the address-search
// answer, the poll checks and, for an answer that passes them, DecodePollResponse with the event-ring check.
#include <cstddef>
#include <cstdint>

#include "FuzzEngine.h"
#include "engine/PollDecoder.h"
#include "engine/ResponseDispatch.h"
#include "modbus/ResponseChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Engine e;
    // The answer's first bytes stand for the request sent, so echoes of it are reached too.
    engine::DispatchCommandResponse(e.ctx, {data, size < 8 ? size : 8}, data, size);
    engine::HandleAddressSearchResponse(e.ctx, data, size);
    // The answer's own address is taken, so the address check does not hide the rest.
    const std::uint8_t address = size > 0 ? data[0] : 1;
    if (modbus::CheckPollResponse(data, size, address) == modbus::PollFault::None) {
        engine::DecodeContext decode(e.state.deviceVersion);
        decode.view = &e.view;
        decode.tables = {e.yc.get(), e.yx.get(), &e.tablesMutex};
        decode.log = [](const std::string&) {};
        decode.playSound = [](const std::string&) {};
        decode.soeCheck = [&](const std::uint8_t* frame, std::size_t length) {
            engine::SoeCheck(e.ctx, frame, length);
        };
        engine::DecodePollResponse(data, size, decode);
    }
    e.state.commandSlot.Clear();
    e.state.soeSlot.Clear();
    e.state.addressSearchSlot.Clear();
    return 0;
}
