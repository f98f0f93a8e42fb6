#pragma once
// The relay's register and coil map as the host uses it, and the fixed values of the frames it exchanges.
#include <cstddef>
#include <cstdint>

namespace modbus {

// Function codes.
inline constexpr std::uint8_t kFnReadHoldingRegisters = 3;
inline constexpr std::uint8_t kFnWriteSingleCoil = 5;
inline constexpr std::uint8_t kFnWriteMultipleRegisters = 16;
inline constexpr std::uint8_t kFnReadEventRecords = 17;  // relay-specific; body laid out like a read request
inline constexpr std::uint8_t kExceptionFlag = 0x80;     // set in the function code of an exception response

// Slave addresses.
inline constexpr std::uint8_t kMinDeviceAddress = 1;
inline constexpr std::uint8_t kMaxDeviceAddress = 247;
inline constexpr std::uint8_t kDefaultDeviceAddress = 1;
inline constexpr std::uint8_t kAddressSearchAddress = 0xFE;  // the address search goes to 254
inline constexpr std::uint16_t kAddressSearchRegister = 0;   // its answer's low byte is the relay's address

// Function-3 responses: address, function, byte count, registers, CRC.
inline constexpr std::size_t kResponseHeaderBytes = 3;
inline constexpr std::size_t kCrcBytes = 2;
inline constexpr std::size_t kMaxCheckedByteCount = 252;  // byte count + 3 must stay within one CRC run
inline constexpr unsigned kMaxRegisterPosition = 126;     // 1-based positions addressable by block entries

// Poll image.
inline constexpr std::uint16_t kPollStart = 0;
inline constexpr std::uint16_t kSoeIndexRegister =
    6;  // high byte: next record written; low byte: next to read

// SOE ring.
inline constexpr std::uint16_t kSoeRingStart = 500;
inline constexpr std::uint16_t kSoeRecordRegisters = 5;
inline constexpr std::size_t kSoeRecordBytes = 10;
inline constexpr unsigned kSoeRingRecords = 20;
inline constexpr std::uint8_t kSoeMaxLoggedCode = 99;  // records with a code of 100 or more are not logged

// Clock.
inline constexpr std::uint16_t kClockRegisters = 6;  // year - 2000, month, day, hour, minute, second
inline constexpr int kClockYearBase = 2000;

// Write acknowledgements are recognised by these fixed start addresses, not by the configured ones.
inline constexpr std::uint16_t kClockEchoStart = 0x0000;
inline constexpr std::uint16_t kClockEchoQuantity = kClockRegisters;
inline constexpr std::uint8_t kParamEchoStartLow = 100;    // 0x64
inline constexpr std::uint8_t kSettingEchoStartLow = 200;  // 0xC8

// Coils (function 5).
inline constexpr std::uint16_t kSignalResetCoil = 11;
inline constexpr std::uint16_t kCoilOn = 0xFF00;
inline constexpr std::uint16_t kCoilOff = 0x0000;

// Block transfer of parameters and settings.
inline constexpr std::size_t kMaxBlockReadEntries = 127;   // the response byte count 2 x Number is one byte
inline constexpr std::size_t kMaxBlockWriteEntries = 123;  // 9 + 2 x Number must fit an 8-bit slot length

// Parameter block entries (0-based).
inline constexpr std::size_t kControlModeEntry = 50;
inline constexpr std::size_t kBaudCodeEntry1 = 4;
inline constexpr std::size_t kBaudCodeEntry2 = 6;
inline constexpr std::uint16_t kControlModeUnknown = 0xFFFF;
inline constexpr std::uint16_t kLegacyVersionMax = 110;  // relays up to this version only know control mode 0

// Hardware information record: parameter block registers 21 .. 27, response bytes 45 .. 58.
inline constexpr std::uint16_t kHardwareInfoFirstRegister = 21;
inline constexpr std::uint16_t kHardwareInfoLastRegister = 27;
inline constexpr std::size_t kHardwareInfoBytes = 14;
inline constexpr std::size_t kHardwareInfoResponseOffset =
    kResponseHeaderBytes + 2 * kHardwareInfoFirstRegister;

// Event records (function 17).
inline constexpr std::uint16_t kEventBatchRecords = 25;  // quantity 0x0019
inline constexpr unsigned kEventRecordsTotal = 500;

// Baud-rate codes of parameter entries 4 and 6 on the relay.
inline constexpr std::uint16_t kBaudCode4800 = 1;
inline constexpr std::uint16_t kBaudCode9600 = 2;
inline constexpr std::uint16_t kBaudCode2400 = 4;
inline constexpr std::uint16_t kBaudCode19200 = 8;

// Relay code to baud number; unknown codes (0xFFFF included) give 9600.
std::uint16_t BaudFromCode(std::uint16_t code);
// Baud number to relay code; unknown numbers give the code of 9600.
std::uint16_t CodeFromBaud(std::uint16_t baud);

}  // namespace modbus
