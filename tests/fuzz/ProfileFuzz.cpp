// The private-profile (INI) parser: the reads the table loaders and the main window make, and a write.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "config/TableLoader.h"
#include "platform/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryFile file;
    file.Fill(data, size);
    platform::ProfileSnapshot snapshot(file.Path());
    snapshot.GetInt("YC", "Number", 0);
    snapshot.GetInt("Settings", "Port", 2);
    snapshot.GetString("YC", "1.Name", "遥测名称", 32);
    snapshot.GetString("DZ", "1.1.ValueDescribe", "", 32);
    static config::YcTable yc;
    config::LoadYcTable(file.Path(), yc);
    // The write keeps every other byte: replaces a value, adds a key or a section.
    static const std::string path = fuzz::ScratchFolder() + "/profile.ini";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    platform::ProfileWriteString(path, "Settings", "Port", "7");
    return 0;
}
