#pragma once
// A test configuration for the information export: 3 settings and 2 parameters, names in GBK as the tables
// hold them, and a view that records what the window would show.
#include <string>
#include <vector>

#include "config/PointTables.h"
#include "platform/Gbk.h"
#include "ui/settings/InformationExport.h"

namespace spreadsheet::testing {

struct ExportTables {
    config::SettingTable settings{};
    config::ParamTable params{};

    ExportTables() {
        settings.Number = 3;
        config::SetText(settings.Name[0], platform::Utf8ToGbk("过流定值"));
        settings.CC2[0] = 1000;
        settings.RawValue[0] = 1234;
        settings.Value[0] = 1.234f;
        config::SetText(settings.Name[1], platform::Utf8ToGbk("保护投退"));
        settings.RawValue[1] = 1;
        settings.ValueNmuber[1] = 2;
        config::SetText(settings.ValueDescribe[1][0], platform::Utf8ToGbk("退出"));
        config::SetText(settings.ValueDescribe[1][1], platform::Utf8ToGbk("投入"));
        config::SetText(settings.Name[2], platform::Utf8ToGbk("延时"));
        settings.RawValue[2] = config::kRawNone;
        settings.Value[2] = 65535.0f;

        params.Number = 2;
        config::SetText(params.Name[0], platform::Utf8ToGbk("装置地址"));
        params.ShowName[0] = 0;
        params.RawValue[0] = 7;
        config::SetText(params.Name[1], platform::Utf8ToGbk("波特率"));
        params.ShowName[1] = 1;
        params.RawValue[1] = config::kRawNone;
    }
    static bool IsChoice(int row) { return row == 1; }
};

class RecordingView : public ui::ExportView {
  public:
    void ShowWaitCursor() override { calls.push_back("wait"); }
    void RestoreCursor() override { calls.push_back("restore"); }
    void ShowInformation(const std::string& text) override { calls.push_back("info:" + text); }
    void ShowError(const std::string& text) override { calls.push_back("error:" + text); }
    bool AskOkCancel(const std::string& text) override {
        calls.push_back("ask:" + text);
        return answerOk;
    }
    void OpenDocument(const std::string& path) override { calls.push_back("open:" + path); }

    bool answerOk = true;
    std::vector<std::string> calls;
};

}  // namespace spreadsheet::testing
