#include "ui/events/EventRecordFormat.h"

#include <cstdio>

namespace ui {

const std::array<const char*, 255> EventNameTable = [] {
    std::array<const char*, 255> table{};
    table.fill("");
    const char* const named[] = {
        "上电",           "信号复归",       "遥控操作",       "定值修改成功",   "定值修改失败",
        "参数修改成功",   "参数修改失败",   "轻瓦斯保护告警", "轻瓦斯保护跳闸", "重瓦斯保护告警",
        "重瓦斯保护跳闸", "油温高保护告警", "油温高保护跳闸", "油温超高告警",   "油温超高跳闸",
        "油位低告警",     "油位低跳闸",     "压力异常告警",   "压力异常跳闸",
    };
    for (std::size_t i = 0; i < std::size(named); ++i) table[i + 1] = named[i];
    // Codes 20..31 for the first side; 32..43 and 44..55 repeat them for sides 2# and 3#.
    const char* const sides[3][12] = {
        {"过流I段告警", "过流I段跳闸", "过流II段告警", "过流II段跳闸", "过流III段保护告警",
         "过流III段保护跳闸", "接地保护告警", "接地保护跳闸", "过压保护告警", "过压保护跳闸", "欠压保护告警",
         "欠压保护跳闸"},
        {"2#过流I段告警", "2#过流I段跳闸", "2#过流II段告警", "2#过流II段跳闸", "2#过流III段保护告警",
         "2#过流III段保护跳闸", "2#接地保护告警", "2#接地保护跳闸", "2#过压保护告警", "2#过压保护跳闸",
         "2#欠压保护告警", "2#欠压保护跳闸"},
        {"3#过流I段告警", "3#过流I段跳闸", "3#过流II段告警", "3#过流II段跳闸", "3#过流III段保护告警",
         "3#过流III段保护跳闸", "3#接地保护告警", "3#接地保护跳闸", "3#过压保护告警", "3#过压保护跳闸",
         "3#欠压保护告警", "3#欠压保护跳闸"},
    };
    for (int side = 0; side < 3; ++side) {
        for (int k = 0; k < 12; ++k) table[20 + 12 * side + k] = sides[side][k];
    }
    return table;
}();

const char* EventName(std::uint8_t code) {
    return code < EventNameTable.size() ? EventNameTable[code] : "";
}

bool EventRecordValid(const std::uint8_t* record) {
    const unsigned minute = record[3], hour = record[4], day = record[5], month = record[6], year = record[7];
    return minute <= 60 && hour <= 24 && day >= 1 && day <= 31 && month >= 1 && month <= 12 && year != 0;
}

std::string EventRecordLine(unsigned sequence, const std::uint8_t* record) {
    char line[160];
    if (!EventRecordValid(record)) {
        std::snprintf(line, sizeof line, "%03u、%s", sequence, "无记录");
        return line;
    }
    const unsigned ms = record[1] | (record[2] << 8);
    std::snprintf(line, sizeof line, "%03u、%04d-%02d-%02d %02d:%02d:%02u.%03u，%s%s", sequence,
                  2000 + record[7], record[6], record[5], record[4], record[3], ms / 1000, ms % 1000,
                  EventName(record[0]), "。");
    return line;
}

std::string EventSaveName(const platform::LocalTime& time) {
    char name[80];
    std::snprintf(name, sizeof name, "(事件记录%02d-%02d-%02d %02d.%02d).txt", time.year - 2000, time.month,
                  time.day, time.hour, time.minute);
    return name;
}

}  // namespace ui
