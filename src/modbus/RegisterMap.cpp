#include "modbus/RegisterMap.h"

namespace modbus {

std::uint16_t BaudFromCode(std::uint16_t code) {
    switch (code) {
        case kBaudCode4800:
            return 4800;
        case kBaudCode9600:
            return 9600;
        case kBaudCode2400:
            return 2400;
        case kBaudCode19200:
            return 19200;
        default:
            return 9600;
    }
}

std::uint16_t CodeFromBaud(std::uint16_t baud) {
    switch (baud) {
        case 2400:
            return kBaudCode2400;
        case 4800:
            return kBaudCode4800;
        case 9600:
            return kBaudCode9600;
        case 19200:
            return kBaudCode19200;
        default:
            return kBaudCode9600;
    }
}

}  // namespace modbus
