// The loaders of the telesignal (YX), parameter (CS) and setting (DZ) tables on any INI text: counts within
// the tables, every text ended inside its field, at most as many value descriptions as a setting holds.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "FuzzSupport.h"
#include "config/TableLoader.h"

namespace {

bool Ended(const config::Text& text) {
    for (char c : text)
        if (c == '\0') return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryFile file;
    static auto yx = std::make_unique<config::YxTable>();
    static auto param = std::make_unique<config::ParamTable>();
    static auto setting = std::make_unique<config::SettingTable>();
    file.Fill(data, size);
    config::LoadYxTable(file.Path(), *yx);
    config::LoadParamTable(file.Path(), *param);
    config::LoadSettingTable(file.Path(), *setting);
    if (yx->Number > config::kPointCount || param->Number > config::kPointCount ||
        setting->Number > config::kPointCount)
        __builtin_trap();
    for (int i = 0; i < config::kPointCount; ++i) {
        if (!Ended(yx->Name[i]) || !Ended(param->Name[i]) || !Ended(setting->Name[i])) __builtin_trap();
        if (setting->ValueNmuber[i] > config::kDescriptionCount) __builtin_trap();
        for (const auto& description : setting->ValueDescribe[i])
            if (!Ended(description)) __builtin_trap();
        if (setting->RawValue[i] != config::kRawNone || param->RawValue[i] != config::kRawNone)
            __builtin_trap();
    }
    return 0;
}
