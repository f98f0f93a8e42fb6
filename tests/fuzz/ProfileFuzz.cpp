// The private-profile (INI) parser: the reads the table loaders and the main window make, and a write.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

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
    const std::string before(reinterpret_cast<const char*>(data), size);
    const bool written = platform::ProfileWriteString(path, "Settings", "Port", "7");
    std::ifstream in(path, std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!written) {
        if (after != before) __builtin_trap();
        return 0;
    }
    // Between the unchanged head and tail lies at most one line's old value, and in its place the new
    // value or the added key (with its section and line breaks); every line end stays.
    std::size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    std::size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const std::string_view removed = std::string_view(before).substr(head, before.size() - head - tail);
    const std::string_view added = std::string_view(after).substr(head, after.size() - head - tail);
    constexpr std::string_view kLongestAddition = "\r\n[Settings]\r\nPort=7\r\n";
    const auto lineEnds = [](std::string_view text) {
        std::size_t n = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2))
            ++n;
        return n;
    };
    if (removed.find('\n') != std::string_view::npos || added.size() > kLongestAddition.size() ||
        added.find_first_not_of(kLongestAddition) != std::string_view::npos ||
        lineEnds(after) != lineEnds(before) + lineEnds(added))
        __builtin_trap();
    if (platform::ProfileSnapshot(path).GetString("Settings", "Port", "", 32) != "7") __builtin_trap();
    return 0;
}
