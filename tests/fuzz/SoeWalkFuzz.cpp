// The event (SOE) records of a read answer: the walk over the records and the log lines made from them.
#include <cstddef>
#include <cstdint>

#include "FuzzEngine.h"
#include "engine/ResponseDispatch.h"
#include "modbus/SoeRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Engine e;
    for (const modbus::SoeRecord& record : modbus::ParseSoeResponse(data, size)) (void)record;
    engine::HandleSoeResponse(e.ctx, data, size);
    return 0;
}
