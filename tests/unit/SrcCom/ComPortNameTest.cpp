#include <gtest/gtest.h>
#include <stdlib.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "platform/SerialPort.h"

namespace platform {
namespace {

TEST(ComPortName, PlainUpToNineDeviceNamespaceFromTen) {
    EXPECT_EQ(ComPortName(1), "COM1");
    EXPECT_EQ(ComPortName(9), "COM9");
    EXPECT_EQ(ComPortName(10), "\\\\.\\COM10");
    EXPECT_EQ(ComPortName(200), "\\\\.\\COM200");
    EXPECT_EQ(ComPortName(0), "");

    EXPECT_EQ(ComPortNumber("COM9"), 9);
    EXPECT_EQ(ComPortNumber("\\\\.\\COM10"), 10);
    EXPECT_EQ(ComPortNumber("com3"), 3);
    EXPECT_EQ(ComPortNumber("COM"), std::nullopt);
    EXPECT_EQ(ComPortNumber("COM0"), std::nullopt);
    EXPECT_EQ(ComPortNumber("COM1x"), std::nullopt);
    EXPECT_EQ(ComPortNumber("/dev/ttyS0"), std::nullopt);
}

#ifndef _WIN32
// On Windows the system resolves COM names itself (the Win32 tests cover it).
TEST(ComPortName, ResolvesThroughDosdevicesLinkElseTtyS) {
    char tmpl[] = "/tmp/varn-comname-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    std::string folder = tmpl;
    std::filesystem::create_directory(folder + "/dosdevices");
    // A dangling link still counts: the open must fail rather than reach /dev/ttyS9.
    ASSERT_EQ(symlink("/nonexistent/device", (folder + "/dosdevices/com10").c_str()), 0);
    ASSERT_EQ(symlink("/dev/null", (folder + "/dosdevices/com9").c_str()), 0);

    EXPECT_EQ(ResolveComPort("COM9", folder), folder + "/dosdevices/com9");
    EXPECT_EQ(ResolveComPort("\\\\.\\COM10", folder), folder + "/dosdevices/com10");
    EXPECT_EQ(ResolveComPort("COM2", folder), "/dev/ttyS1");
    EXPECT_EQ(ResolveComPort("COM2", ""), "/dev/ttyS1");
    EXPECT_EQ(ResolveComPort("LPT1", folder), std::nullopt);

    // Neither a missing device nor a non-terminal opens.
    SerialPort port;
    EXPECT_FALSE(port.Open("\\\\.\\COM10", folder));
    EXPECT_FALSE(port.Open("COM9", folder));
    EXPECT_FALSE(port.IsOpen());
    std::filesystem::remove_all(folder);
}
#endif

}  // namespace
}  // namespace platform
