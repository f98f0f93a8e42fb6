#include "config/Tables.h"

#include <memory>
#include <string>

#include "config/TableLoader.h"
#include "platform/ProgramFolder.h"

namespace config {

YcTable& Yc() {
    static YcTable table;
    return table;
}

YxTable& Yx() {
    static YxTable table;
    return table;
}

ParamTable& Param() {
    static ParamTable table;
    return table;
}

SettingTable& Setting() {
    static SettingTable table;
    return table;
}

std::mutex& TablesMutex() {
    static std::mutex mutex;
    return mutex;
}

void LoadAllTables() {
    const std::string path = platform::InProgramFolder("配置文件/VARN.ini");
    // Read into fresh records first, so the lock is held only for the copies.
    auto yc = std::make_unique<YcTable>();
    auto yx = std::make_unique<YxTable>();
    auto param = std::make_unique<ParamTable>();
    auto setting = std::make_unique<SettingTable>();
    LoadYcTable(path, *yc);
    LoadYxTable(path, *yx);
    LoadParamTable(path, *param);
    LoadSettingTable(path, *setting);

    const std::lock_guard<std::mutex> lock(TablesMutex());
    Yc() = *yc;
    Yx() = *yx;
    Param() = *param;
    Setting() = *setting;
}

}  // namespace config
