// Project files as OpenProjectFile reads them: the size check, the field-by-field decoding and the round
// trip of what was decoded. An input
// shorter than a project file is repeated to fill one.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "ui/settings/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryFile file;
    static auto setting = std::make_unique<config::SettingTable>();
    static auto param = std::make_unique<config::ParamTable>();
    static auto settingAgain = std::make_unique<config::SettingTable>();
    static auto paramAgain = std::make_unique<config::ParamTable>();
    file.Fill(data, size);
    std::vector<std::uint8_t> image;
    ui::ReadProjectFile(file.Path(), image);
    if (size == 0) return 0;
    image.resize(ui::kProjectFileSize);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = data[i % size];
    if (!ui::DecodeProject(image, *setting, *param)) __builtin_trap();
    // A file the program wrote reads back into the same tables and writes again byte for byte. The tables
    // are value-initialised and only their fields are written, so their bytes compare whole.
    const std::vector<std::uint8_t> saved = ui::EncodeProject(*setting, *param);
    if (!ui::DecodeProject(saved, *settingAgain, *paramAgain)) __builtin_trap();
    if (std::memcmp(setting.get(), settingAgain.get(), sizeof(config::SettingTable)) != 0) __builtin_trap();
    if (std::memcmp(param.get(), paramAgain.get(), sizeof(config::ParamTable)) != 0) __builtin_trap();
    if (ui::EncodeProject(*settingAgain, *paramAgain) != saved) __builtin_trap();
    return 0;
}
