#include "engine/EngineContext.h"

#include "config/Tables.h"
#include "log/OperationLog.h"
#include "platform/ProgramFolder.h"

namespace engine {

void EngineContext::UseProcessDefaults() {
    if (!yc) yc = &config::Yc();
    if (!yx) yx = &config::Yx();
    if (!param) param = &config::Param();
    if (!setting) setting = &config::Setting();
    if (!tablesMutex) tablesMutex = &config::TablesMutex();
    if (!log) log = [](const std::string& text) { oplog::LogOperation(text); };
    if (basicSettingsPath.empty()) basicSettingsPath = platform::InProgramFolder("配置文件/基本配置.ini");
}

void EngineContext::Log(const std::string& text) const {
    if (log) log(text);
}

void EngineContext::Play(const std::string& name) const {
    if (play) play(name);
}

platform::LocalTime EngineContext::Now() const {
    return clock ? clock->Now() : platform::CurrentClock().Now();
}

}  // namespace engine
