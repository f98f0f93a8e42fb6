#pragma once
// Writes a workbook as a BIFF8 workbook stream: the globals (fonts, cell formats, sheet list, shared string
// table) followed by one worksheet substream per sheet. Texts go to the shared string table, numbers into
// NUMBER records.
#include "spreadsheet/ByteIo.h"
#include "spreadsheet/Workbook.h"

namespace spreadsheet {

// Sheets, rows and columns beyond the format's limits must have been refused before; texts longer than a
// cell holds are cut. A workbook without sheets is written with one empty sheet, as the format needs one.
Bytes WriteBiffWorkbook(const Workbook& workbook);

}  // namespace spreadsheet
