#pragma once
// What the simulated relay needs to know about its own register image: where the clock, the version, the
// telesignals, the telemetry and the two blocks lie. Filled from VARN.ini so the relay and the host agree.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace relaysim {

struct YcPoint {
    std::string name;  // UTF-8
    int post = 0;      // 1-based register position in the poll image, 0 = none
    int postH = 0;     // 1-based position of the high word, 0 = 16-bit point
    unsigned cc2 = 1;  // divisor; 0 behaves as 1
    int type = 1;      // 1 = both words signed, 5 = low word signed, else unsigned
    float max = 65535.0f;
    float min = 0.0f;
    unsigned checkRegister = 65535;  // calibration coefficient register, 65535 = none
};

struct YxPoint {
    std::string name;  // UTF-8
    int post = 0;      // 1-based bit number counted from the first telesignal register
};

struct BlockEntry {
    std::string name;  // UTF-8
    int post = 0;      // 1-based register position inside the block
    unsigned cc2 = 1;
    unsigned max = 65535;
    unsigned min = 0;
    int choices = 0;  // settings: number of described values, 0 = numeric
};

struct Layout {
    int askNumber = 0;
    int timePost = 0;
    int versionPost = 0;
    int yxPost = 0;
    std::vector<YcPoint> yc;
    std::vector<YxPoint> yx;
    int paramStart = 0;
    std::vector<BlockEntry> params;
    int settingStart = 0;
    std::vector<BlockEntry> settings;
};

// Reads the four sections of a VARN.ini (GBK) through the point-table loaders. Empty when the file is absent.
std::optional<Layout> LoadLayout(const std::string& iniPath);

}  // namespace relaysim
