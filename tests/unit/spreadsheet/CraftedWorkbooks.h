#pragma once
// Workbook files built to make a careless reader use memory without bound. The tests, the fuzz seed corpus
// and the measuring driver in bench/spreadsheet all take them from here.
#include <cstdint>
#include <string>
#include <vector>

#include "spreadsheet/BiffRecords.h"
#include "spreadsheet/BiffWriter.h"
#include "spreadsheet/ByteIo.h"
#include "spreadsheet/CompoundFile.h"
#include "spreadsheet/Utf16.h"

namespace spreadsheet::testing::crafted {

inline constexpr std::uint32_t kFree = 0xFFFFFFFF;
inline constexpr std::uint32_t kEnd = 0xFFFFFFFE;
inline constexpr std::uint32_t kFatMark = 0xFFFFFFFD;
inline constexpr std::uint32_t kDifatMark = 0xFFFFFFFC;

// A container header of version 3 (512-byte sectors) or 4 (4096-byte sectors) with the given FAT size, its
// first 109 FAT sectors, directory start and DIFAT chain start; padded to one sector.
inline Bytes Header(unsigned shift, std::uint32_t fatCount, const std::vector<std::uint32_t>& headerDifat,
                    std::uint32_t dirStart, std::uint32_t difatStart, std::uint32_t difatCount) {
    Bytes h("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h.append(16, '\0');
    PutU16(h, 0x3E);
    PutU16(h, shift == 12 ? 4 : 3);
    PutU16(h, 0xFFFE);
    PutU16(h, shift);
    PutU16(h, 6);
    h.append(6, '\0');
    for (std::uint32_t v : {0u, fatCount, dirStart, 0u, 4096u, kEnd, 0u, difatStart, difatCount})
        PutU32(h, v);
    for (std::size_t i = 0; i < 109; ++i) PutU32(h, i < headerDifat.size() ? headerDifat[i] : kFree);
    h.resize(std::size_t{1} << shift, '\0');
    return h;
}

// One directory sector: the root and a "Workbook" stream at `start` of `size` bytes.
inline Bytes Directory(std::size_t sector, std::uint32_t start, std::uint32_t size) {
    Bytes dir;
    auto entry = [&](std::u16string_view name, unsigned type, std::uint32_t child, std::uint32_t first,
                     std::uint32_t bytes) {
        for (std::size_t i = 0; i < 32; ++i) PutU16(dir, i < name.size() ? name[i] : 0);
        PutU16(dir, static_cast<unsigned>((name.size() + 1) * 2));
        PutU8(dir, type);
        PutU8(dir, 1);
        PutU32(dir, kFree);
        PutU32(dir, kFree);
        PutU32(dir, child);
        dir.append(36, '\0');
        PutU32(dir, first);
        PutU32(dir, bytes);
        PutU32(dir, 0);
    };
    entry(u"Root Entry", 5, 1, kEnd, 0);
    entry(u"Workbook", 2, kFree, start, size);
    dir.resize(sector, '\0');
    return dir;
}

inline Bytes Sector(std::size_t size, const std::vector<std::uint32_t>& values, std::uint32_t fill) {
    Bytes s;
    for (std::size_t i = 0; i < size / 4; ++i) PutU32(s, i < values.size() ? values[i] : fill);
    return s;
}

// 64 KiB, 512-byte sectors. Sector 0 is the FAT and maps the directory sector 1 onto itself; the header and
// a DIFAT chain through sectors 2..72 list sector 0 as each of 9126 FAT sectors, so the FAT claims 1.17
// million sectors where the file has 127.
inline Bytes SelfMappedFat() {
    constexpr std::size_t kSectorSize = 512;
    constexpr std::uint32_t kFirstDifat = 2, kDifatSectors = 71;
    const std::uint32_t fatCount = 109 + kDifatSectors * 127;
    Bytes file = Header(9, fatCount, std::vector<std::uint32_t>(109, 0), 1, kFirstDifat, kDifatSectors);
    std::vector<std::uint32_t> fat{kFatMark, 1};
    for (std::uint32_t i = 0; i < kDifatSectors; ++i) fat.push_back(kDifatMark);
    fat.push_back(kEnd);  // the stream's one sector
    file += Sector(kSectorSize, fat, kFree);
    file += Directory(kSectorSize, kFirstDifat + kDifatSectors, 4096);
    for (std::uint32_t d = 0; d < kDifatSectors; ++d) {
        std::vector<std::uint32_t> entries(127, 0);
        entries.push_back(d + 1 < kDifatSectors ? kFirstDifat + d + 1 : kEnd);
        file += Sector(kSectorSize, entries, 0);
    }
    file.resize(64 * 1024, '\0');
    return file;
}

// 1 MiB, 4096-byte sectors. The DIFAT sector 2 lists sector 0 as 1023 FAT sectors and names itself as the
// next DIFAT sector; the FAT count stops the loop after 254 rounds, within the file's 255 sectors, with
// 260 thousand FAT sectors of 1024 entries each.
inline Bytes LoopingDifat() {
    constexpr std::size_t kSectorSize = 4096;
    const std::uint32_t fatCount = 109 + 254 * 1023;
    Bytes file = Header(12, fatCount, std::vector<std::uint32_t>(109, 0), 1, 2, 1);
    file += Sector(kSectorSize, {kFatMark, kEnd, kDifatMark, kEnd}, kFree);
    file += Directory(kSectorSize, 3, 4096);
    std::vector<std::uint32_t> difat(1023, 0);
    difat.push_back(2);
    file += Sector(kSectorSize, difat, 0);
    file.resize(1024 * 1024, '\0');
    return file;
}

inline void Record(Bytes& out, unsigned type, const Bytes& data) {
    PutU16(out, type);
    PutU16(out, static_cast<unsigned>(data.size()));
    out += data;
}

inline Bytes Bof(unsigned substream) {
    Bytes d;
    PutU16(d, biff::kBiff8);
    PutU16(d, substream);
    d.append(12, '\0');
    return d;
}

// A worksheet substream with one number in the last row: each reading of it makes 65536 rows.
inline Bytes LastRowSheet() {
    Bytes s;
    Record(s, biff::kBof, Bof(biff::kWorksheetSubstream));
    Bytes number;
    PutU16(number, 65535);
    PutU16(number, 0);
    PutU16(number, 15);
    PutF64(number, 1.0);
    Record(s, biff::kNumber, number);
    Record(s, biff::kEof, {});
    return s;
}

// A BOUNDSHEET record for a worksheet at `offset` named by one letter.
inline Bytes BoundSheet(std::uint32_t offset, char name) {
    Bytes d;
    PutU32(d, offset);
    PutU8(d, 0);  // visible
    PutU8(d, 0);  // worksheet
    PutU8(d, 1);
    PutU8(d, 0);
    d.push_back(name);
    return d;
}

// A 39 KB workbook stream whose 3000 BOUNDSHEET records all name the one sheet after them.
inline Bytes SharedSheetStream(unsigned sheets = 3000) {
    const std::size_t globalsSize = 20 + std::size_t{sheets} * 13 + 4;
    Bytes g;
    Record(g, biff::kBof, Bof(biff::kGlobalsSubstream));
    for (unsigned i = 0; i < sheets; ++i)
        Record(g, biff::kBoundSheet, BoundSheet(static_cast<std::uint32_t>(globalsSize), 'S'));
    Record(g, biff::kEof, {});
    return g + LastRowSheet();
}

// Sheets at distinct offsets that share their records: sheet i is a BOF followed by a record that covers the
// BOFs of the sheets after it, so that each of them reads on into the same last-row sheet.
inline Bytes OverlappingSheetsStream(unsigned sheets = 3000) {
    const std::size_t globalsSize = 20 + std::size_t{sheets} * 13 + 4;
    Bytes g;
    Record(g, biff::kBof, Bof(biff::kGlobalsSubstream));
    for (unsigned i = 0; i < sheets; ++i)
        Record(g, biff::kBoundSheet, BoundSheet(static_cast<std::uint32_t>(globalsSize + 12 * i), 'S'));
    Record(g, biff::kEof, {});
    for (unsigned i = 0; i < sheets; ++i) {
        Bytes bof;
        PutU16(bof, biff::kBiff8);
        PutU16(bof, biff::kWorksheetSubstream);
        Record(g, biff::kBof, bof);
        PutU16(g, 0x0000);  // a record no reader knows, over the sheets that follow
        PutU16(g, 12 * (sheets - 1 - i));
    }
    Bytes sheet = LastRowSheet();
    return g + sheet.substr(20);  // its own BOF is not needed: the last one above leads into its cells
}

// A sheet named `name` (UTF-8, at most 31 characters) with a text in the last column of row 0 and a number in
// the last row: two cells that span the whole sheet.
inline Bytes FarCornersStream(const std::string& name) {
    const std::u16string wide = Utf8ToUtf16(name);
    Bytes bound;
    PutU32(bound, 0);  // set below
    PutU8(bound, 0);
    PutU8(bound, 0);
    PutU8(bound, static_cast<unsigned>(wide.size()));
    PutU8(bound, 1);
    for (char16_t c : wide) PutU16(bound, c);
    Bytes g;
    Record(g, biff::kBof, Bof(biff::kGlobalsSubstream));
    const std::size_t boundAt = g.size() + 4;
    Record(g, biff::kBoundSheet, bound);
    Record(g, biff::kEof, {});
    SetU32At(g, boundAt, static_cast<std::uint32_t>(g.size()));
    Record(g, biff::kBof, Bof(biff::kWorksheetSubstream));
    Bytes label;
    PutU16(label, 0);
    PutU16(label, 255);
    PutU16(label, 15);
    PutU16(label, 1);
    PutU8(label, 0);
    label.push_back('x');
    Record(g, biff::kLabel, label);
    Bytes number;
    PutU16(number, 65535);
    PutU16(number, 0);
    PutU16(number, 15);
    PutF64(number, 1.0);
    Record(g, biff::kNumber, number);
    Record(g, biff::kEof, {});
    return g;
}

inline Bytes SharedSheetFile() {
    return WriteCompoundFile(SharedSheetStream());
}

}  // namespace spreadsheet::testing::crafted
