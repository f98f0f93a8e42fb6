#pragma once
// The information export of the settings and parameters window: the relay's settings and parameters as the
// window holds them, written to a new workbook in 信息导出 with the sheets "定值" and "参数". Qt-free; the
// window supplies the message boxes, the cursor and the shell through ExportView.
#include <functional>
#include <string>
#include <vector>

#include "config/PointTables.h"
#include "platform/Clock.h"

namespace ui {

class ExportView {
  public:
    virtual ~ExportView() = default;
    virtual void ShowWaitCursor() = 0;
    virtual void RestoreCursor() = 0;
    virtual void ShowInformation(const std::string& text) = 0;  // OK button, information icon
    virtual void ShowError(const std::string& text) = 0;        // OK button, warning icon
    virtual bool AskOkCancel(const std::string& text) = 0;      // information icon; true on OK
    virtual void OpenDocument(const std::string& path) = 0;     // the shell's "open", window shown normally
};

using Row = std::vector<std::string>;

// "<folder>/信息导出/yy-mm-dd hh.mm.xls" from the local time, in the system's form (NativeSeparators).
std::string ExportFilePath(const std::string& programFolder, const platform::LocalTime& now);

// The data rows of the two sheets (UTF-8). `isChoiceCell(i)` tells whether the value cell of setting row i
// was made a choice cell when the window was created.
std::vector<Row> SettingRows(const config::SettingTable& settings,
                             const std::function<bool(int)>& isChoiceCell);
std::vector<Row> ParameterRows(const config::ParamTable& params);

// Writes both sheets to `path`. False with `error` naming the writer's failure.
bool WriteInformationWorkbook(const std::string& path, const std::vector<Row>& settingRows,
                              const std::vector<Row>& parameterRows, std::string& error);

// The whole export as the menu item runs it. The tables are copies taken by the caller.
void ExportInformation(ExportView& view, const std::string& programFolder, const platform::LocalTime& now,
                       const config::SettingTable& settings, const config::ParamTable& params,
                       const std::function<bool(int)>& isChoiceCell);

}  // namespace ui
