// Project files as OpenProjectFile reads them: the size check and the field-by-field decoding. An input
// shorter than a project file is repeated to fill one.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "ui/settings/ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryFile file;
    static auto setting = std::make_unique<config::SettingTable>();
    static auto param = std::make_unique<config::ParamTable>();
    file.Fill(data, size);
    std::vector<std::uint8_t> image;
    ui::ReadProjectFile(file.Path(), image);
    if (size == 0) return 0;
    image.resize(ui::kProjectFileSize);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = data[i % size];
    if (ui::DecodeProject(image, *setting, *param)) {
        // What was decoded encodes again to a project file.
        if (ui::EncodeProject(*setting, *param).size() != ui::kProjectFileSize) __builtin_trap();
    }
    return 0;
}
