#include "spreadsheet/CompoundFile.h"

#include <algorithm>
#include <vector>

#include "spreadsheet/Utf16.h"

namespace spreadsheet {
namespace {

constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kSector = 512;
constexpr std::size_t kHeaderDifat = 109;
constexpr std::size_t kMiniStreamCutoff = 4096;
constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

Bytes DirectoryEntry(std::u16string_view name, unsigned type, std::uint32_t child, std::uint32_t start,
                     std::uint32_t size) {
    Bytes e;
    for (std::size_t i = 0; i < 32; ++i) PutU16(e, i < name.size() ? name[i] : 0);
    PutU16(e, name.empty() ? 0 : static_cast<unsigned>((name.size() + 1) * 2));
    PutU8(e, type);
    PutU8(e, 1);  // black
    PutU32(e, kNoStream);
    PutU32(e, kNoStream);
    PutU32(e, child);
    e.append(16, '\0');  // class id
    PutU32(e, 0);        // state bits
    e.append(16, '\0');  // creation and modification times
    PutU32(e, start);
    PutU32(e, size);
    PutU32(e, 0);
    return e;
}

}  // namespace

Bytes WriteCompoundFile(std::string_view workbookStream) {
    Bytes stream(workbookStream);
    if (stream.size() < kMiniStreamCutoff) stream.resize(kMiniStreamCutoff, '\0');
    const auto streamSize = static_cast<std::uint32_t>(stream.size());
    const std::size_t streamSectors = (stream.size() + kSector - 1) / kSector;
    stream.resize(streamSectors * kSector, '\0');

    // Sector layout: the stream, one directory sector, the FAT sectors, the DIFAT sectors.
    const std::size_t perSector = kSector / 4;
    std::size_t fatSectors = 1, difatSectors = 0;
    while (true) {
        const std::size_t total = streamSectors + 1 + fatSectors + difatSectors;
        const std::size_t needFat = (total + perSector - 1) / perSector;
        const std::size_t needDifat =
            needFat > kHeaderDifat ? (needFat - kHeaderDifat + perSector - 2) / (perSector - 1) : 0;
        if (needFat == fatSectors && needDifat == difatSectors) break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const std::uint32_t dirSector = static_cast<std::uint32_t>(streamSectors);
    const std::uint32_t firstFat = dirSector + 1;
    const std::uint32_t firstDifat = firstFat + static_cast<std::uint32_t>(fatSectors);

    std::vector<std::uint32_t> fat(fatSectors * perSector, kFreeSect);
    for (std::size_t i = 0; i < streamSectors; ++i)
        fat[i] = i + 1 < streamSectors ? static_cast<std::uint32_t>(i + 1) : kEndOfChain;
    fat[dirSector] = kEndOfChain;
    for (std::size_t i = 0; i < fatSectors; ++i) fat[firstFat + i] = kFatSect;
    for (std::size_t i = 0; i < difatSectors; ++i) fat[firstDifat + i] = kDifSect;

    Bytes out;
    out.append(kSignature, 8);
    out.append(16, '\0');
    PutU16(out, 0x003E);  // minor version
    PutU16(out, 0x0003);  // major version 3
    PutU16(out, 0xFFFE);  // little-endian
    PutU16(out, 9);       // 512-byte sectors
    PutU16(out, 6);       // 64-byte mini sectors
    out.append(6, '\0');
    PutU32(out, 0);  // directory sectors (always 0 in version 3)
    PutU32(out, static_cast<std::uint32_t>(fatSectors));
    PutU32(out, dirSector);
    PutU32(out, 0);  // transactions
    PutU32(out, kMiniStreamCutoff);
    PutU32(out, kEndOfChain);  // no mini FAT
    PutU32(out, 0);
    PutU32(out, difatSectors ? firstDifat : kEndOfChain);
    PutU32(out, static_cast<std::uint32_t>(difatSectors));
    for (std::size_t i = 0; i < kHeaderDifat; ++i)
        PutU32(out, i < fatSectors ? firstFat + static_cast<std::uint32_t>(i) : kFreeSect);

    out += stream;
    Bytes dir = DirectoryEntry(u"Root Entry", 5, 1, kEndOfChain, 0);
    dir += DirectoryEntry(u"Workbook", 2, kNoStream, 0, streamSize);
    dir += DirectoryEntry(u"", 0, kNoStream, 0, 0);
    dir += DirectoryEntry(u"", 0, kNoStream, 0, 0);
    out += dir;
    for (std::uint32_t v : fat) PutU32(out, v);
    for (std::size_t d = 0; d < difatSectors; ++d) {
        for (std::size_t i = 0; i < perSector - 1; ++i) {
            const std::size_t fatIndex = kHeaderDifat + d * (perSector - 1) + i;
            PutU32(out, fatIndex < fatSectors ? firstFat + static_cast<std::uint32_t>(fatIndex) : kFreeSect);
        }
        PutU32(out, d + 1 < difatSectors ? firstDifat + static_cast<std::uint32_t>(d + 1) : kEndOfChain);
    }
    return out;
}

namespace {

class Container {
  public:
    explicit Container(std::string_view file) : file_(file) {}

    bool Open(std::string* error) {
        if (file_.size() < 512 || file_.substr(0, 8) != std::string_view(kSignature, 8))
            return Fail(error, "not a compound file");
        const unsigned shift = GetU16(file_, 30);
        if (shift != 9 && shift != 12) return Fail(error, "unsupported sector size");
        sector_ = std::size_t{1} << shift;
        miniSector_ = std::size_t{1} << std::min<unsigned>(GetU16(file_, 32), 12);
        cutoff_ = GetU32(file_, 56);
        const std::uint32_t fatCount = GetU32(file_, 44);
        const std::uint32_t dirStart = GetU32(file_, 48);
        const std::uint32_t miniFatStart = GetU32(file_, 60);
        std::uint32_t difatNext = GetU32(file_, 68);

        // The sectors of the FAT: 109 in the header, the rest in a chain of DIFAT sectors. Each is a sector
        // of the file, listed once, so a FAT can have no more sectors than the file holds.
        const std::size_t sectors = SectorCount();
        if (fatCount > sectors) return Fail(error, "FAT larger than the file");
        std::vector<std::uint32_t> fatSectors;
        for (std::size_t i = 0; i < kHeaderDifat && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(GetU32(file_, 76 + 4 * i));
        const std::size_t perSector = sector_ / 4;
        std::vector<bool> difatSeen(sectors, false);
        while (fatSectors.size() < fatCount && difatNext <= kMaxRegSect) {
            if (difatNext >= sectors) return Fail(error, "DIFAT sector out of range");
            if (difatSeen[difatNext]) return Fail(error, "DIFAT chain loops");
            difatSeen[difatNext] = true;
            const auto s = Sector(difatNext);
            if (!s) return Fail(error, "DIFAT sector out of range");
            for (std::size_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
                fatSectors.push_back(GetU32(*s, 4 * i));
            difatNext = GetU32(*s, sector_ - 4);
        }
        if (fatSectors.size() < fatCount) return Fail(error, "FAT incomplete");
        std::vector<bool> fatSeen(sectors, false);
        fat_.reserve(fatSectors.size() * perSector);
        for (std::uint32_t fs : fatSectors) {
            const auto s = Sector(fs);
            if (!s) return Fail(error, "FAT sector out of range");
            if (fatSeen[fs]) return Fail(error, "FAT sector listed twice");
            fatSeen[fs] = true;
            for (std::size_t i = 0; i < perSector; ++i) fat_.push_back(GetU32(*s, 4 * i));
        }
        if (!Chain(
                fat_, dirStart, [&](std::uint32_t n) { return Sector(n); }, directory_))
            return Fail(error, "damaged directory");
        if (miniFatStart <= kMaxRegSect) {
            Bytes miniFatBytes;
            if (!Chain(
                    fat_, miniFatStart, [&](std::uint32_t n) { return Sector(n); }, miniFatBytes))
                return Fail(error, "damaged mini FAT");
            for (std::size_t i = 0; i + 4 <= miniFatBytes.size(); i += 4)
                miniFat_.push_back(GetU32(miniFatBytes, i));
        }
        return true;
    }

    std::optional<Bytes> Stream(std::u16string_view wanted, std::string* error) {
        const std::size_t entries = directory_.size() / 128;
        if (entries == 0) return Fail(error, "empty directory"), std::nullopt;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::string_view e = std::string_view(directory_).substr(i * 128, 128);
            if (GetU8(e, 66) != 2) continue;
            const std::size_t nameBytes = std::min<std::size_t>(GetU16(e, 64), 64);
            std::u16string name;
            for (std::size_t k = 0; k + 1 < nameBytes; k += 2) {
                const char16_t c = static_cast<char16_t>(GetU16(e, k));
                if (c == 0) break;
                name.push_back(c);
            }
            if (!SameName(name, wanted)) continue;
            const std::uint32_t start = GetU32(e, 116);
            const std::uint64_t size = GetU32(e, 120);  // version 3 keeps only 32 bits
            Bytes data;
            bool ok = false;
            if (size < cutoff_) {
                Bytes miniStream;
                const std::string_view root = std::string_view(directory_).substr(0, 128);
                if (!Chain(
                        fat_, GetU32(root, 116), [&](std::uint32_t n) { return Sector(n); }, miniStream))
                    return Fail(error, "damaged mini stream"), std::nullopt;
                ok = Chain(
                    miniFat_, start,
                    [&](std::uint32_t n) -> std::optional<std::string_view> {
                        const std::size_t at = static_cast<std::size_t>(n) * miniSector_;
                        if (at + miniSector_ > miniStream.size()) return std::nullopt;
                        return std::string_view(miniStream).substr(at, miniSector_);
                    },
                    data);
            } else {
                ok = Chain(
                    fat_, start, [&](std::uint32_t n) { return Sector(n); }, data);
            }
            if (!ok || data.size() < size) return Fail(error, "damaged workbook stream"), std::nullopt;
            data.resize(size);
            return data;
        }
        return Fail(error, "no workbook stream"), std::nullopt;
    }

  private:
    static bool Fail(std::string* error, const char* why) {
        if (error) *error = why;
        return false;
    }

    static bool SameName(std::u16string_view a, std::u16string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            auto lower = [](char16_t c) {
                return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
            };
            if (lower(a[i]) != lower(b[i])) return false;
        }
        return true;
    }

    // The whole sectors after the header.
    std::size_t SectorCount() const {
        return file_.size() > sector_ ? (file_.size() - sector_) / sector_ : 0;
    }

    // Sector n starts after the header, which takes one sector of the file's sector size.
    std::optional<std::string_view> Sector(std::uint32_t n) const {
        const std::uint64_t at = (static_cast<std::uint64_t>(n) + 1) * sector_;
        if (n > kMaxRegSect || at + sector_ > file_.size()) return std::nullopt;
        return file_.substr(at, sector_);
    }

    // Follows a chain through `table`, appending each unit; a unit met twice means the chain loops. Units
    // past the end of what `get` reaches are refused by it, so the visited set is no larger than the file.
    template <typename Get>
    static bool Chain(const std::vector<std::uint32_t>& table, std::uint32_t start, Get get, Bytes& out) {
        std::vector<bool> seen;
        for (std::uint32_t n = start; n != kEndOfChain;) {
            if (n >= table.size()) return false;
            const auto unit = get(n);
            if (!unit) return false;
            if (n >= seen.size()) seen.resize(std::max<std::size_t>(n + 1, seen.size() * 2), false);
            if (seen[n]) return false;
            seen[n] = true;
            out.append(unit->data(), unit->size());
            n = table[n];
        }
        return true;
    }

    std::string_view file_;
    std::size_t sector_ = kSector;
    std::size_t miniSector_ = 64;
    std::uint64_t cutoff_ = kMiniStreamCutoff;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    Bytes directory_;
};

}  // namespace

std::optional<Bytes> ReadWorkbookStream(std::string_view file, std::string* error) {
    Container container(file);
    if (!container.Open(error)) return std::nullopt;
    return container.Stream(u"Workbook", error);
}

}  // namespace spreadsheet
