#include "spreadsheet/WorkbookFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/RegularFile.h"
#include "spreadsheet/BiffReader.h"
#include "spreadsheet/BiffWriter.h"
#include "spreadsheet/CompoundFile.h"

namespace spreadsheet {

LoadStatus LoadWorkbookFile(const std::string& path, Workbook& workbook, std::string& error) {
    std::error_code ec;
    const std::filesystem::path file(path);
    if (!std::filesystem::exists(file, ec)) {
        if (ec) {
            error = "cannot open '" + path + "': " + ec.message();
            return LoadStatus::Unreadable;
        }
        workbook = Workbook{};
        return LoadStatus::Missing;
    }
    std::string bytes;
    switch (platform::ReadRegularFile(path, kMaxSpreadsheetFileBytes, bytes)) {
        case platform::FileRead::Ok:
            break;
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
    const std::string bytes = WriteCompoundFile(WriteBiffWorkbook(workbook));
    const std::filesystem::path target(path);
    std::filesystem::path temp = target;
    temp += ".tmp~";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = "cannot create '" + path + "'";
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            error = "cannot write '" + path + "'";
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        error = "cannot replace '" + path + "': " + ec.message();
        return false;
    }
    return true;
}

}  // namespace spreadsheet
