#include "engine/PollDecoder.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "config/Tables.h"
#include "engine/ValueFormat.h"
#include "log/OperationLog.h"
#include "modbus/ResponseChecks.h"
#include "platform/Gbk.h"

namespace engine {
namespace {

constexpr char kModelText[] = "VARN";
constexpr char kClosedText[] = "合";
constexpr char kOpenText[] = "分";
constexpr char kOpenToClosedText[] = "：分 -> 合!";
constexpr char kClosedToOpenText[] = "：合 -> 分!";
constexpr char kYxSound[] = "IDR_WAVE_YX";

struct Tables {
    config::YcTable& yc;
    config::YxTable& yx;
    std::mutex& mutex;
};

Tables Resolve(const LiveTables& tables) {
    return Tables{tables.yc ? *tables.yc : config::Yc(), tables.yx ? *tables.yx : config::Yx(),
                  tables.mutex ? *tables.mutex : config::TablesMutex()};
}

// Only the table's slots exist, whatever Number the file gave.
int PointsInUse(std::uint16_t number) {
    return std::min<int>(number, config::kPointCount);
}

struct YcUpdate {
    int point;
    float value;
    std::uint16_t cc2;
    bool blank;
};

struct YxUpdate {
    int point;
    std::uint16_t state;
    bool report;  // a change between two answers: log the name and play the sound
    config::Text name;
};

std::string StateText(std::uint16_t state) {
    if (state == 1) return kClosedText;
    if (state == 0) return kOpenText;
    return std::string();
}

}  // namespace

void DecodePollResponse(const std::uint8_t* frame, std::size_t length, DecodeContext& context) {
    const auto reg = [frame, length](std::size_t r) { return modbus::RegisterAt(frame, length, r); };
    Tables tables = Resolve(context.tables);

    std::array<YcUpdate, config::kPointCount> ycUpdates;
    std::array<YxUpdate, config::kPointCount> yxUpdates;
    int ycCount = 0;
    int yxCount = 0;
    std::uint16_t timePost = 0;
    std::uint16_t versionPost = 0;
    const platform::Clock& clock = context.clock ? *context.clock : platform::CurrentClock();
    trend::PollSnapshot snapshot = trend::PollSnapshot::Gaps(context.trend ? trend::ToMs(clock.Now()) : 0);
    {
        std::lock_guard<std::mutex> lock(tables.mutex);
        config::YcTable& yc = tables.yc;
        config::YxTable& yx = tables.yx;
        timePost = yc.TimePost;
        versionPost = yc.VersionPost;

        for (int i = 0; i < PointsInUse(yc.Number); ++i) {
            // Post 0 designates no register; position p is register p - 1.
            const auto low = yc.Post[i] != 0 ? reg(yc.Post[i] - 1u) : std::nullopt;
            const std::uint16_t cc2 = yc.CC2[i];
            float value = config::kValueNone;
            std::uint16_t raw = config::kRawNone;
            bool blank = true;
            if (low) {
                raw = *low;
                const auto high = yc.PostH[i] != 0 ? reg(yc.PostH[i] - 1u) : std::nullopt;
                const YcReading reading = ScaleYcReading(raw, high, yc.Type[i], cc2);
                value = reading.value;
                blank = reading.blank;
            }
            yc.RawValue[i] = raw;
            yc.Value[i] = value;
            // A register the answer lacks or that holds 0xFFFF is no reading: a gap in the trend.
            if (!blank && i < trend::kTrendPoints) snapshot.values[static_cast<std::size_t>(i)] = value;
            if (value != yc.ShownValue[i]) ycUpdates[ycCount++] = YcUpdate{i, value, cc2, blank};
            yc.ShownValue[i] = value;
        }

        const std::size_t yxBase = yc.YXPost;
        for (int i = 0; i < PointsInUse(yx.Number); ++i) {
            // Post 0 reads the first telesignal register and always gives 0.
            const unsigned post = yx.Post[i];
            const unsigned bit = post == 0 ? 0 : post - 1;
            const auto word = reg(yxBase + bit / 16);
            std::uint16_t state = config::kStateAbsent;
            if (word) state = post == 0 ? 0 : static_cast<std::uint16_t>((*word >> (bit % 16)) & 1u);
            const std::uint16_t prev = yx.PrevState[i];
            yx.State[i] = state;
            if (state != prev) {
                // Coming back from a link fault or from absence is not a change of the signal.
                const bool report = word && prev != config::kStateAbsent && prev != config::kStateLinkFault;
                yxUpdates[yxCount++] = YxUpdate{i, state, report, yx.Name[i]};
            }
            yx.PrevState[i] = state;
        }
    }

    if (context.trend) context.trend->Append(snapshot);

    MainView* view = context.view;
    if (view) {
        std::array<std::uint16_t, 6> clock{};
        bool clockComplete = true;
        for (std::size_t k = 0; k < clock.size(); ++k) {
            const auto word = reg(std::size_t{timePost} + k);
            if (!word) {
                clockComplete = false;
                break;
            }
            clock[k] = *word;
        }
        // An incomplete clock keeps the box's previous text.
        if (clockComplete) view->ShowDeviceTime(FormatDeviceClock(clock));
        view->ShowDeviceModel(kModelText);
    }
    if (const auto version = reg(versionPost)) {
        context.DeviceVersion.store(*version);
        if (view) view->ShowDeviceVersion(FormatDeviceVersion(*version));
    }

    if (view) {
        for (int u = 0; u < ycCount; ++u) {
            const YcUpdate& update = ycUpdates[u];
            view->ShowYcValue(update.point,
                              update.blank ? std::string() : FormatYcValue(update.value, update.cc2));
        }
    }
    for (int u = 0; u < yxCount; ++u) {
        const YxUpdate& update = yxUpdates[u];
        if (update.report) {
            std::string line = platform::GbkToUtf8(config::TextView(update.name));
            line += update.state == 1 ? kOpenToClosedText : kClosedToOpenText;
            if (context.trend) context.trend->AddMark(snapshot.msSinceEpoch, line);
            if (context.log) {
                context.log(line);
            } else {
                oplog::LogOperation(std::move(line));
            }
            if (context.playSound) context.playSound(kYxSound);
        }
        if (view) {
            view->ShowYxState(update.point, StateText(update.state));
            view->StateChanged(update.point);
        }
    }

    if (context.soeCheck) context.soeCheck(frame, length);
}

std::optional<int> FindYxByPost(unsigned code, const config::YxTable* yx) {
    const config::YxTable& table = yx ? *yx : config::Yx();
    for (int i = 0; i < PointsInUse(table.Number); ++i) {
        if (table.Post[i] == code) return i;
    }
    return std::nullopt;
}

std::optional<int> FindAccidentSignal(const config::YxTable* yx) {
    static const std::string key = platform::Utf8ToGbk("事故总");
    const config::YxTable& table = yx ? *yx : config::Yx();
    for (int i = 0; i < PointsInUse(table.Number); ++i) {
        const std::string_view name = config::TextView(table.Name[i]);
        // Step over whole double-byte characters so a trail byte never starts a match.
        for (std::size_t p = 0; p < name.size();) {
            if (name.substr(p).starts_with(key)) return i;
            p += static_cast<unsigned char>(name[p]) >= 0x81 ? 2 : 1;
        }
    }
    return std::nullopt;
}

}  // namespace engine
