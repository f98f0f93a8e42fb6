// The Win32 serial port's line settings against a relay simulator on a pseudo-terminal left as the system
// makes one (XON/XOFF flow control on), which the test script maps to a COM port of the Wine prefix
// (VARN_WINE_XOFF_COM_PORT). The simulator answers as slave 19, so every reply begins with 0x13 (XOFF).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "platform/SerialPort.h"

namespace {

// Reads one answer: bytes until a silence of 300 ms or two seconds in all.
std::vector<std::uint8_t> ReadAnswer(platform::SerialPort& port) {
    std::vector<std::uint8_t> answer;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        if (port.WaitReadable(answer.empty() ? 2000 : 300) != platform::SerialPort::Wait::Readable) break;
        std::uint8_t buffer[256];
        const long n = port.ReadAvailable(buffer, sizeof buffer);
        if (n < 0) break;
        answer.insert(answer.end(), buffer, buffer + n);
    }
    return answer;
}

TEST(Win32SerialLine, XoffInAnAnswerNeitherVanishesNorStopsTheNextRequest) {
    const char* value = std::getenv("VARN_WINE_XOFF_COM_PORT");
    if (value == nullptr || std::atoi(value) <= 0) GTEST_SKIP() << "VARN_WINE_XOFF_COM_PORT not set";
    platform::SerialPort port;
    ASSERT_TRUE(port.Open(platform::ComPortName(std::atoi(value)), ""));
    ASSERT_TRUE(port.Configure(9600, 8, platform::kOneStopBit, platform::kNoParity));
    const modbus::Frame poll = modbus::BuildPollRequest(19, 40);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(port.Write(poll.data(), poll.size(), 2000)) << "request " << i;
        const std::vector<std::uint8_t> answer = ReadAnswer(port);
        ASSERT_EQ(answer.size(), 85u) << "answer " << i;
        EXPECT_EQ(answer[0], 0x13);
        EXPECT_TRUE(modbus::CheckCrc16(answer.data(), answer.size()));
    }
}

}  // namespace
