#include "spreadsheet/BiffWriter.h"

#include <algorithm>
#include <unordered_map>

#include "spreadsheet/BiffRecords.h"
#include "spreadsheet/Utf16.h"

namespace spreadsheet {
namespace {

using namespace biff;

constexpr unsigned kCellXf = 15;  // the first cell format after the 15 style formats
constexpr unsigned kStringsPerBucket = 8;

void PutRecord(Bytes& out, unsigned type, const Bytes& data) {
    PutU16(out, type);
    PutU16(out, static_cast<unsigned>(data.size()));
    out += data;
}

bool FitsCompressed(const std::u16string& s) {
    for (char16_t c : s)
        if (c > 0xFF) return false;
    return true;
}

void PutChars(Bytes& out, std::u16string_view s, bool compressed) {
    for (char16_t c : s) compressed ? PutU8(out, c) : PutU16(out, c);
}

std::u16string CellText(const std::string& utf8) {
    std::u16string s = Utf8ToUtf16(utf8);
    if (s.size() > kMaxCellText) s.resize(kMaxCellText);
    return s;
}

// Sheet name with an 8-bit length, as BOUNDSHEET carries it.
void PutShortString(Bytes& out, const std::u16string& s) {
    const bool compressed = FitsCompressed(s);
    PutU8(out, static_cast<unsigned>(s.size()));
    PutU8(out, compressed ? 0 : 1);
    PutChars(out, s, compressed);
}

Bytes Bof(unsigned substream) {
    Bytes d;
    PutU16(d, kBiff8);
    PutU16(d, substream);
    PutU16(d, 0x0DBB);  // build
    PutU16(d, 0x07CC);  // year
    PutU32(d, 0);       // file history
    PutU32(d, 0x0006);  // lowest version that reads every record
    return d;
}

Bytes Window1() {
    Bytes d;
    for (unsigned v : {0u, 0u, 0x25BCu, 0x1572u, 0x0038u, 0u, 0u, 1u, 0x0258u}) PutU16(d, v);
    return d;
}

Bytes Font() {
    Bytes d;
    PutU16(d, 200);     // 10 points in twips
    PutU16(d, 0);       // no attributes
    PutU16(d, 0x7FFF);  // automatic colour
    PutU16(d, 400);     // normal weight
    PutU16(d, 0);       // no super/subscript
    PutU8(d, 0);        // no underline
    PutU8(d, 0);        // family
    PutU8(d, 0);        // character set
    PutU8(d, 0);
    PutShortString(d, u"Arial");
    return d;
}

Bytes Xf(bool style, unsigned usedAttributes) {
    Bytes d;
    PutU16(d, 0);                        // font
    PutU16(d, 0);                        // number format: General
    PutU16(d, style ? 0xFFF5 : 0x0001);  // locked; style XFs have no parent, cell XFs use style 0
    PutU8(d, 0x20);                      // bottom-aligned
    PutU8(d, 0);                         // no rotation
    PutU8(d, 0);                         // no indent
    PutU8(d, usedAttributes);
    PutU32(d, 0);       // no borders
    PutU32(d, 0);       // border colours, no fill pattern
    PutU16(d, 0x20C0);  // pattern colours: automatic foreground and background
    return d;
}

// The shared string table and its index, split into CONTINUE records as the record size demands.
class SharedStrings {
  public:
    unsigned Add(const std::string& utf8) {
        ++total_;
        auto [it, inserted] = index_.try_emplace(utf8, static_cast<unsigned>(strings_.size()));
        if (inserted) strings_.push_back(CellText(utf8));
        return it->second;
    }

    // Appends SST, its CONTINUE records and EXTSST to `out`.
    void Write(Bytes& out) const {
        const std::size_t perBucket = std::max<std::size_t>(kStringsPerBucket, strings_.size() / 128 + 1);
        Bytes extsst;
        PutU16(extsst, static_cast<unsigned>(perBucket));

        Bytes record;
        PutU32(record, total_);
        PutU32(record, static_cast<std::uint32_t>(strings_.size()));
        unsigned recordType = kSst;
        std::size_t recordStart = out.size();  // stream position of the current record's header
        auto flush = [&] {
            PutRecord(out, recordType, record);
            record.clear();
            recordType = kContinue;
            recordStart = out.size();
        };
        for (std::size_t i = 0; i < strings_.size(); ++i) {
            const std::u16string& s = strings_[i];
            const bool compressed = FitsCompressed(s);
            const std::size_t charSize = compressed ? 1 : 2;
            // The string header and its first character stay together.
            if (record.size() + 3 + (s.empty() ? 0 : charSize) > kMaxRecordData) flush();
            if (i % perBucket == 0) {
                PutU32(extsst, static_cast<std::uint32_t>(recordStart + 4 + record.size()));
                PutU16(extsst, static_cast<unsigned>(4 + record.size()));
                PutU16(extsst, 0);
            }
            PutU16(record, static_cast<unsigned>(s.size()));
            PutU8(record, compressed ? 0 : 1);
            std::size_t done = 0;
            while (done < s.size()) {
                const std::size_t fit = (kMaxRecordData - record.size()) / charSize;
                if (fit == 0) {
                    flush();
                    PutU8(record, compressed ? 0 : 1);  // a continued string restates its width
                    continue;
                }
                const std::size_t n = std::min(fit, s.size() - done);
                PutChars(record, std::u16string_view(s).substr(done, n), compressed);
                done += n;
            }
        }
        flush();
        PutRecord(out, kExtSst, extsst);
    }

  private:
    std::uint32_t total_ = 0;
    std::vector<std::u16string> strings_;
    std::unordered_map<std::string, unsigned> index_;
};

void PutCellHeader(Bytes& d, std::size_t row, std::size_t column) {
    PutU16(d, static_cast<unsigned>(row));
    PutU16(d, static_cast<unsigned>(column));
    PutU16(d, kCellXf);
}

Bytes WorksheetSubstream(const Sheet& sheet, bool first, SharedStrings& strings) {
    Bytes out;
    PutRecord(out, kBof, Bof(kWorksheetSubstream));
    Bytes dim;
    const std::size_t rows = std::min(sheet.RowCount(), kMaxSheetRows);
    const std::size_t columns = std::min(sheet.ColumnCount(), kMaxSheetColumns);
    PutU32(dim, 0);
    PutU32(dim, static_cast<std::uint32_t>(rows));
    PutU16(dim, 0);
    PutU16(dim, static_cast<unsigned>(columns));
    PutU16(dim, 0);
    PutRecord(out, kDimensions, dim);
    Bytes d;
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < std::min(sheet.rows[r].size(), columns); ++c) {
            const Cell& cell = sheet.rows[r][c];
            d.clear();
            if (cell.kind == Cell::Kind::Number) {
                PutCellHeader(d, r, c);
                PutF64(d, cell.number);
                PutRecord(out, kNumber, d);
            } else if (cell.kind == Cell::Kind::Text) {
                PutCellHeader(d, r, c);
                PutU32(d, strings.Add(cell.text));
                PutRecord(out, kLabelSst, d);
            }
        }
    }
    Bytes window;
    PutU16(window, first ? 0x06B6 : 0x00B6);  // grid, headers, zeros, outline; the first sheet selected
    PutU16(window, 0);
    PutU16(window, 0);
    PutU16(window, 0x40);  // automatic grid colour
    PutU16(window, 0);
    PutU16(window, 0);
    PutU16(window, 0);
    PutU32(window, 0);
    PutRecord(out, kWindow2, window);
    PutRecord(out, kEof, {});
    return out;
}

}  // namespace

Bytes WriteBiffWorkbook(const Workbook& workbook) {
    std::vector<Sheet> placeholder;
    const std::vector<Sheet>* sheets = &workbook.sheets;
    if (sheets->empty()) {
        placeholder.push_back(Sheet{"Sheet1", {}, {}});
        sheets = &placeholder;
    }

    // The worksheets first, so that the shared strings are known when the globals are written.
    SharedStrings strings;
    std::vector<Bytes> substreams;
    for (std::size_t i = 0; i < sheets->size(); ++i)
        substreams.push_back(WorksheetSubstream((*sheets)[i], i == 0, strings));

    Bytes out;
    PutRecord(out, kBof, Bof(kGlobalsSubstream));
    Bytes codePage;
    PutU16(codePage, 1200);  // UTF-16
    PutRecord(out, kCodePage, codePage);
    PutRecord(out, kWindow1, Window1());
    for (int i = 0; i < 4; ++i) PutRecord(out, kFont, Font());
    for (int i = 0; i < 15; ++i) PutRecord(out, kXf, Xf(true, i == 0 ? 0x00 : 0xF4));
    PutRecord(out, kXf, Xf(false, 0x00));
    PutRecord(out, kStyle, Bytes("\x00\x80\x00\xFF", 4));  // built-in style Normal on XF 0
    std::vector<std::size_t> sheetOffsetFields;
    for (const Sheet& sheet : *sheets) {
        Bytes d;
        PutU32(d, 0);  // the position of the sheet's BOF, filled in below
        PutU8(d, 0);   // visible
        PutU8(d, 0);   // worksheet
        std::u16string name = Utf8ToUtf16(sheet.name);
        if (name.size() > kMaxSheetName) name.resize(kMaxSheetName);
        PutShortString(d, name);
        sheetOffsetFields.push_back(out.size() + 4);
        PutRecord(out, kBoundSheet, d);
    }
    strings.Write(out);
    PutRecord(out, kEof, {});
    for (std::size_t i = 0; i < substreams.size(); ++i) {
        SetU32At(out, sheetOffsetFields[i], static_cast<std::uint32_t>(out.size()));
        out += substreams[i];
    }
    return out;
}

}  // namespace spreadsheet
