#include "config/TableLoader.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "config/ColourByName.h"
#include "platform/Profile.h"

namespace config {

namespace {

// Default names, GBK.
constexpr std::string_view kYcDefaultName = "\xD2\xA3\xB2\xE2\xC3\xFB\xB3\xC6";       // 遥测名称
constexpr std::string_view kYxDefaultName = "\xD2\xA3\xD0\xC5\xC3\xFB\xB3\xC6";       // 遥信名称
constexpr std::string_view kParamDefaultName = "\xB2\xCE\xCA\xFD\xC3\xFB\xB3\xC6";    // 参数名称
constexpr std::string_view kSettingDefaultName = "\xB6\xA8\xD6\xB5\xC3\xFB\xB3\xC6";  // 定值名称

// Reads the keys of one section. Integers are cut to the width of the field they go to.
class SectionReader {
  public:
    SectionReader(const platform::ProfileSnapshot& file, const char* section)
        : file_(file), section_(section) {}

    int Int(const std::string& key, int def) const { return file_.GetInt(section_, key, def); }
    std::uint16_t U16(const std::string& key, int def) const {
        return static_cast<std::uint16_t>(Int(key, def));
    }
    std::uint8_t U8(const std::string& key, int def) const {
        return static_cast<std::uint8_t>(Int(key, def));
    }
    // Integer limits of the calibration range; the value is taken as unsigned, as the profile API returns it.
    float UnsignedFloat(const std::string& key, int def) const {
        return static_cast<float>(static_cast<std::uint32_t>(Int(key, def)));
    }

    void ReadText(const std::string& key, std::string_view def, Text& out) const {
        SetText(out, file_.GetString(section_, key, std::string(def), kTextSize));
    }
    Rgb Colour(const std::string& key) const {
        return ColourByName(file_.GetString(section_, key, "", kTextSize));
    }

  private:
    const platform::ProfileSnapshot& file_;
    std::string section_;
};

std::string PointKey(int n, const char* word) {
    return std::to_string(n) + "." + word;
}

std::uint16_t ClampCount(std::uint16_t number) {
    return std::min<std::uint16_t>(number, static_cast<std::uint16_t>(kPointCount));
}

}  // namespace

void LoadYcTable(const std::string& path, YcTable& t) {
    const platform::ProfileSnapshot file(path);
    const SectionReader ini(file, "YC");
    t.AskNumber = ini.U16("AskNumber", 0);
    t.Number = ClampCount(ini.U16("Number", 0));
    t.TimePost = ini.U16("TimePost", 0);
    t.VersionPost = ini.U16("VersionPost", 0);
    t.YXPost = ini.U16("YXPost", 0);
    for (int n = 1; n <= kPointCount; ++n) {
        const int i = n - 1;
        ini.ReadText(PointKey(n, "Name"), kYcDefaultName, t.Name[i]);
        t.CC2[i] = ini.U16(PointKey(n, "CC2"), 1);
        t.Type[i] = ini.U8(PointKey(n, "Type"), 1);
        t.Post[i] = ini.U8(PointKey(n, "Post"), 0);
        t.PostH[i] = ini.U8(PointKey(n, "PostH"), 0);
        t.ColorBack[i] = ini.Colour(PointKey(n, "ColorBack"));
        t.ColorText[i] = ini.Colour(PointKey(n, "ColorText"));
        t.bCanBeClick[i] = ini.Int(PointKey(n, "bCanBeClick"), 0);
        t.bCheckMemery[i] = ini.U16(PointKey(n, "bCheckMemery"), 65535);
        t.Max[i] = ini.UnsignedFloat(PointKey(n, "Max"), 65535);
        t.Min[i] = ini.UnsignedFloat(PointKey(n, "Min"), 0);
        t.RawValue[i] = kRawNone;
        t.Value[i] = 0.0f;
        t.ShownValue[i] = kShownValueNone;
    }
}

void LoadYxTable(const std::string& path, YxTable& t) {
    const platform::ProfileSnapshot file(path);
    const SectionReader ini(file, "YX");
    t.Number = ClampCount(ini.U16("Number", 0));
    for (int n = 1; n <= kPointCount; ++n) {
        const int i = n - 1;
        ini.ReadText(PointKey(n, "Name"), kYxDefaultName, t.Name[i]);
        t.Post[i] = ini.U8(PointKey(n, "Post"), 0);
        t.ColorBack[i] = ini.Colour(PointKey(n, "ColorBack"));
        t.ColorText[i] = ini.Colour(PointKey(n, "ColorText"));
        t.State[i] = 0;
        t.PrevState[i] = kStateAbsent;
    }
}

void LoadParamTable(const std::string& path, ParamTable& t) {
    const platform::ProfileSnapshot file(path);
    const SectionReader ini(file, "CS");
    t.Start = ini.U16("Start", 0);
    t.Number = ClampCount(ini.U16("Number", 0));
    t.YKWayPost = ini.U8("YKWayPost", 0);
    for (int n = 1; n <= kPointCount; ++n) {
        const int i = n - 1;
        ini.ReadText(PointKey(n, "Name"), kParamDefaultName, t.Name[i]);
        t.ShowName[i] = ini.U16(PointKey(n, "ShowName"), 1);
        t.CC2[i] = ini.U16(PointKey(n, "CC2"), 1);
        t.Post[i] = ini.U8(PointKey(n, "Post"), 0);
        t.ColorBack[i] = ini.Colour(PointKey(n, "ColorBack"));
        t.ColorText[i] = ini.Colour(PointKey(n, "ColorText"));
        t.RawValue[i] = kRawNone;
        t.Reserved[i] = 0;
    }
}

void LoadSettingTable(const std::string& path, SettingTable& t) {
    const platform::ProfileSnapshot file(path);
    const SectionReader ini(file, "DZ");
    t.Start = ini.U16("Start", 0);
    t.Number = ClampCount(ini.U16("Number", 0));
    for (int n = 1; n <= kPointCount; ++n) {
        const int i = n - 1;
        ini.ReadText(PointKey(n, "Name"), kSettingDefaultName, t.Name[i]);
        // The stored raw value is read but never used: every setting counts as not read until the relay
        // has sent it.
        (void)ini.Int(PointKey(n, "wValue"), 65535);
        t.RawValue[i] = kRawNone;
        t.CC2[i] = ini.U16(PointKey(n, "CC2"), 1);
        // A divisor of 0 would divide by zero; such a setting is shown unscaled.
        t.Value[i] = static_cast<float>(t.RawValue[i]) / static_cast<float>(t.CC2[i] == 0 ? 1 : t.CC2[i]);
        t.Max[i] = ini.U16(PointKey(n, "Max"), 65535);
        t.Min[i] = ini.U16(PointKey(n, "Min"), 0);
        t.Post[i] = ini.U8(PointKey(n, "Post"), 0);
        t.ColorBack[i] = ini.Colour(PointKey(n, "ColorBack"));
        t.ColorText[i] = ini.Colour(PointKey(n, "ColorText"));
        t.ValueNmuber[i] = std::min<std::uint8_t>(ini.U8(PointKey(n, "ValueNmuber"), 0),
                                                  static_cast<std::uint8_t>(kDescriptionCount));
        for (auto& description : t.ValueDescribe[i]) description.fill('\0');
        for (int m = 1; m <= t.ValueNmuber[i]; ++m) {
            ini.ReadText(std::to_string(n) + "." + std::to_string(m) + ".ValueDescribe", "",
                         t.ValueDescribe[i][m - 1]);
        }
    }
}

YcTable LoadYcTable(const std::string& path) {
    YcTable table;
    LoadYcTable(path, table);
    return table;
}

YxTable LoadYxTable(const std::string& path) {
    YxTable table;
    LoadYxTable(path, table);
    return table;
}

ParamTable LoadParamTable(const std::string& path) {
    ParamTable table;
    LoadParamTable(path, table);
    return table;
}

SettingTable LoadSettingTable(const std::string& path) {
    SettingTable table;
    LoadSettingTable(path, table);
    return table;
}

}  // namespace config
