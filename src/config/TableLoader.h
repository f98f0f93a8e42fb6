#pragma once
// Loaders of the point tables from one VARN.ini. A missing file, section or key gives the defaults; nothing
// is reported. Each loader fills every field of its table, the runtime fields with their start values.
#include <string>

#include "config/PointTables.h"

namespace config {

// `path` is a UTF-8 file name.
void LoadYcTable(const std::string& path, YcTable& table);
void LoadYxTable(const std::string& path, YxTable& table);
void LoadParamTable(const std::string& path, ParamTable& table);
void LoadSettingTable(const std::string& path, SettingTable& table);

YcTable LoadYcTable(const std::string& path);
YxTable LoadYxTable(const std::string& path);
ParamTable LoadParamTable(const std::string& path);
SettingTable LoadSettingTable(const std::string& path);

}  // namespace config
