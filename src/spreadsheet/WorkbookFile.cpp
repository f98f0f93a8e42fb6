#include "spreadsheet/WorkbookFile.h"

#include "platform/FileAppend.h"
#include "platform/RegularFile.h"
#include "spreadsheet/BiffReader.h"
#include "spreadsheet/BiffWriter.h"
#include "spreadsheet/CompoundFile.h"

namespace spreadsheet {

LoadStatus LoadWorkbookFile(const std::string& path, Workbook& workbook, std::string& error) {
    std::string bytes;
    switch (platform::ReadRegularFile(path, kMaxSpreadsheetFileBytes, bytes)) {
        case platform::FileRead::Ok:
            break;
        case platform::FileRead::Missing:
            workbook = Workbook{};
            return LoadStatus::Missing;
        case platform::FileRead::NotRegular:
            error = "'" + path + "' is not a regular file";
            return LoadStatus::Unreadable;
        case platform::FileRead::TooLarge:
            error = "'" + path + "' is too large";
            return LoadStatus::Unreadable;
        default:
            error = "cannot read '" + path + "'";
            return LoadStatus::Unreadable;
    }
    std::string why;
    const auto stream = ReadWorkbookStream(bytes, &why);
    std::optional<Workbook> read;
    if (stream) read = ReadBiffWorkbook(*stream, &why);
    if (!read) {
        error = "'" + path + "' is not a workbook this driver reads (" + why + ")";
        return LoadStatus::Unreadable;
    }
    workbook = std::move(*read);
    return LoadStatus::Loaded;
}

bool SaveWorkbookFile(const std::string& path, const Workbook& workbook, std::string& error) {
    // Written completely beside the file first, then put in its place: a failure leaves the old workbook.
    if (!platform::WriteWholeFile(path, WriteCompoundFile(WriteBiffWorkbook(workbook)))) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

}  // namespace spreadsheet
