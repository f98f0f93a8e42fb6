#include "relay_sim/Relay.h"

#include <algorithm>
#include <cmath>

#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"
#include "modbus/RemoteControl.h"

namespace relaysim {
namespace {

constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalAddress = 2;
constexpr std::uint8_t kIllegalValue = 3;
constexpr unsigned kMaxReadQuantity = modbus::kMaxBlockReadEntries;
constexpr unsigned kMaxWriteQuantity = modbus::kMaxBlockWriteEntries;
constexpr unsigned kMaxEventQuantity = 31;  // 8-byte records within one byte count
constexpr std::uint16_t kRingStart = modbus::kSoeRingStart;
constexpr std::uint16_t kRingEnd = kRingStart + modbus::kSoeRingRecords * modbus::kSoeRecordRegisters;  // 600

std::uint16_t Word(const Frame& f, std::size_t at) {
    return static_cast<std::uint16_t>(f[at] << 8 | f[at + 1]);
}

void PutWord(Frame& f, std::uint16_t v) {
    f.push_back(static_cast<std::uint8_t>(v >> 8));
    f.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

bool Has(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

}  // namespace

std::array<std::uint8_t, 14> MakeHardwareInfo(HwInfoMode mode) {
    std::array<std::uint8_t, 14> b{};
    if (mode == HwInfoMode::Blank) {
        b.fill(0xFF);
        return b;
    }
    // Made 2024-03-15 10:30, serial number 20240518.
    const std::uint8_t id[12] = {0, 0, 2, 24, 3, 15, 10, 30, 20, 24, 5, 18};
    std::copy(std::begin(id), std::end(id), b.begin());
    const std::uint16_t crc = modbus::Crc16(b.data(), 12);
    b[12] = static_cast<std::uint8_t>(crc & 0xFF);
    b[13] = static_cast<std::uint8_t>(crc >> 8);
    // Flipping one bit of the low byte breaks the CRC in either byte order.
    if (mode == HwInfoMode::Invalid) b[12] ^= 0x01;
    return b;
}

Relay::Relay(Layout layout, RelayOptions options, const Now& start)
    : layout_(std::move(layout)), options_(options) {
    for (std::size_t i = 0; i < layout_.yc.size(); ++i) {
        const YcPoint& p = layout_.yc[i];
        if (p.post > 0) ycPoint_[p.post - 1] = static_cast<std::int16_t>(i);
        if (p.postH > 0) {
            ycPoint_[p.postH - 1] = static_cast<std::int16_t>(i);
            ycHigh_[p.postH - 1] = true;
        }
    }
    int maxPost = 1;
    for (const YxPoint& p : layout_.yx) maxPost = std::max(maxPost, p.post);
    yxWords_ = (maxPost + 15) / 16;
    yx_.assign(static_cast<std::size_t>(yxWords_) * 16, false);

    if (int p = FindYx("高压侧断路器"); p > 0) hvPost_ = p;
    if (int p = FindYx("1#低压侧断路器"); p > 0) lv1Post_ = p;
    if (int p = FindYx("2#低压侧断路器"); p > 0) lv2Post_ = p;
    closedPost_ = FindYx("合闸位置");
    trippedPost_ = FindYx("跳闸位置");
    for (const YxPoint& p : layout_.yx) {
        if (p.post > 0 &&
            (Has(p.name, "动作") || Has(p.name, "事故") || Has(p.name, "告警") || Has(p.name, "预告")))
            latchedPosts_.push_back(p.post);
    }
    // Start-up state: fed from the high-voltage side into low-voltage side 1, controlled remotely.
    yx_[hvPost_ - 1] = plant_.highClosed;
    yx_[lv1Post_ - 1] = plant_.low1Closed;
    yx_[lv2Post_ - 1] = plant_.low2Closed;
    if (int p = FindYx("远方"); p > 0) yx_[p - 1] = true;
    if (closedPost_ > 0) yx_[closedPost_ - 1] = plant_.highClosed;
    if (trippedPost_ > 0) yx_[trippedPost_ - 1] = !plant_.highClosed;

    regs_[layout_.versionPost] = kVersion;
    InitParameters();
    InitSettings();
    InitEvents(start);
}

int Relay::FindYx(const std::string& part) const {
    for (const YxPoint& p : layout_.yx) {
        if (p.post > 0 && p.post <= static_cast<int>(yx_.size()) && Has(p.name, part.c_str())) return p.post;
    }
    return 0;
}

void Relay::InitParameters() {
    const int start = layout_.paramStart;
    for (std::size_t k = 0; k < layout_.params.size(); ++k) {
        const std::string& n = layout_.params[k].name;
        std::uint16_t v = 0;
        if (Has(n, "地址"))
            v = options_.address;
        else if (Has(n, "CT变比"))
            v = 120;
        else if (Has(n, "PT变比"))
            v = 100;
        else if (Has(n, "额定电流"))
            v = 5;
        else if (Has(n, "额定电压"))
            v = 100;
        else if (Has(n, "(ms)"))
            v = 100;
        else if (Has(n, "使能"))
            v = 1;
        else if (Has(n, "(s)"))
            v = 60;
        else if (Has(n, "系数"))
            v = kUnityCoefficient;
        regs_[(start + k) & 0xFFFF] = v;
    }
    regs_[(start + modbus::kBaudCodeEntry1) & 0xFFFF] = modbus::kBaudCode9600;
    regs_[(start + modbus::kBaudCodeEntry2) & 0xFFFF] = modbus::kBaudCode9600;
    regs_[(start + modbus::kControlModeEntry) & 0xFFFF] = 1;
    const auto hw = MakeHardwareInfo(options_.hwinfo);
    for (int i = 0; i < 7; ++i) {
        regs_[(start + modbus::kHardwareInfoFirstRegister + i) & 0xFFFF] =
            static_cast<std::uint16_t>(hw[2 * i] << 8 | hw[2 * i + 1]);
    }
    // Every calibration coefficient the telemetry points name starts at 1.0.
    for (const YcPoint& p : layout_.yc) {
        if (p.checkRegister != 65535 && p.checkRegister < regs_.size())
            regs_[p.checkRegister] = kUnityCoefficient;
    }
}

void Relay::InitSettings() {
    for (std::size_t k = 0; k < layout_.settings.size(); ++k) {
        const BlockEntry& e = layout_.settings[k];
        std::uint16_t v;
        if (e.choices > 0) {
            v = e.choices > 1 ? 1 : 0;
        } else {
            const unsigned lo = std::min(e.min, e.max);
            v = static_cast<std::uint16_t>(lo + (std::max(e.min, e.max) - lo) / 4);
        }
        regs_[(layout_.settingStart + k) & 0xFFFF] = v;
    }
}

void Relay::InitEvents(const Now& start) {
    static const std::uint8_t kCodes[] = {1, 2,  3,  3,  6,  4,  12, 8, 20, 21,
                                          2, 16, 26, 30, 33, 45, 3,  9, 14, 28};
    const platform::LocalTime t0 = clock_.Now(start.local);
    const std::int64_t s0 = CivilSeconds(t0.year, t0.month, t0.day, t0.hour, t0.minute, t0.second);
    const unsigned n = std::min(options_.initialEvents, kMaxEvents);
    for (unsigned i = 0; i < n; ++i) {
        // Older records lie further back; the spacing is irregular like real events.
        const auto f = CivilFromSeconds(s0 - static_cast<std::int64_t>(i + 1) * 5417 - (i * i % 97) * 61);
        const unsigned ms = static_cast<unsigned>(f[5]) * 1000 + (i * 137) % 1000;
        EventRecord r = {kCodes[i % std::size(kCodes)],      static_cast<std::uint8_t>(ms & 0xFF),
                         static_cast<std::uint8_t>(ms >> 8), static_cast<std::uint8_t>(f[4]),
                         static_cast<std::uint8_t>(f[3]),    static_cast<std::uint8_t>(f[2]),
                         static_cast<std::uint8_t>(f[1]),    static_cast<std::uint8_t>(f[0] - 2000)};
        // A few records with dates a damaged memory would hold.
        if (i % 29 == 13) r[6] = 13;     // month 13
        if (i % 29 == 27) r[5] = 0;      // day 0
        if (i % 53 == 40) r.fill(0xFF);  // erased cell
        if (i % 41 == 7) r[0] = 60;      // a code without a name
        events_.push_back(r);
    }
    AddEvent(kEventPowerUp, start);
}

std::uint16_t Relay::ControlMode() const {
    if (regs_[layout_.versionPost] <= modbus::kLegacyVersionMax) return 0;
    return regs_[(layout_.paramStart + modbus::kControlModeEntry) & 0xFFFF];
}

bool Relay::IsClock(std::uint16_t reg) const {
    return reg >= layout_.timePost && reg < layout_.timePost + modbus::kClockRegisters;
}

int Relay::YxWordIndex(std::uint16_t reg) const {
    if (reg < layout_.yxPost || reg >= layout_.yxPost + yxWords_) return -1;
    return reg - layout_.yxPost;
}

std::uint16_t Relay::Value(std::uint16_t reg, const Now& now) const {
    if (IsClock(reg)) return clock_.Words(now.local)[reg - layout_.timePost];
    if (reg == modbus::kSoeIndexRegister) return static_cast<std::uint16_t>(soeWrite_ << 8 | soeRead_);
    if (reg == layout_.versionPost) return regs_[reg];
    if (const int w = YxWordIndex(reg); w >= 0) {
        std::uint16_t v = 0;
        for (int b = 0; b < 16; ++b) v |= static_cast<std::uint16_t>(yx_[w * 16 + b] ? 1u << b : 0u);
        return v;
    }
    if (ycPoint_[reg] >= 0 && !pinned_[reg]) {
        const YcPoint& p = layout_.yc[static_cast<std::size_t>(ycPoint_[reg])];
        const RawWords w = EncodeTelemetry(p, TelemetryValue(p, now.seconds, plant_, options_.still));
        return ycHigh_[reg] ? w.high : w.low;
    }
    return regs_[reg];
}

std::uint16_t Relay::ReadRegister(std::uint16_t reg, const Now& now) {
    return Value(reg, now);
}

bool Relay::WriteRegister(std::uint16_t reg, std::uint16_t value, const Now& now) {
    return ApplyWrites(reg, {value}, now);
}

bool Relay::ApplyWrites(std::uint16_t start, const std::vector<std::uint16_t>& values, const Now& now) {
    // Check first, so that a refused request changes nothing.
    bool touchesClock = false;
    std::array<std::uint16_t, 6> clockWords = clock_.Words(now.local);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::uint16_t reg = static_cast<std::uint16_t>(start + i);
        if (IsClock(reg)) {
            touchesClock = true;
            clockWords[reg - layout_.timePost] = values[i];
        } else if (reg == modbus::kSoeIndexRegister) {
            if ((values[i] >> 8) >= modbus::kSoeRingRecords || (values[i] & 0xFF) >= modbus::kSoeRingRecords)
                return false;
        }
    }
    if (touchesClock && !IsValidClockWords(clockWords)) return false;

    bool params = false, settings = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::uint16_t reg = static_cast<std::uint16_t>(start + i);
        const std::uint16_t v = values[i];
        if (IsClock(reg)) continue;
        if (reg == modbus::kSoeIndexRegister) {
            soeWrite_ = static_cast<std::uint8_t>(v >> 8);
            soeRead_ = static_cast<std::uint8_t>(v & 0xFF);
        } else if (reg == layout_.versionPost) {
            regs_[reg] = v;
        } else if (const int w = YxWordIndex(reg); w >= 0) {
            for (int b = 0; b < 16; ++b) SetYx(w * 16 + b + 1, (v >> b) & 1, now);
        } else {
            regs_[reg] = v;
            if (ycPoint_[reg] >= 0) pinned_[reg] = true;
            const int ps = layout_.paramStart, ss = layout_.settingStart;
            params |=
                reg >= ps && reg < ps + static_cast<int>(std::max<std::size_t>(layout_.params.size(), 51));
            settings |= reg >= ss && reg < ss + static_cast<int>(layout_.settings.size());
        }
    }
    if (touchesClock) clock_.Set(clockWords, now.local);
    if (params) AddEvent(kEventParamChanged, now);
    if (settings) AddEvent(kEventSettingChanged, now);
    return true;
}

bool Relay::SetYx(int post, bool on, const Now& now) {
    if (post < 1 || post > static_cast<int>(yx_.size())) return false;
    if (post == hvPost_ || post == lv1Post_ || post == lv2Post_) {
        SetBreaker(post, on, now);
        return true;
    }
    if (yx_[post - 1] == on) return true;
    yx_[post - 1] = on;
    AddSoe(static_cast<std::uint8_t>(post), now);
    return true;
}

std::optional<bool> Relay::Yx(int post) const {
    if (post < 1 || post > static_cast<int>(yx_.size())) return std::nullopt;
    return yx_[post - 1];
}

void Relay::SetBreaker(int post, bool closed, const Now& now) {
    if (yx_[post - 1] == closed) return;
    yx_[post - 1] = closed;
    if (post == hvPost_) plant_.highClosed = closed;
    if (post == lv1Post_) plant_.low1Closed = closed;
    if (post == lv2Post_) plant_.low2Closed = closed;
    if (closed) ++plant_.closeCount;
    AddSoe(static_cast<std::uint8_t>(post), now);
    UpdatePositionSignals(now);
}

void Relay::UpdatePositionSignals(const Now& now) {
    if (closedPost_ > 0 && yx_[closedPost_ - 1] != plant_.highClosed) {
        yx_[closedPost_ - 1] = plant_.highClosed;
        AddSoe(static_cast<std::uint8_t>(closedPost_), now);
    }
    if (trippedPost_ > 0 && yx_[trippedPost_ - 1] == plant_.highClosed) {
        yx_[trippedPost_ - 1] = !plant_.highClosed;
        AddSoe(static_cast<std::uint8_t>(trippedPost_), now);
    }
}

void Relay::SignalReset(const Now& now) {
    for (int post : latchedPosts_) SetYx(post, false, now);
    AddEvent(kEventSignalReset, now);
}

void Relay::AddSoe(std::uint8_t code, const Now& now) {
    const platform::LocalTime t = clock_.Now(now.local);
    const std::uint16_t base =
        static_cast<std::uint16_t>(kRingStart + soeWrite_ * modbus::kSoeRecordRegisters);
    regs_[base] = static_cast<std::uint16_t>(code << 8);
    regs_[base + 1] = static_cast<std::uint16_t>(t.millisecond);
    regs_[base + 2] = static_cast<std::uint16_t>(t.second << 8 | t.minute);
    regs_[base + 3] = static_cast<std::uint16_t>(t.hour << 8 | t.day);
    regs_[base + 4] = static_cast<std::uint16_t>(t.month << 8 | ((t.year - 2000) & 0xFF));
    soeWrite_ = static_cast<std::uint8_t>((soeWrite_ + 1) % modbus::kSoeRingRecords);
    // A full ring overwrites its oldest unread record.
    if (soeWrite_ == soeRead_) soeRead_ = static_cast<std::uint8_t>((soeRead_ + 1) % modbus::kSoeRingRecords);
}

void Relay::AddEvent(std::uint8_t code, const Now& now) {
    const platform::LocalTime t = clock_.Now(now.local);
    const unsigned ms = static_cast<unsigned>(t.second * 1000 + t.millisecond);
    AddEventRecord({code, static_cast<std::uint8_t>(ms & 0xFF), static_cast<std::uint8_t>(ms >> 8),
                    static_cast<std::uint8_t>(t.minute), static_cast<std::uint8_t>(t.hour),
                    static_cast<std::uint8_t>(t.day), static_cast<std::uint8_t>(t.month),
                    static_cast<std::uint8_t>((t.year - 2000) & 0xFF)});
}

void Relay::AddEventRecord(const EventRecord& record) {
    events_.push_front(record);
    if (events_.size() > kMaxEvents) events_.pop_back();
}

Frame Relay::Finish(Frame reply) {
    const std::uint16_t crc = modbus::Crc16(reply.data(), reply.size());
    reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    ++counters_.answered;
    return reply;
}

Frame Relay::Exception(std::uint8_t function, std::uint8_t code) {
    ++counters_.exceptions;
    return Finish({options_.address, static_cast<std::uint8_t>(function | modbus::kExceptionFlag), code});
}

std::optional<Frame> Relay::Handle(const Frame& req, const Now& now) {
    ++counters_.received;
    // A relay checks its CRC strictly, low byte first.
    if (req.size() < 4 ||
        modbus::Crc16(req.data(), req.size() - 2) != (req[req.size() - 2] | req[req.size() - 1] << 8)) {
        ++counters_.crcErrors;
        return std::nullopt;
    }
    const std::uint8_t fn = req[1];
    if (req[0] == modbus::kAddressSearchAddress) {
        // Only the address search is answered on 254: register 0 carries the relay's address.
        if (fn != modbus::kFnReadHoldingRegisters || req.size() != 8 || Word(req, 2) != 0 ||
            Word(req, 4) != 1) {
            ++counters_.otherAddress;
            return std::nullopt;
        }
        if (options_.exceptionCode != 0) return Exception(fn, options_.exceptionCode);
        return Finish({options_.address, fn, 2, 0, options_.address});
    }
    if (req[0] != options_.address) {
        ++counters_.otherAddress;
        return std::nullopt;
    }
    if (options_.exceptionCode != 0) return Exception(fn, options_.exceptionCode);
    switch (fn) {
        case modbus::kFnReadHoldingRegisters:
            return ReadRegisters(req, now);
        case modbus::kFnWriteSingleCoil:
            return WriteCoil(req, now);
        case 6:
            return WriteSingleRegister(req, now);
        case modbus::kFnWriteMultipleRegisters:
            return WriteRegisters(req, now);
        case modbus::kFnReadEventRecords:
            return ReadEvents(req);
        default:
            return Exception(fn, kIllegalFunction);
    }
}

std::optional<Frame> Relay::ReadRegisters(const Frame& req, const Now& now) {
    if (req.size() != 8) return Exception(req[1], kIllegalValue);
    const unsigned start = Word(req, 2), qty = Word(req, 4);
    if (qty == 0 || qty > kMaxReadQuantity) return Exception(req[1], kIllegalValue);
    const bool inRing = start >= kRingStart && start < kRingEnd;
    if (!inRing && start + qty > 65536) return Exception(req[1], kIllegalAddress);

    Frame reply = {options_.address, req[1], static_cast<std::uint8_t>(2 * qty)};
    std::vector<std::uint16_t> regs;
    for (unsigned i = 0; i < qty; ++i) {
        unsigned reg = start + i;
        // The ring is circular: reads past its last record go on at its first.
        if (inRing) reg = kRingStart + (reg - kRingStart) % (kRingEnd - kRingStart);
        regs.push_back(static_cast<std::uint16_t>(reg));
        PutWord(reply, Value(static_cast<std::uint16_t>(reg), now));
    }
    // Every complete ring record read that is the next unread one moves the read index on.
    if (inRing) {
        // Reads inside the ring are contiguous and records never straddle its end, so a record is complete
        // where its last register comes at least four registers into the read.
        for (std::size_t i = 4; i < regs.size(); ++i) {
            const unsigned off = regs[i] - kRingStart;
            if (off % modbus::kSoeRecordRegisters != modbus::kSoeRecordRegisters - 1) continue;
            const unsigned record = off / modbus::kSoeRecordRegisters;
            if (record == soeRead_ && soeRead_ != soeWrite_)
                soeRead_ = static_cast<std::uint8_t>((soeRead_ + 1) % modbus::kSoeRingRecords);
        }
    }
    return Finish(std::move(reply));
}

std::optional<Frame> Relay::WriteRegisters(const Frame& req, const Now& now) {
    if (req.size() < 9) return Exception(req[1], kIllegalValue);
    const unsigned start = Word(req, 2), qty = Word(req, 4), bytes = req[6];
    if (qty == 0 || qty > kMaxWriteQuantity || bytes != 2 * qty || req.size() != 9 + bytes)
        return Exception(req[1], kIllegalValue);
    if (start + qty > 65536) return Exception(req[1], kIllegalAddress);
    std::vector<std::uint16_t> values;
    for (unsigned i = 0; i < qty; ++i) values.push_back(Word(req, 7 + 2 * i));
    if (!ApplyWrites(static_cast<std::uint16_t>(start), values, now)) return Exception(req[1], kIllegalValue);
    return Finish(Frame(req.begin(), req.begin() + 6));
}

std::optional<Frame> Relay::WriteSingleRegister(const Frame& req, const Now& now) {
    if (req.size() != 8) return Exception(req[1], kIllegalValue);
    if (!ApplyWrites(Word(req, 2), {Word(req, 4)}, now)) return Exception(req[1], kIllegalValue);
    return Finish(Frame(req.begin(), req.begin() + 6));
}

std::optional<Frame> Relay::WriteCoil(const Frame& req, const Now& now) {
    if (req.size() != 8) return Exception(req[1], kIllegalValue);
    const std::uint16_t coil = Word(req, 2), value = Word(req, 4);
    if (value != modbus::kCoilOn && value != modbus::kCoilOff) return Exception(req[1], kIllegalValue);
    const bool on = value == modbus::kCoilOn;
    if (coil == modbus::kSignalResetCoil) {
        if (on) SignalReset(now);
        return Finish(Frame(req.begin(), req.begin() + 6));
    }
    const auto op = modbus::MatchRemoteControl({coil, on}, ControlMode());
    if (!op) return Exception(req[1], kIllegalAddress);
    switch (*op) {
        case modbus::RemoteControl::CloseHigh:
            SetBreaker(hvPost_, true, now);
            break;
        case modbus::RemoteControl::OpenHigh:
            SetBreaker(hvPost_, false, now);
            break;
        case modbus::RemoteControl::CloseLow1:
            SetBreaker(lv1Post_, true, now);
            break;
        case modbus::RemoteControl::OpenLow1:
            SetBreaker(lv1Post_, false, now);
            break;
        case modbus::RemoteControl::CloseLow2:
            SetBreaker(lv2Post_, true, now);
            break;
        case modbus::RemoteControl::OpenLow2:
            SetBreaker(lv2Post_, false, now);
            break;
    }
    AddEvent(kEventRemoteControl, now);
    return Finish(Frame(req.begin(), req.begin() + 6));
}

std::optional<Frame> Relay::ReadEvents(const Frame& req) {
    if (req.size() != 8) return Exception(req[1], kIllegalValue);
    const unsigned first = Word(req, 2), qty = Word(req, 4);
    if (qty == 0 || qty > kMaxEventQuantity) return Exception(req[1], kIllegalValue);
    Frame reply = {options_.address, req[1], static_cast<std::uint8_t>(8 * qty)};
    for (unsigned i = 0; i < qty; ++i) {
        // Records the relay does not hold read as an empty cell (all zero: no valid date).
        EventRecord r{};
        if (first + i < events_.size()) r = events_[first + i];
        reply.insert(reply.end(), r.begin(), r.end());
    }
    return Finish(std::move(reply));
}

}  // namespace relaysim
