#pragma once
// The process-wide point tables, loaded once at start-up from the program folder's 配置文件/VARN.ini.
#include <mutex>

#include "config/PointTables.h"

namespace config {

YcTable& Yc();
YxTable& Yx();
ParamTable& Param();
SettingTable& Setting();

// Guards the runtime fields that one thread writes while another reads them. Hold it only for short copies,
// never across a call into the UI, a sleep or a send.
std::mutex& TablesMutex();

// Loads the four tables in the order YC, YX, CS, DZ. A missing file leaves every table at its defaults
// (Number 0).
void LoadAllTables();

}  // namespace config
