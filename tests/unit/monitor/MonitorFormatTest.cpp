#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/Gbk.h"
#include "ui/monitor/MonitorFormat.h"
#include "ui/monitor/TextFile.h"

namespace ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Received(const Bytes& b, bool showReceived = false, bool hint = true) {
    return MonitorFrameText(b.data(), b.size(), true, showReceived, hint);
}

TEST(MonitorFormat, LinesCarryTimeStampAndCrLf) {
    platform::LocalTime t{0, 0, 0, 8, 5, 9};
    EXPECT_EQ(MonitorLine(t, "发 (008)"), "08:05:09 -> 发 (008)\r\n");
    t.hour = 23;
    t.minute = 59;
    t.second = 0;
    EXPECT_EQ(MonitorLine(t, ""), "23:59:00 -> \r\n");
}

TEST(MonitorFormat, SentAndReceivedFramesWithLengthInThreeDigits) {
    const Bytes request{0x01, 0x03, 0x00, 0x00, 0x00, 0x40, 0x44, 0x3A};
    EXPECT_EQ(MonitorFrameText(request.data(), request.size(), false, true, true),
              "发 (008) 01 03 00 00 00 40 44 3A");
    const Bytes five{0xAB, 0x0F, 0xF0, 0x00, 0xFF};
    EXPECT_EQ(Received(five), "-- (005) AB 0F F0 00 FF");
    EXPECT_EQ(Received(five, true), "收 (005) AB 0F F0 00 FF");
    EXPECT_EQ(Received({}), "-- (000)");
}

TEST(MonitorFormat, TelesignalHintsInBitOrderOnlyForWordsBeforeTheCrc) {
    Bytes frame(25, 0);
    frame[19] = 0x00;
    frame[20] = 0x05;  // telesignals 1 and 3
    frame[21] = 0x80;
    frame[22] = 0x00;  // telesignal 32
    const std::string hints =
        "\r\n                遥信 01 为合！"
        "\r\n                遥信 03 为合！"
        "\r\n                遥信 32 为合！";
    const std::string bytes = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 05 80 00 00 00";
    EXPECT_EQ(Received(frame), "-- (025)" + bytes + hints);
    EXPECT_EQ(Received(frame, false, false), "-- (025)" + bytes);
    // A sent frame never gets hints.
    EXPECT_EQ(MonitorFrameText(frame.data(), frame.size(), false, false, true).find("遥信"),
              std::string::npos);

    // 21 bytes: the first word's low byte would be the CRC.
    Bytes shortFrame(21, 0xFF);
    EXPECT_EQ(TelesignalHint(shortFrame.data(), shortFrame.size()), "");
    // 23 bytes hold exactly the first word.
    Bytes first(23, 0xFF);
    const std::string h = TelesignalHint(first.data(), first.size());
    EXPECT_NE(h.find("遥信 16 为合！"), std::string::npos);
    EXPECT_EQ(h.find("遥信 17"), std::string::npos);
    // Line noise of one or two bytes has no word at all (and must not read past the frame).
    const std::uint8_t noise[2] = {0xFF, 0xFF};
    EXPECT_EQ(TelesignalHint(noise, 1), "");
    EXPECT_EQ(TelesignalHint(noise, 2), "");
    EXPECT_EQ(TelesignalHint(noise, 0), "");
    // A full poll answer: all 96 signals, the last from byte 29/30.
    Bytes poll(133, 0xFF);
    const std::string all = TelesignalHint(poll.data(), poll.size());
    EXPECT_NE(all.find("遥信 96 为合！"), std::string::npos);
    EXPECT_EQ(all.find("遥信 97"), std::string::npos);
}

TEST(MonitorFormat, FrameLinesReadBackAndOtherLinesDoNot) {
    platform::LocalTime t{0, 0, 0, 8, 5, 9};
    const Bytes poll{0x01, 0x03, 0x00, 0x00, 0x00, 0x3C, 0x45, 0xDB};
    const auto line = [&](const Bytes& b, bool received, bool showReceived) {
        std::string text = MonitorLine(t, MonitorFrameText(b.data(), b.size(), received, showReceived, true));
        text.resize(text.size() - 2);  // the text box keeps the line end apart
        return text;
    };
    struct Case {
        const char* name;
        std::string line;
        std::optional<MonitorFrame> expected;
    };
    const Case cases[] = {
        {"a sent frame", line(poll, false, false), MonitorFrame{false, poll}},
        {"a received frame marked --", line(poll, true, false), MonitorFrame{true, poll}},
        {"a received frame marked 收", line(poll, true, true), MonitorFrame{true, poll}},
        {"an empty frame", line({}, true, false), MonitorFrame{true, {}}},
        {"a log line", MonitorLine(t, "校时成功!").substr(0, 21), std::nullopt},
        {"a length that disagrees with the bytes", "08:05:09 -> 发 (003) 01 03", std::nullopt},
        {"a byte that is not hexadecimal", "08:05:09 -> 发 (002) 01 G3", std::nullopt},
        {"a byte cut to one digit", "08:05:09 -> 发 (002) 01 0", std::nullopt},
        {"no time stamp", "发 (001) 01", std::nullopt},
        {"a hint line", "                遥信 01 为合！", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frame = ParseMonitorFrameLine(c.line);
        ASSERT_EQ(frame.has_value(), c.expected.has_value());
        if (!frame) continue;
        EXPECT_EQ(frame->received, c.expected->received);
        EXPECT_EQ(frame->bytes, c.expected->bytes);
    }
    EXPECT_TRUE(IsTelesignalHintLine("                遥信 01 为合！"));
    EXPECT_FALSE(IsTelesignalHintLine("08:05:09 -> -- (005) 01 02 03 04 05"));
}

TEST(MonitorFormat, IconAlternatesOverFourPhasesAndSaveNameIsStamped) {
    EXPECT_EQ(MonitorSendIcon(0), 132);
    EXPECT_EQ(MonitorSendIcon(1), 131);
    EXPECT_EQ(MonitorSendIcon(2), 132);
    EXPECT_EQ(MonitorSendIcon(3), 131);
    EXPECT_EQ(NextMonitorIconPhase(3), 0);
    platform::LocalTime t{2026, 12, 7, 8, 5};
    EXPECT_EQ(MonitorSaveName(t), "(26-12-07 08.05).txt");
}

TEST(TextFile, BytesAreGbkWithCrLfAndNoBom) {
    EXPECT_EQ(TextFileBytes("收\n发\r\nA\rB"),
              platform::Utf8ToGbk("收") + "\r\n" + platform::Utf8ToGbk("发") + "\r\nA\r\nB");
    EXPECT_EQ(TextFileBytes("遥信").substr(0, 2), "\xD2\xA3");  // no byte-order mark in front
    EXPECT_FALSE(WriteTextFile("/nonexistent-folder/x.txt", "a"));
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TextFile, ExistingFileIsEmptiedAndALockedOneLeftAlone) {
    char folder[] = "/tmp/varn-textfile-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/(26-01-02 03.04).txt";
    ASSERT_TRUE(WriteTextFile(path, std::string(100, 'x')));
    ASSERT_TRUE(WriteTextFile(path, "收\n1"));
    EXPECT_EQ(FileBytes(path), platform::Utf8ToGbk("收") + "\r\n1");  // nothing of the longer old text

    // Someone else holds the file: the save fails and the file keeps what it had.
    const int holder = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_FALSE(WriteTextFile(path, "other"));
    ::close(holder);
    EXPECT_EQ(FileBytes(path), platform::Utf8ToGbk("收") + "\r\n1");
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace ui
