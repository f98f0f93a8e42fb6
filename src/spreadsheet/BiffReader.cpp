#include "spreadsheet/BiffReader.h"

#include <cmath>
#include <unordered_set>
#include <vector>

#include "spreadsheet/BiffRecords.h"
#include "spreadsheet/ByteIo.h"
#include "spreadsheet/Utf16.h"

namespace spreadsheet {
namespace {

using namespace biff;

struct Record {
    unsigned type = 0;
    std::string_view data;
    std::size_t end = 0;  // stream position after the record
};

std::optional<Record> RecordAt(std::string_view stream, std::size_t pos) {
    if (pos + 4 > stream.size()) return std::nullopt;
    Record r;
    r.type = GetU16(stream, pos);
    const std::size_t size = GetU16(stream, pos + 2);
    if (pos + 4 + size > stream.size()) return std::nullopt;
    r.data = stream.substr(pos + 4, size);
    r.end = pos + 4 + size;
    return r;
}

// Reads across a record and its CONTINUE records. Characters of a string that runs into the next record are
// preceded there by a new option byte that tells their width.
class ContinuedReader {
  public:
    explicit ContinuedReader(std::vector<std::string_view> parts) : parts_(std::move(parts)) {}

    bool U8(unsigned& v) {
        if (!Ensure(1)) return false;
        v = GetU8(parts_[part_], pos_++);
        return true;
    }
    bool U16(unsigned& v) {
        unsigned lo = 0, hi = 0;
        if (!U8(lo) || !U8(hi)) return false;
        v = lo | (hi << 8);
        return true;
    }
    bool U32(std::uint32_t& v) {
        unsigned lo = 0, hi = 0;
        if (!U16(lo) || !U16(hi)) return false;
        v = lo | (static_cast<std::uint32_t>(hi) << 16);
        return true;
    }
    bool Skip(std::uint64_t n) {
        while (n > 0) {
            if (!Ensure(1)) return false;
            const std::size_t take = std::min<std::uint64_t>(n, parts_[part_].size() - pos_);
            pos_ += take;
            n -= take;
        }
        return true;
    }
    // A string of `count` characters whose first part has the width given by `options` bit 0.
    bool Chars(std::size_t count, unsigned options, std::u16string& out) {
        bool wide = options & 1;
        while (count > 0) {
            if (pos_ == parts_[part_].size()) {
                if (part_ + 1 >= parts_.size()) return false;
                ++part_;
                pos_ = 0;
                unsigned next = 0;
                if (!U8(next)) return false;
                wide = next & 1;
                continue;
            }
            unsigned c = 0;
            if (wide) {
                if (pos_ + 2 > parts_[part_].size()) return false;
                c = GetU16(parts_[part_], pos_);
                pos_ += 2;
            } else {
                c = GetU8(parts_[part_], pos_++);
            }
            out.push_back(static_cast<char16_t>(c));
            --count;
        }
        return true;
    }

    // A Unicode string with a 16-bit (or 8-bit) length and its rich-text and phonetic trailers.
    bool String(std::string& utf8, bool shortLength = false) {
        unsigned count = 0, options = 0;
        if (shortLength ? !U8(count) : !U16(count)) return false;
        if (!U8(options)) return false;
        unsigned runs = 0;
        std::uint32_t extSize = 0;
        if ((options & 0x08) && !U16(runs)) return false;
        if ((options & 0x04) && !U32(extSize)) return false;
        std::u16string s;
        if (!Chars(count, options, s)) return false;
        if (!Skip(4ull * runs) || !Skip(extSize)) return false;
        utf8 = Utf16ToUtf8(s);
        return true;
    }

  private:
    bool Ensure(std::size_t) {
        while (part_ < parts_.size() && pos_ == parts_[part_].size()) {
            if (part_ + 1 >= parts_.size()) return false;
            ++part_;
            pos_ = 0;
        }
        return part_ < parts_.size();
    }

    std::vector<std::string_view> parts_;
    std::size_t part_ = 0;
    std::size_t pos_ = 0;
};

double RkValue(std::uint32_t rk) {
    double value = 0.0;
    if (rk & 2) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        std::string bits(8, '\0');
        SetU32At(bits, 4, rk & 0xFFFFFFFCu);
        value = GetF64(bits, 0);
    }
    return (rk & 1) ? value / 100.0 : value;
}

struct BoundSheet {
    std::uint32_t offset = 0;
    unsigned type = 0;
    std::string name;
};

// The memory the sheets of one stream may take: rows, cells and their texts. A cell record takes at least 6
// bytes (in a MULRK) for a cell of 48, so 16 bytes for each byte of the stream is more than any written
// workbook needs; the fixed part leaves room for sheets whose few cells lie far apart (a cell in the last row
// makes 65536 rows) and for shared strings used by many cells.
std::size_t MemoryBudget(std::string_view stream) {
    return (std::size_t{32} << 20) + 16 * stream.size();
}

class SheetReader {
  public:
    SheetReader(std::string_view stream, const std::vector<std::string>& strings)
        : stream_(stream), strings_(strings), bytesLeft_(MemoryBudget(stream)) {}

    // False once the cells read so far would need more memory than the stream can describe.
    bool WithinBudget() const { return !overBudget_; }

    bool Read(std::size_t pos, Sheet& sheet) {
        auto bof = RecordAt(stream_, pos);
        if (!bof || bof->type != kBof || bof->data.size() < 4 || GetU16(bof->data, 0) != kBiff8) return false;
        pos = bof->end;
        bool pendingString = false;  // a formula's text result follows in a STRING record
        std::size_t stringRow = 0, stringColumn = 0;
        while (true) {
            auto rec = RecordAt(stream_, pos);
            if (!rec) return false;
            pos = rec->end;
            const std::string_view d = rec->data;
            if (rec->type == kEof) return true;
            if (rec->type == kBof) return false;  // embedded substreams (charts) are not expected here
            if (rec->type == kString && pendingString) {
                std::vector<std::string_view> parts{d};
                pos = CollectContinues(pos, parts);
                std::string text;
                ContinuedReader reader(std::move(parts));
                if (!reader.String(text)) return false;
                if (!Put(sheet, stringRow, stringColumn, Cell::Str(std::move(text)))) return false;
                pendingString = false;
                continue;
            }
            pendingString = false;
            if (!CellRecord(rec->type, d, sheet, pendingString, stringRow, stringColumn)) return false;
        }
    }

  private:
    std::size_t CollectContinues(std::size_t pos, std::vector<std::string_view>& parts) const {
        while (auto next = RecordAt(stream_, pos)) {
            if (next->type != kContinue) break;
            parts.push_back(next->data);
            pos = next->end;
        }
        return pos;
    }

    // Stores a cell unless it lies outside the sheet; false when it would take the sheets past the budget.
    bool Put(Sheet& sheet, std::size_t row, std::size_t column, Cell cell) {
        if (row >= kMaxSheetRows || column >= kMaxSheetColumns) return true;
        const std::size_t newRows = row >= sheet.rows.size() ? row + 1 - sheet.rows.size() : 0;
        const std::size_t width = row < sheet.rows.size() ? sheet.rows[row].size() : 0;
        const std::size_t newCells = column >= width ? column + 1 - width : 0;
        const std::size_t bytes =
            newRows * sizeof(std::vector<Cell>) + newCells * sizeof(Cell) + cell.text.size();
        if (bytes > bytesLeft_) {
            overBudget_ = true;
            return false;
        }
        bytesLeft_ -= bytes;
        sheet.Set(row, column, std::move(cell));
        return true;
    }

    bool CellRecord(unsigned type, std::string_view d, Sheet& sheet, bool& pendingString,
                    std::size_t& stringRow, std::size_t& stringColumn) {
        auto needs = [&](std::size_t n) { return d.size() >= n; };
        switch (type) {
            case kLabelSst: {
                if (!needs(10)) return false;
                const std::uint32_t index = GetU32(d, 6);
                if (index >= strings_.size()) return false;
                return Put(sheet, GetU16(d, 0), GetU16(d, 2), Cell::Str(strings_[index]));
            }
            case kLabel:
            case kRString: {
                if (!needs(9)) return false;
                std::string text;
                ContinuedReader reader({d.substr(6)});
                unsigned count = 0, options = 0;
                std::u16string s;
                if (!reader.U16(count) || !reader.U8(options) || !reader.Chars(count, options, s))
                    return false;
                return Put(sheet, GetU16(d, 0), GetU16(d, 2), Cell::Str(Utf16ToUtf8(s)));
            }
            case kNumber:
                if (!needs(14)) return false;
                return Put(sheet, GetU16(d, 0), GetU16(d, 2), Cell::Num(GetF64(d, 6)));
            case kRk:
                if (!needs(10)) return false;
                return Put(sheet, GetU16(d, 0), GetU16(d, 2), Cell::Num(RkValue(GetU32(d, 6))));
            case kMulRk: {
                if (!needs(6) || (d.size() - 6) % 6 != 0) return false;
                const std::size_t row = GetU16(d, 0);
                const std::size_t first = GetU16(d, 2);
                const std::size_t count = (d.size() - 6) / 6;
                if (GetU16(d, d.size() - 2) != first + count - 1) return false;
                for (std::size_t i = 0; i < count; ++i)
                    if (!Put(sheet, row, first + i, Cell::Num(RkValue(GetU32(d, 4 + 6 * i + 2)))))
                        return false;
                return true;
            }
            case kBlank:
            case kMulBlank:
                return true;  // formatting only
            case kBoolErr:
                if (!needs(8)) return false;
                // A boolean reads as 1 or 0; an error value as an empty cell.
                if (GetU8(d, 7) != 0) return true;
                return Put(sheet, GetU16(d, 0), GetU16(d, 2), Cell::Num(GetU8(d, 6) ? 1.0 : 0.0));
            case kFormula: {
                if (!needs(20)) return false;
                const std::size_t row = GetU16(d, 0), column = GetU16(d, 2);
                if (GetU16(d, 12) != 0xFFFF) return Put(sheet, row, column, Cell::Num(GetF64(d, 6)));
                if (GetU8(d, 6) == 0) {
                    pendingString = true, stringRow = row, stringColumn = column;
                } else if (GetU8(d, 6) == 1) {
                    return Put(sheet, row, column, Cell::Num(GetU8(d, 8) ? 1.0 : 0.0));
                } else if (GetU8(d, 6) == 3) {
                    return Put(sheet, row, column, Cell::Str(""));
                }
                return true;
            }
            default:
                return true;
        }
    }

    std::string_view stream_;
    const std::vector<std::string>& strings_;
    std::size_t bytesLeft_;
    bool overBudget_ = false;
};

bool Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

}  // namespace

std::optional<Workbook> ReadBiffWorkbook(std::string_view stream, std::string* error) {
    auto bof = RecordAt(stream, 0);
    if (!bof || bof->type != kBof || bof->data.size() < 4 || GetU16(bof->data, 0) != kBiff8 ||
        GetU16(bof->data, 2) != kGlobalsSubstream) {
        Fail(error, "not a BIFF8 workbook");
        return std::nullopt;
    }
    std::vector<BoundSheet> bound;
    std::unordered_set<std::uint32_t> offsets;
    std::vector<std::string> strings;
    std::size_t pos = bof->end;
    while (true) {
        auto rec = RecordAt(stream, pos);
        if (!rec) {
            Fail(error, "damaged workbook globals");
            return std::nullopt;
        }
        pos = rec->end;
        if (rec->type == kEof) break;
        if (rec->type == kFilePass) {
            Fail(error, "encrypted workbook");
            return std::nullopt;
        }
        if (rec->type == kBoundSheet) {
            if (rec->data.size() < 8) return Fail(error, "damaged sheet list"), std::nullopt;
            BoundSheet b;
            b.offset = GetU32(rec->data, 0);
            b.type = GetU8(rec->data, 5);
            ContinuedReader reader({rec->data.substr(6)});
            unsigned count = 0, options = 0;
            std::u16string name;
            if (!reader.U8(count) || !reader.U8(options) || !reader.Chars(count, options, name))
                return Fail(error, "damaged sheet list"), std::nullopt;
            b.name = Utf16ToUtf8(name);
            // Each sheet has its own substream; one named twice would be read (and kept) twice.
            if (!offsets.insert(b.offset).second) return Fail(error, "sheet listed twice"), std::nullopt;
            bound.push_back(std::move(b));
        } else if (rec->type == kSst) {
            std::vector<std::string_view> parts{rec->data};
            while (auto next = RecordAt(stream, pos)) {
                if (next->type != kContinue) break;
                parts.push_back(next->data);
                pos = next->end;
            }
            ContinuedReader reader(std::move(parts));
            std::uint32_t total = 0, unique = 0;
            if (!reader.U32(total) || !reader.U32(unique))
                return Fail(error, "damaged string table"), std::nullopt;
            // Each string takes at least three bytes, which bounds the count a damaged header may claim.
            strings.reserve(std::min<std::size_t>(unique, stream.size() / 3));
            for (std::uint32_t i = 0; i < unique; ++i) {
                std::string s;
                if (!reader.String(s)) return Fail(error, "damaged string table"), std::nullopt;
                strings.push_back(std::move(s));
            }
        }
    }

    Workbook workbook;
    SheetReader sheetReader(stream, strings);
    for (const BoundSheet& b : bound) {
        if (b.type != 0) continue;  // charts and macro sheets hold no cells we keep
        Sheet sheet;
        sheet.name = b.name;
        if (!sheetReader.Read(b.offset, sheet)) {
            Fail(error,
                 sheetReader.WithinBudget() ? "damaged worksheet" : "more cells than the workbook holds");
            return std::nullopt;
        }
        workbook.sheets.push_back(std::move(sheet));
    }
    return workbook;
}

}  // namespace spreadsheet
