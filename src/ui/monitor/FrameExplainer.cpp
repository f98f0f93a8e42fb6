#include "ui/monitor/FrameExplainer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>

#include "engine/ValueFormat.h"
#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"
#include "modbus/RemoteControl.h"
#include "modbus/ResponseChecks.h"
#include "modbus/SoeRecord.h"
#include "platform/Gbk.h"

namespace ui {
namespace {

using Bytes = std::span<const std::uint8_t>;

// Tables to read against, empty ones standing in for those not given.
struct Tables {
    const config::YcTable& yc;
    const config::YxTable& yx;
    const config::ParamTable& param;
    const config::SettingTable& setting;
    std::uint16_t controlMode;
};

Tables Resolve(const ExplainTables& t) {
    static const config::YcTable noYc;
    static const config::YxTable noYx;
    static const config::ParamTable noParam;
    static const config::SettingTable noSetting;
    return Tables{t.yc ? *t.yc : noYc, t.yx ? *t.yx : noYx, t.param ? *t.param : noParam,
                  t.setting ? *t.setting : noSetting, t.controlMode};
}

int InUse(std::uint16_t number) {
    return std::min<int>(number, config::kPointCount);
}

std::string Utf8(const config::Text& text) {
    return platform::GbkToUtf8(config::TextView(text));
}

std::string Num(long value) {
    return std::to_string(value);
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

std::uint16_t Word(Bytes f, std::size_t at) {
    return static_cast<std::uint16_t>(f[at] << 8 | f[at + 1]);
}

const char* FunctionName(std::uint8_t function) {
    switch (function) {
        case modbus::kFnReadHoldingRegisters:
            return "读保持寄存器";
        case modbus::kFnWriteSingleCoil:
            return "写单个线圈";
        case modbus::kFnWriteMultipleRegisters:
            return "写多个寄存器";
        case modbus::kFnReadEventRecords:
            return "读事件记录";
        default:
            return "";
    }
}

const char* ExceptionName(std::uint8_t code) {
    switch (code) {
        case 1:
            return "非法功能";
        case 2:
            return "非法数据地址";
        case 3:
            return "非法数据值";
        case 4:
            return "从站设备故障";
        default:
            return "";
    }
}

const char* ButtonName(modbus::RemoteControl op) {
    switch (op) {
        case modbus::RemoteControl::CloseHigh:
            return "合高压侧";
        case modbus::RemoteControl::OpenHigh:
            return "分高压侧";
        case modbus::RemoteControl::CloseLow1:
            return "合1#低压侧";
        case modbus::RemoteControl::OpenLow1:
            return "分1#低压侧";
        case modbus::RemoteControl::CloseLow2:
            return "合2#低压侧";
        case modbus::RemoteControl::OpenLow2:
            return "分2#低压侧";
    }
    return "";
}

// CRC of the first `covered` bytes against the two that follow them.
std::string CrcText(Bytes f, std::size_t covered) {
    if (covered > modbus::kMaxCrcBytes) return "CRC 无法校验：超过 255 字节";
    const std::uint16_t crc = modbus::Crc16(f.data(), covered);
    const std::uint8_t low = crc & 0xFF;
    const std::uint8_t high = crc >> 8;
    if (f[covered] == low && f[covered + 1] == high) return "CRC 正确";
    if (f[covered] == high && f[covered + 1] == low) return "CRC 正确（高字节在前）";
    char expected[16];
    std::snprintf(expected, sizeof expected, "%02X %02X", unsigned{low}, unsigned{high});
    return std::string("CRC 错误，应为 ") + expected;
}

// The CRC of a frame that ends with it.
std::string WholeFrameCrc(Bytes f) {
    return f.size() < 4 ? "CRC 缺失" : CrcText(f, f.size() - 2);
}

// The name of parameter or setting register `reg`, when it lies in one of the blocks.
std::string BlockRegisterName(const Tables& t, unsigned reg) {
    if (reg >= t.param.Start && reg < t.param.Start + static_cast<unsigned>(InUse(t.param.Number))) {
        const unsigned j = reg - t.param.Start;
        std::string text = "参数 " + Num(j + 1) + " " + Utf8(t.param.Name[j]);
        for (int i = 0; i < InUse(t.yc.Number); ++i) {
            if (t.yc.bCheckMemery[i] == reg) text += "（" + Utf8(t.yc.Name[i]) + " 校正）";
        }
        return text;
    }
    if (reg >= t.setting.Start && reg < t.setting.Start + static_cast<unsigned>(InUse(t.setting.Number))) {
        const unsigned j = reg - t.setting.Start;
        return "定值 " + Num(j + 1) + " " + Utf8(t.setting.Name[j]);
    }
    return {};
}

// --- requests ---

enum class Read { Poll, AddressSearch, Parameters, Settings, Soe, Other };

Read ClassifyRead(const Tables& t, std::uint8_t address, unsigned start, unsigned count) {
    if (address == modbus::kAddressSearchAddress && start == 0 && count == 1) return Read::AddressSearch;
    if (start == modbus::kPollStart && count != 0 && count == t.yc.AskNumber) return Read::Poll;
    if (count != 0 && start == t.param.Start && count == t.param.Number) return Read::Parameters;
    if (count != 0 && start == t.setting.Start && count == t.setting.Number) return Read::Settings;
    const unsigned ringEnd = modbus::kSoeRingStart + modbus::kSoeRingRecords * modbus::kSoeRecordRegisters;
    if (start >= modbus::kSoeRingStart && start < ringEnd && (start - modbus::kSoeRingStart) % 5 == 0 &&
        count != 0 && count % modbus::kSoeRecordRegisters == 0) {
        return Read::Soe;
    }
    return Read::Other;
}

void ExplainReadRequest(const Tables& t, Bytes f, std::vector<std::string>& out) {
    const unsigned start = Word(f, 2);
    const unsigned count = Word(f, 4);
    out.push_back("起始寄存器 " + Num(start) + "，数量 " + Num(count));
    out.push_back(WholeFrameCrc(f));
    switch (ClassifyRead(t, f[0], start, count)) {
        case Read::AddressSearch:
            out.push_back("自动寻址：读寄存器 0，其低字节为装置地址");
            break;
        case Read::Poll:
            out.push_back("轮询：读寄存器 0～" + Num(count - 1) + "（遥测、遥信、时钟、版本）");
            break;
        case Read::Parameters:
            out.push_back("上装参数：读 " + Num(count) + " 个参数");
            break;
        case Read::Settings:
            out.push_back("上装定值：读 " + Num(count) + " 个定值");
            break;
        case Read::Soe:
            out.push_back("读 SOE 记录：从第 " + Num((start - modbus::kSoeRingStart) / 5) + " 条起 " +
                          Num(count / 5) + " 条");
            break;
        case Read::Other:
            break;
    }
}

void ExplainEventBatchRequest(Bytes f, std::vector<std::string>& out) {
    const unsigned first = Word(f, 2);
    const unsigned count = Word(f, 4);
    out.push_back("起始记录 " + Num(first) + "，数量 " + Num(count));
    out.push_back(WholeFrameCrc(f));
    if (count == 0) return;
    out.push_back("上装事件记录：第 " + Num(first / modbus::kEventBatchRecords + 1) + " 批，记录 " +
                  Num(first + 1) + "～" + Num(first + count));
}

void ExplainWriteRequest(const Tables& t, Bytes f, std::vector<std::string>& out) {
    const unsigned start = Word(f, 2);
    const unsigned count = Word(f, 4);
    if (f.size() < 7) {
        out.push_back("起始寄存器 " + Num(start) + "，数量 " + Num(count));
        out.push_back("报文不完整");
        return;
    }
    out.push_back("起始寄存器 " + Num(start) + "，数量 " + Num(count) + "，字节数 " + Num(f[6]));
    out.push_back(WholeFrameCrc(f));
    // Values that lie whole before the CRC.
    const std::size_t values = std::min<std::size_t>(count, f.size() >= 9 ? (f.size() - 9) / 2 : 0);
    if (values < count) out.push_back("报文不完整：只有 " + Num(static_cast<long>(values)) + " 个值");
    const auto value = [&](std::size_t k) { return Word(f, 7 + 2 * k); };
    if (start == t.yc.TimePost && count == modbus::kClockRegisters && values == count) {
        std::array<std::uint16_t, 6> words{};
        for (std::size_t k = 0; k < words.size(); ++k) words[k] = value(k);
        out.push_back("校时：写入 " + engine::FormatDeviceClock(words));
        return;
    }
    if (count != 0 && start == t.param.Start && count == t.param.Number) {
        out.push_back("下载参数：写 " + Num(count) + " 个参数");
        return;
    }
    if (count != 0 && start == t.setting.Start && count == t.setting.Number) {
        out.push_back("下载定值：写 " + Num(count) + " 个定值");
        return;
    }
    constexpr std::size_t kListed = 8;
    for (std::size_t k = 0; k < std::min(values, kListed); ++k) {
        const unsigned reg = start + static_cast<unsigned>(k);
        std::string name = BlockRegisterName(t, reg);
        out.push_back("寄存器 " + Num(reg) + (name.empty() ? "" : " " + name) + " = " + Num(value(k)));
    }
    if (values > kListed) out.push_back("……");
}

// The operations a coil write means in the two known modes, or in `mode` when it is one of them.
std::string CoilMeaning(const Tables& t, std::uint16_t coil, std::uint16_t value) {
    if (coil == modbus::kSignalResetCoil && value >> 8 == 0xFF) return "信号复归";
    if (value != modbus::kCoilOn && value != modbus::kCoilOff) return {};
    const modbus::CoilCommand command{coil, value == modbus::kCoilOn};
    if (t.controlMode == 0 || t.controlMode == 1) {
        const auto op = modbus::MatchRemoteControl(command, t.controlMode);
        return op ? std::string("遥控：") + ButtonName(*op) : std::string();
    }
    const auto mode0 = modbus::MatchRemoteControl(command, 0);
    const auto mode1 = modbus::MatchRemoteControl(command, 1);
    if (mode0 && mode1 && *mode0 == *mode1) return std::string("遥控：") + ButtonName(*mode0);
    std::string text;
    if (mode0) text = std::string(ButtonName(*mode0)) + "（控制方式 0）";
    if (mode1) text += (text.empty() ? "" : " 或 ") + std::string(ButtonName(*mode1)) + "（控制方式 1）";
    return text.empty() ? text : "遥控：" + text;
}

void ExplainCoil(const Tables& t, Bytes f, FrameDirection direction, std::vector<std::string>& out) {
    const std::uint16_t coil = Word(f, 2);
    const std::uint16_t value = Word(f, 4);
    out.push_back("线圈 " + Num(coil) + "，值 " + Hex4(value));
    out.push_back(WholeFrameCrc(f));
    const std::string meaning = CoilMeaning(t, coil, value);
    if (meaning.empty()) return;
    out.push_back(direction == FrameDirection::Sent ? meaning : "确认：" + meaning);
}

// --- answers ---

struct Answer {
    Bytes f;
    std::size_t registers = 0;  // whole registers inside the byte count and before the CRC
    std::optional<std::uint16_t> Reg(std::size_t index) const {
        return modbus::RegisterAt(f.data(), f.size(), index);
    }
};

void ExplainPollAnswer(const Tables& t, const Answer& a, std::vector<std::string>& out) {
    if (a.registers == 0) {
        out.push_back("轮询应答：没有寄存器");
        return;
    }
    out.push_back("轮询应答：寄存器 0～" + Num(static_cast<long>(a.registers) - 1));
    std::multimap<std::size_t, std::string> lines;  // by register
    const std::size_t timePost = t.yc.TimePost;
    std::array<std::uint16_t, 6> clock{};
    bool clockWhole = true;
    for (std::size_t k = 0; k < clock.size(); ++k) {
        const auto word = a.Reg(timePost + k);
        clockWhole = clockWhole && word.has_value();
        if (word) clock[k] = *word;
    }
    if (clockWhole) {
        lines.emplace(timePost, "寄存器 " + Num(static_cast<long>(timePost)) + "～" +
                                    Num(static_cast<long>(timePost) + 5) + " 装置时钟 " +
                                    engine::FormatDeviceClock(clock));
    }
    if (const auto soe = a.Reg(modbus::kSoeIndexRegister)) {
        lines.emplace(modbus::kSoeIndexRegister,
                      "寄存器 6 SOE 索引：写 " + Num(*soe >> 8) + "，读 " + Num(*soe & 0xFF));
    }
    if (const auto version = a.Reg(t.yc.VersionPost)) {
        lines.emplace(t.yc.VersionPost, "寄存器 " + Num(t.yc.VersionPost) + " 装置版本 " +
                                            engine::FormatDeviceVersion(*version));
    }
    // Telesignals, one line per word and one more per signal that is closed.
    std::map<std::size_t, std::vector<int>> words;
    for (int i = 0; i < InUse(t.yx.Number); ++i) {
        const unsigned post = t.yx.Post[i];
        words[std::size_t{t.yc.YXPost} + (post == 0 ? 0 : (post - 1) / 16)].push_back(i);
    }
    for (const auto& [reg, points] : words) {
        const auto word = a.Reg(reg);
        if (!word) continue;
        std::string text = "寄存器 " + Num(static_cast<long>(reg)) + " 遥信 " + Hex4(*word);
        std::vector<std::string> closed;
        for (int i : points) {
            const unsigned post = t.yx.Post[i];
            if (post != 0 && (*word >> ((post - 1) % 16) & 1u) != 0)
                closed.push_back("    遥信 " + Num(post) + " " + Utf8(t.yx.Name[i]) + " 合");
        }
        lines.emplace(reg, closed.empty() ? text + "：全分" : text);
        for (std::string& line : closed) lines.emplace(reg, std::move(line));
    }
    for (int i = 0; i < InUse(t.yc.Number); ++i) {
        if (t.yc.Post[i] == 0) continue;
        const std::size_t reg = t.yc.Post[i] - 1u;
        const auto low = a.Reg(reg);
        if (!low) continue;
        const auto high = t.yc.PostH[i] != 0 ? a.Reg(t.yc.PostH[i] - 1u) : std::nullopt;
        std::string where = "寄存器 " + Num(static_cast<long>(reg));
        if (high) where += "、" + Num(t.yc.PostH[i] - 1);
        const engine::YcReading reading = engine::ScaleYcReading(*low, high, t.yc.Type[i], t.yc.CC2[i]);
        const std::string value =
            reading.blank ? " 无值" : " = " + engine::FormatYcValue(reading.value, t.yc.CC2[i]);
        lines.emplace(reg, where + " " + Utf8(t.yc.Name[i]) + value);
    }
    for (auto& [reg, line] : lines) out.push_back(std::move(line));
}

void ExplainSoeAnswer(const Tables& t, const Answer& a, std::vector<std::string>& out) {
    const std::vector<modbus::SoeRecord> records = modbus::ParseSoeResponse(a.f.data(), a.f.size());
    out.push_back("SOE 记录应答：" + Num(static_cast<long>(records.size())) + " 条");
    for (const modbus::SoeRecord& r : records) {
        std::string name = "事件码 " + Num(r.code);
        for (int i = 0; i < InUse(t.yx.Number); ++i) {
            if (t.yx.Post[i] == r.code) {
                name = Utf8(t.yx.Name[i]);
                break;
            }
        }
        char time[48];
        std::snprintf(time, sizeof time, " %02u-%02u-%02u %02u:%02u:%02u.%03u", unsigned{r.yearOffset},
                      unsigned{r.month}, unsigned{r.day}, unsigned{r.hour}, unsigned{r.minute},
                      unsigned{r.second}, unsigned{r.millisecond});
        out.push_back("    " + name + time + (r.code > modbus::kSoeMaxLoggedCode ? "（不记录）" : ""));
    }
}

// A read answer: address, function, byte count, data, CRC after byte count + 3 bytes.
void ExplainReadAnswer(const Tables& t, Bytes f, Bytes request, std::vector<std::string>& out) {
    const std::size_t byteCount = f[2];
    out.push_back("字节数 " + Num(static_cast<long>(byteCount)));
    const std::size_t needed = byteCount + 5;
    if (f.size() < needed) {
        out.push_back("长度不足：应有 " + Num(static_cast<long>(needed)) + " 字节，CRC 无法校验");
    } else {
        out.push_back(CrcText(f, byteCount + 3));
        if (f.size() > needed)
            out.push_back("CRC 后多出 " + Num(static_cast<long>(f.size() - needed)) + " 字节");
    }
    const Answer a{f, std::min(byteCount, f.size() >= 5 ? f.size() - 5 : 0) / 2};

    if (f[1] == modbus::kFnReadEventRecords) {
        std::string text = "事件记录应答：" + Num(static_cast<long>(byteCount / 8)) + " 条";
        if (request.size() >= 6 && request[1] == modbus::kFnReadEventRecords) {
            text += "（第 " + Num(Word(request, 2) / modbus::kEventBatchRecords + 1) + " 批）";
        }
        out.push_back(text);
        return;
    }
    std::optional<Read> kind;
    if (request.size() >= 6 && request[1] == modbus::kFnReadHoldingRegisters &&
        2u * Word(request, 4) == byteCount) {
        kind = ClassifyRead(t, request[0], Word(request, 2), Word(request, 4));
    } else if (byteCount != 0 && byteCount == 2u * t.yc.AskNumber) {
        kind = Read::Poll;
    } else if (byteCount != 0 && byteCount == 2u * t.param.Number) {
        kind = Read::Parameters;
    } else if (byteCount != 0 && byteCount == 2u * t.setting.Number) {
        kind = Read::Settings;
    }
    if (!kind) return;
    switch (*kind) {
        case Read::Poll:
            ExplainPollAnswer(t, a, out);
            break;
        case Read::AddressSearch:
            if (const auto address = modbus::SearchedAddress(f.data(), f.size()))
                out.push_back("自动寻址应答：装置地址 " + Num(*address));
            break;
        case Read::Parameters:
            out.push_back("上装参数应答：" + Num(static_cast<long>(byteCount / 2)) + " 个参数");
            break;
        case Read::Settings:
            out.push_back("上装定值应答：" + Num(static_cast<long>(byteCount / 2)) + " 个定值");
            break;
        case Read::Soe:
            ExplainSoeAnswer(t, a, out);
            break;
        case Read::Other:
            break;
    }
}

// The echo of a register write, recognised as the program recognises it: by fixed start addresses.
void ExplainWriteEcho(const Tables& t, Bytes f, std::vector<std::string>& out) {
    const unsigned start = Word(f, 2);
    const unsigned count = Word(f, 4);
    out.push_back("起始寄存器 " + Num(start) + "，数量 " + Num(count));
    out.push_back(WholeFrameCrc(f));
    if (start == modbus::kClockEchoStart && count == modbus::kClockEchoQuantity) {
        out.push_back("确认：校时");
    } else if (count == 1) {
        const std::string name = BlockRegisterName(t, start);
        out.push_back("确认：写寄存器 " + Num(start) + (name.empty() ? "" : " " + name));
    } else if ((start & 0xFF) == modbus::kParamEchoStartLow && count == t.param.Number) {
        out.push_back("确认：下载参数");
    } else if ((start & 0xFF) == modbus::kSettingEchoStartLow && count == t.setting.Number) {
        out.push_back("确认：下载定值");
    }
}

}  // namespace

std::string FrameExplanation::Text() const {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}

FrameExplanation ExplainFrame(std::span<const std::uint8_t> frame, FrameDirection direction,
                              const ExplainTables& tables, std::span<const std::uint8_t> request) {
    const Tables t = Resolve(tables);
    FrameExplanation e;
    std::vector<std::string>& out = e.lines;
    const bool sent = direction == FrameDirection::Sent;
    const std::string head = sent ? "发送：" : "接收：";
    if (frame.size() < 2) {
        out.push_back(head + "报文过短，无法解读");
        return e;
    }
    const std::uint8_t address = frame[0];
    const std::uint8_t function = frame[1];
    std::string addressText = "地址 " + Num(address);
    if (address == modbus::kAddressSearchAddress) addressText += "（寻址）";

    if (!sent && (function & modbus::kExceptionFlag) != 0) {
        const std::uint8_t asked = function & ~modbus::kExceptionFlag;
        std::string text = head + addressText + "，异常应答，功能码 " + Num(asked);
        if (frame.size() >= 3) {
            text += "，异常码 " + Num(frame[2]);
            if (*ExceptionName(frame[2]) != '\0') text += std::string(" ") + ExceptionName(frame[2]);
        }
        out.push_back(text);
        out.push_back(frame.size() >= 5 ? CrcText(frame, 3) : "CRC 缺失");
        return e;
    }
    std::string text = head + addressText + "，功能码 " + Num(function);
    if (*FunctionName(function) != '\0') text += std::string(" ") + FunctionName(function);
    out.push_back(text);

    const bool readAnswer =
        !sent && (function == modbus::kFnReadHoldingRegisters || function == modbus::kFnReadEventRecords);
    const std::size_t fields = readAnswer ? 3 : 6;
    if (frame.size() < fields) {
        out.push_back("报文不完整");
        return e;
    }
    switch (function) {
        case modbus::kFnReadHoldingRegisters:
            if (sent) {
                ExplainReadRequest(t, frame, out);
            } else {
                ExplainReadAnswer(t, frame, request, out);
            }
            break;
        case modbus::kFnReadEventRecords:
            if (sent) {
                ExplainEventBatchRequest(frame, out);
            } else {
                ExplainReadAnswer(t, frame, request, out);
            }
            break;
        case modbus::kFnWriteMultipleRegisters:
            if (sent) {
                ExplainWriteRequest(t, frame, out);
            } else {
                ExplainWriteEcho(t, frame, out);
            }
            break;
        case modbus::kFnWriteSingleCoil:
            ExplainCoil(t, frame, direction, out);
            break;
        default:
            out.push_back(WholeFrameCrc(frame));
            break;
    }
    return e;
}

}  // namespace ui
