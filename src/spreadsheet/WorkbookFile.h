#pragma once
// A workbook read from and written to an .xls file on disk.
#include <cstddef>
#include <optional>
#include <string>

#include "spreadsheet/Workbook.h"

namespace spreadsheet {

enum class LoadStatus { Loaded, Missing, Unreadable };

// Reads the workbook at `path`. Missing: no such file (the workbook is empty). Unreadable: the file could not
// be read or is no workbook we understand; `error` says why.
// Files larger than this are not read (no workbook the program writes comes near it).
inline constexpr std::size_t kMaxSpreadsheetFileBytes = 64u << 20;

LoadStatus LoadWorkbookFile(const std::string& path, Workbook& workbook, std::string& error);

// Writes the whole workbook to a temporary file beside `path` and renames it over `path`, so that a failed
// write leaves the previous file as it was.
bool SaveWorkbookFile(const std::string& path, const Workbook& workbook, std::string& error);

}  // namespace spreadsheet
