#include <gtest/gtest.h>

#include "spreadsheet/BiffReader.h"
#include "spreadsheet/BiffRecords.h"
#include "spreadsheet/BiffWriter.h"
#include "spreadsheet/ByteIo.h"
#include "spreadsheet/CompoundFile.h"

namespace spreadsheet {
namespace {

using namespace biff;

Workbook SampleWorkbook() {
    Workbook wb;
    Sheet a{"定值", {}, {}};
    a.Set(0, 0, Cell::Str("序号"));
    a.Set(0, 1, Cell::Str("名称"));
    a.Set(1, 0, Cell::Num(1));
    a.Set(1, 1, Cell::Str("过流Ⅰ段"));
    a.Set(2, 0, Cell::Num(-2.5));
    a.Set(2, 1, Cell::Str("latin é"));
    a.Set(3, 3, Cell::Str("序号"));  // shared with row 0
    Sheet b{"参数", {}, {}};
    b.Set(0, 0, Cell::Num(1e300));
    wb.sheets = {a, b};
    return wb;
}

TEST(WorkbookFormatTest, WorkbookStreamLayout) {
    const Bytes stream = WriteBiffWorkbook(SampleWorkbook());
    // Globals BOF of BIFF8, then the UTF-16 code page.
    EXPECT_EQ(GetU16(stream, 0), kBof);
    EXPECT_EQ(GetU16(stream, 4), kBiff8);
    EXPECT_EQ(GetU16(stream, 6), kGlobalsSubstream);
    // Every sheet offset in the sheet list points at a worksheet BOF.
    std::size_t pos = 0, sheets = 0, strings = 0;
    while (pos + 4 <= stream.size()) {
        const unsigned type = GetU16(stream, pos), size = GetU16(stream, pos + 2);
        if (type == kBoundSheet) {
            const std::uint32_t at = GetU32(stream, pos + 4);
            EXPECT_EQ(GetU16(stream, at), kBof);
            EXPECT_EQ(GetU16(stream, at + 6), kWorksheetSubstream);
            ++sheets;
        }
        if (type == kSst) {
            EXPECT_EQ(GetU32(stream, pos + 4), 5u);  // references
            EXPECT_EQ(GetU32(stream, pos + 8), 4u);  // unique strings
            ++strings;
        }
        if (type == kEof) break;
        pos += 4 + size;
    }
    EXPECT_EQ(sheets, 2u);
    EXPECT_EQ(strings, 1u);
}

// Builders for streams as other programs write them.
void Record(Bytes& out, unsigned type, const Bytes& data) {
    PutU16(out, type);
    PutU16(out, static_cast<unsigned>(data.size()));
    out += data;
}
Bytes BofData(unsigned substream) {
    Bytes d;
    PutU16(d, kBiff8);
    PutU16(d, substream);
    d.append(12, '\0');
    return d;
}
Bytes CellHead(unsigned row, unsigned col) {
    Bytes d;
    PutU16(d, row);
    PutU16(d, col);
    PutU16(d, 15);
    return d;
}

// A stream with the cell records other writers use: RK, MULRK, LABEL, BLANK, MULBLANK, BOOLERR, FORMULA with
// number and text results, and an SST whose string continues in a CONTINUE record with another width.
Bytes ForeignStream() {
    Bytes g;
    Record(g, kBof, BofData(kGlobalsSubstream));
    const std::size_t boundAt = g.size() + 4;
    Bytes bound;
    PutU32(bound, 0);
    PutU8(bound, 0);
    PutU8(bound, 0);
    PutU8(bound, 3);
    PutU8(bound, 0);
    bound += "Two";
    Record(g, kBoundSheet, bound);
    Bytes sst;
    PutU32(sst, 2);
    PutU32(sst, 2);
    PutU16(sst, 4);  // "ab" + "表x": starts compressed, continues wide
    PutU8(sst, 0);
    sst += "ab";
    Record(g, kSst, sst);
    Bytes cont;
    PutU8(cont, 1);
    PutU16(cont, 0x8868);
    PutU16(cont, 'x');
    PutU16(cont, 2);  // a rich string with one run
    PutU8(cont, 0x08);
    PutU16(cont, 1);
    cont += "hi";
    PutU32(cont, 0);
    Record(g, kContinue, cont);
    Record(g, kEof, {});
    SetU32At(g, boundAt, static_cast<std::uint32_t>(g.size()));

    Record(g, kBof, BofData(kWorksheetSubstream));
    Bytes d = CellHead(0, 0);
    PutU32(d, 0);
    Record(g, kLabelSst, d);
    d = CellHead(0, 1);
    PutU32(d, 1);
    Record(g, kLabelSst, d);
    d = CellHead(1, 0);
    PutU32(d, (1234u << 2) | 2u);  // integer RK
    Record(g, kRk, d);
    d = CellHead(1, 1);
    PutU32(d, (12345u << 2) | 3u);  // integer RK / 100
    Record(g, kRk, d);
    d.clear();
    PutU16(d, 2);
    PutU16(d, 0);
    PutU16(d, 15);
    PutU32(d, 0x3FF80000u);  // 1.5 as a double RK
    PutU16(d, 15);
    PutU32(d, (static_cast<std::uint32_t>(-7) << 2) | 2u);
    PutU16(d, 1);
    Record(g, kMulRk, d);
    d = CellHead(3, 0);
    PutU16(d, 3);
    PutU8(d, 0);
    d += "lbl";
    Record(g, kLabel, d);
    Record(g, kBlank, CellHead(3, 1));
    d = CellHead(4, 0);
    PutU8(d, 1);
    PutU8(d, 0);
    Record(g, kBoolErr, d);
    d = CellHead(4, 1);
    PutF64(d, 42.25);
    d.append(6, '\0');
    Record(g, kFormula, d);
    d = CellHead(5, 0);
    d += Bytes("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8);
    d.append(6, '\0');
    Record(g, kFormula, d);
    d.clear();
    PutU16(d, 3);
    PutU8(d, 0);
    d += "res";
    Record(g, kString, d);
    Record(g, kEof, {});
    return g;
}

TEST(WorkbookFormatTest, ReadsTheCellKindsOtherProgramsWrite) {
    std::string error;
    const auto wb = ReadBiffWorkbook(ForeignStream(), &error);
    ASSERT_TRUE(wb) << error;
    ASSERT_EQ(wb->sheets.size(), 1u);
    const Sheet& s = wb->sheets[0];
    EXPECT_EQ(s.name, "Two");
    EXPECT_EQ(s.At(0, 0).text, "ab表x");
    EXPECT_EQ(s.At(0, 1).text, "hi");
    EXPECT_EQ(s.At(1, 0), Cell::Num(1234));
    EXPECT_EQ(s.At(1, 1), Cell::Num(123.45));
    EXPECT_EQ(s.At(2, 0), Cell::Num(1.5));
    EXPECT_EQ(s.At(2, 1), Cell::Num(-7));
    EXPECT_EQ(s.At(3, 0), Cell::Str("lbl"));
    EXPECT_EQ(s.At(3, 1).kind, Cell::Kind::Empty);
    EXPECT_EQ(s.At(4, 0), Cell::Num(1));
    EXPECT_EQ(s.At(4, 1), Cell::Num(42.25));
    EXPECT_EQ(s.At(5, 0), Cell::Str("res"));
}

// A small stream kept in the mini stream, as some writers store it.
TEST(WorkbookFormatTest, ReadsAStreamFromTheMiniStream) {
    const Bytes stream = ForeignStream();
    ASSERT_LT(stream.size(), 4096u);
    const std::size_t miniSectors = (stream.size() + 63) / 64;
    Bytes mini = stream;
    mini.resize(((miniSectors * 64 + 511) / 512) * 512, '\0');
    const std::size_t containerSectors = mini.size() / 512;

    Bytes file("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    file.append(16, '\0');
    for (unsigned v : {0x3Eu, 3u, 0xFFFEu, 9u, 6u}) PutU16(file, v);
    file.append(6, '\0');
    for (std::uint32_t v : {0u, 1u, 1u, 0u, 4096u, 2u, 1u, 0xFFFFFFFEu, 0u}) PutU32(file, v);
    PutU32(file, 0);  // the FAT in sector 0
    for (int i = 1; i < 109; ++i) PutU32(file, 0xFFFFFFFF);
    // Sector 0: FAT. 1: directory. 2: mini FAT. 3...: the mini stream container.
    Bytes fat;
    PutU32(fat, 0xFFFFFFFD);
    PutU32(fat, 0xFFFFFFFE);
    PutU32(fat, 0xFFFFFFFE);
    for (std::size_t i = 0; i < containerSectors; ++i)
        PutU32(fat, i + 1 < containerSectors ? static_cast<std::uint32_t>(4 + i) : 0xFFFFFFFE);
    fat.resize(512, '\xFF');
    Bytes dir;
    auto entry = [&](std::u16string name, unsigned type, std::uint32_t child, std::uint32_t start,
                     std::uint32_t size) {
        Bytes e;
        for (std::size_t i = 0; i < 32; ++i) PutU16(e, i < name.size() ? name[i] : 0);
        PutU16(e, static_cast<unsigned>((name.size() + 1) * 2));
        PutU8(e, type);
        PutU8(e, 1);
        PutU32(e, 0xFFFFFFFF);
        PutU32(e, 0xFFFFFFFF);
        PutU32(e, child);
        e.append(36, '\0');
        PutU32(e, start);
        PutU32(e, size);
        PutU32(e, 0);
        dir += e;
    };
    entry(u"Root Entry", 5, 1, 3, static_cast<std::uint32_t>(miniSectors * 64));
    entry(u"workbook", 2, 0xFFFFFFFF, 0, static_cast<std::uint32_t>(stream.size()));
    dir.resize(512, '\0');
    Bytes miniFat;
    for (std::size_t i = 0; i < miniSectors; ++i)
        PutU32(miniFat, i + 1 < miniSectors ? static_cast<std::uint32_t>(i + 1) : 0xFFFFFFFE);
    miniFat.resize(512, '\xFF');
    file += fat + dir + miniFat + mini;

    std::string error;
    const auto read = ReadWorkbookStream(file, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, stream);
}

// Damaged files of every length and with flipped bytes give nothing or a workbook, never a crash or a hang.
TEST(WorkbookFormatTest, DamagedFilesAreRefusedSafely) {
    const Bytes file = WriteCompoundFile(WriteBiffWorkbook(SampleWorkbook()));
    for (std::size_t cut = 0; cut < file.size(); cut += 97) {
        if (auto s = ReadWorkbookStream(file.substr(0, cut))) ReadBiffWorkbook(*s);
    }
    const Bytes stream = ForeignStream();
    for (std::size_t cut = 0; cut < stream.size(); ++cut)
        EXPECT_FALSE(ReadBiffWorkbook(stream.substr(0, cut)));
    std::uint32_t seed = 12345;
    for (int round = 0; round < 400; ++round) {
        Bytes damaged = round % 2 ? file : stream;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            damaged[(seed >> 8) % damaged.size()] = static_cast<char>(seed >> 24);
        }
        if (round % 2) {
            if (auto s = ReadWorkbookStream(damaged)) ReadBiffWorkbook(*s);
        } else {
            ReadBiffWorkbook(damaged);
        }
    }
    // A FAT whose chain points at itself.
    Bytes loop = file;
    const std::uint32_t dirSector = GetU32(loop, 48);
    const std::uint32_t fatSector = GetU32(loop, 76);
    SetU32At(loop, 512 + fatSector * 512 + dirSector * 4, dirSector);
    EXPECT_FALSE(ReadWorkbookStream(loop));
}

}  // namespace
}  // namespace spreadsheet
