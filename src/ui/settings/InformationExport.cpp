#include "ui/settings/InformationExport.h"

#include <algorithm>
#include <cstdio>

#include "platform/Gbk.h"
#include "platform/ProgramFolder.h"
#include "spreadsheet/NumberText.h"
#include "spreadsheet/SpreadsheetFile.h"

namespace ui {
namespace {

const Row kHeader = {"序号", "名称", "设定值"};

int Count(std::uint16_t number) {
    return std::min<int>(number, config::kPointCount);
}

std::string Utf8(const config::Text& text) {
    return platform::GbkToUtf8(config::TextView(text));
}

// One sheet: header, numeric flags, the rows at rows 2, 3, ... and one flush.
bool WriteSheet(const std::string& path, const char* sheet, const std::vector<bool>& numeric,
                const std::vector<Row>& rows, std::string& error) {
    spreadsheet::SpreadsheetFile file(path, sheet, false);
    file.StartBatch();
    for (std::size_t i = 0; i < numeric.size(); ++i) file.SetColumnNumeric(i, numeric[i]);
    // On a sheet left by an export in the same minute the header is already there and refused as a
    // duplicate; the rows then replace the old ones. Only the flush decides whether the sheet was written.
    file.AppendHeaderFields(kHeader, false);
    for (std::size_t i = 0; i < rows.size(); ++i) file.PutRow(rows[i], static_cast<int>(i) + 2, true);
    const bool ok = file.Flush();
    if (!ok) {
        error = file.LastError();
        while (!error.empty() && error.back() == '\n') error.pop_back();
    }
    return ok;
}

}  // namespace

std::string ExportFilePath(const std::string& programFolder, const platform::LocalTime& now) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%02d %02d.%02d", now.year - 2000, now.month, now.day,
                  now.hour, now.minute);
    return platform::NativeSeparators(programFolder + "/信息导出/" + stamp + ".xls");
}

std::vector<Row> SettingRows(const config::SettingTable& settings,
                             const std::function<bool(int)>& isChoiceCell) {
    std::vector<Row> rows;
    for (int i = 0; i < Count(settings.Number); ++i) {
        const std::uint16_t raw = settings.RawValue[i];
        std::string value;
        if (raw == config::kRawNone) {
            value.clear();
        } else if (isChoiceCell && isChoiceCell(i)) {
            // A value beyond the descriptions is shown by its number.
            const int choices = std::min<int>(settings.ValueNmuber[i], config::kDescriptionCount);
            value = raw < choices ? Utf8(settings.ValueDescribe[i][raw]) : std::to_string(raw);
        } else {
            value = spreadsheet::FormatFixed(static_cast<double>(settings.Value[i]), 2);
        }
        rows.push_back({std::to_string(i + 1), Utf8(settings.Name[i]), value});
    }
    return rows;
}

std::vector<Row> ParameterRows(const config::ParamTable& params) {
    std::vector<Row> rows;
    for (int i = 0; i < Count(params.Number); ++i)
        rows.push_back({std::to_string(i + 1), Utf8(params.Name[i]), std::to_string(params.RawValue[i])});
    return rows;
}

bool WriteInformationWorkbook(const std::string& path, const std::vector<Row>& settingRows,
                              const std::vector<Row>& parameterRows, std::string& error) {
    std::string settingError, parameterError;
    const bool settingsOk = WriteSheet(path, "定值", {true, false, false}, settingRows, settingError);
    const bool parametersOk = WriteSheet(path, "参数", {true, false, true}, parameterRows, parameterError);
    error = settingsOk ? parameterError : settingError;
    return settingsOk && parametersOk;
}

void ExportInformation(ExportView& view, const std::string& programFolder, const platform::LocalTime& now,
                       const config::SettingTable& settings, const config::ParamTable& params,
                       const std::function<bool(int)>& isChoiceCell) {
    if (programFolder.empty()) {
        view.ShowInformation("程序运行方式出错，无可导出的数据！");
        return;
    }
    const std::string path = ExportFilePath(programFolder, now);
    view.ShowWaitCursor();
    std::string error;
    const bool written =
        WriteInformationWorkbook(path, SettingRows(settings, isChoiceCell), ParameterRows(params), error);
    view.RestoreCursor();
    if (!written) {
        view.ShowError("导出文件失败：" + path + "\n" + error);
        return;
    }
    if (view.AskOkCancel("已导出文件：" + path + "，是否打开文件？  ")) view.OpenDocument(path);
}

}  // namespace ui
