#include "trend/TrendDayFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

#include "platform/Gbk.h"
#include "platform/RegularFile.h"

namespace trend {
namespace {

const std::string& TimeHeaderGbk() {
    static const std::string text = platform::Utf8ToGbk("时间");
    return text;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

void AppendCsvField(std::string& line, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        line += field;
        return;
    }
    line += '"';
    for (char c : field) {
        if (c == '"') line += '"';
        line += c;
    }
    line += '"';
}

}  // namespace

std::string TrendDayFilePath(const std::string& programFolder, const platform::LocalTime& date) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d.csv", date.year, date.month, date.day);
    return programFolder + "/运行记录/趋势-" + name;
}

std::string FormatTrendHeader(std::span<const std::string> gbkNames) {
    std::string line = TimeHeaderGbk();
    for (const std::string& name : gbkNames) {
        line += ',';
        AppendCsvField(line, name);
    }
    line += "\r\n";
    return line;
}

std::string FormatTrendLine(std::int64_t secondMs, std::span<const float> values) {
    const platform::LocalTime t = FromMs(secondMs);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    std::string line = text;
    for (float v : values) {
        line += ',';
        if (IsGap(v)) continue;
        char number[32];
        // Seven significant digits hold every float of a scaled register; to_chars ignores the locale.
        const auto result = std::to_chars(number, number + sizeof number, v, std::chars_format::general, 7);
        line.append(number, result.ptr);
    }
    line += "\r\n";
    return line;
}

std::vector<std::string> SplitCsvLine(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::optional<TrendLine> ParseTrendLine(std::string_view line) {
    int h = 0, m = 0, s = 0;
    if (line.size() < 8 || line[2] != ':' || line[5] != ':') return std::nullopt;
    const auto two = [&line](std::size_t at, int& out, int limit) {
        const auto r = std::from_chars(line.data() + at, line.data() + at + 2, out);
        return r.ec == std::errc() && r.ptr == line.data() + at + 2 && out >= 0 && out < limit;
    };
    if (!two(0, h, 24) || !two(3, m, 60) || !two(6, s, 60)) return std::nullopt;
    if (line.size() > 8 && line[8] != ',') return std::nullopt;
    TrendLine parsed;
    parsed.secondOfDay = (h * 60 + m) * 60 + s;
    std::size_t at = 9;
    while (at <= line.size() && line.size() > 8) {
        std::size_t end = line.find(',', at);
        if (end == std::string_view::npos) end = line.size();
        const std::string_view field = line.substr(at, end - at);
        float v = kGap;
        if (!field.empty()) {
            const auto r = std::from_chars(field.data(), field.data() + field.size(), v);
            if (r.ec != std::errc() || r.ptr != field.data() + field.size() || !std::isfinite(v)) v = kGap;
        }
        parsed.values.push_back(v);
        at = end + 1;
    }
    return parsed;
}

TrendDayWriter::TrendDayWriter(std::string programFolder, std::vector<std::string> gbkNames,
                               oplog::FileAppender& appender)
    : folder_(std::move(programFolder)), names_(std::move(gbkNames)), appender_(appender) {}

bool TrendDayWriter::WriteUpTo(const TrendStore& store, std::int64_t nowMs) {
    const std::int64_t endMs = FloorDiv(nowMs, 1000) * 1000;
    std::int64_t fromMs = writtenUpToMs_.value_or(std::numeric_limits<std::int64_t>::min());
    fromMs = std::max(fromMs, endMs - 3'600'000);
    if (fromMs >= endMs) return true;
    const std::vector<PollSnapshot> snapshots = store.Snapshots(TimeRange{fromMs, endMs});

    // Lines per file, in time order; each second's last value per point.
    std::map<std::string, std::string> pieces;
    std::vector<float> values(names_.size(), kGap);
    const std::size_t used = std::min<std::size_t>(names_.size(), kTrendPoints);
    for (std::size_t i = 0; i < snapshots.size();) {
        const std::int64_t second = FloorDiv(snapshots[i].msSinceEpoch, 1000);
        std::fill(values.begin(), values.end(), kGap);
        for (; i < snapshots.size() && FloorDiv(snapshots[i].msSinceEpoch, 1000) == second; ++i) {
            for (std::size_t p = 0; p < used; ++p) {
                const float v = snapshots[i].values[p];
                if (!IsGap(v)) values[p] = v;
            }
        }
        const std::string path = TrendDayFilePath(folder_, FromMs(second * 1000));
        std::string& piece = pieces[path];
        if (piece.empty() && !headed_.count(path)) piece = FormatTrendHeader(names_);
        piece += FormatTrendLine(second * 1000, values);
    }
    bool ok = true;
    // A failed day stops the later ones, so the files never miss a second in their middle.
    for (const auto& [path, piece] : pieces) {
        if (!appender_.Append(path, piece)) {
            ok = false;
            break;
        }
        headed_.insert(path);
    }
    if (ok) writtenUpToMs_ = endMs;
    return ok;
}

std::vector<std::vector<Sample>> ReadTrendDays(const std::string& programFolder, TimeRange range,
                                               std::span<const std::string> gbkNames) {
    std::vector<std::vector<Sample>> curves(gbkNames.size());
    if (range.Length() <= 0) return curves;
    for (std::int64_t day = FloorDiv(range.fromMs, kMsPerDay); day * kMsPerDay < range.toMs; ++day) {
        std::string bytes;
        if (platform::ReadRegularFile(TrendDayFilePath(programFolder, FromMs(day * kMsPerDay)),
                                      kMaxTrendDayFileBytes, bytes) != platform::FileRead::Ok)
            continue;
        std::vector<int> columnPoint;  // column (after the time) -> point, -1 unknown
        std::optional<std::int64_t> previousMs;
        std::size_t at = 0;
        while (at < bytes.size()) {
            std::size_t end = bytes.find('\n', at);
            if (end == std::string::npos) end = bytes.size();
            std::string_view line(bytes.data() + at, end - at);
            at = end + 1;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (line.starts_with(TimeHeaderGbk())) {
                const std::vector<std::string> fields = SplitCsvLine(line);
                columnPoint.assign(fields.size() > 0 ? fields.size() - 1 : 0, -1);
                for (std::size_t c = 1; c < fields.size(); ++c) {
                    const auto found = std::find(gbkNames.begin(), gbkNames.end(), fields[c]);
                    if (found != gbkNames.end())
                        columnPoint[c - 1] = static_cast<int>(found - gbkNames.begin());
                }
                previousMs.reset();  // a new run: the curves break
                for (auto& curve : curves) {
                    if (!curve.empty() && !IsGap(curve.back().value))
                        curve.push_back(Sample{curve.back().msSinceEpoch + 1, kGap});
                }
                continue;
            }
            const std::optional<TrendLine> parsed = ParseTrendLine(line);
            if (!parsed) continue;
            const std::int64_t ms = day * kMsPerDay + parsed->secondOfDay * kMsPerSecond;
            const bool pause = previousMs && (ms - *previousMs > kFileGapMs || ms < *previousMs);
            previousMs = ms;
            if (!range.Contains(ms)) continue;
            for (std::size_t c = 0; c < parsed->values.size() && c < columnPoint.size(); ++c) {
                const int p = columnPoint[c];
                if (p < 0) continue;
                auto& curve = curves[static_cast<std::size_t>(p)];
                if (pause && !curve.empty() && !IsGap(curve.back().value))
                    curve.push_back(Sample{ms - 1, kGap});
                const float v = parsed->values[c];
                if (IsGap(v) && !curve.empty() && IsGap(curve.back().value)) continue;
                curve.push_back(Sample{ms, v});
            }
        }
    }
    // A clock set back leaves lines out of order; the curves are drawn in time order.
    for (auto& curve : curves) {
        std::stable_sort(curve.begin(), curve.end(),
                         [](const Sample& a, const Sample& b) { return a.msSinceEpoch < b.msSinceEpoch; });
    }
    return curves;
}

}  // namespace trend
