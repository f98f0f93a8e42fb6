#include "ui/settings/TransferCommands.h"

namespace ui {

void UploadSettingsCommand(TransferTarget& target, SettingsPrompts& prompts) {
    if (!target.CommOk()) prompts.Notice("通讯错误，暂时不能上装定值");
    target.UploadSettings();
}

void DownloadSettingsCommand(TransferTarget& target, SettingsPrompts& prompts) {
    if (!target.CommOk()) prompts.Notice("通讯错误，暂时不能下载定值");
    if (target.UnreadSettings() > 0) {
        if (prompts.AskOkCancel("系统未检测有效参数，是否先上装定值？"))
            UploadSettingsCommand(target, prompts);
        return;
    }
    target.DownloadSettings();
}

void UploadParametersCommand(TransferTarget& target, SettingsPrompts& prompts) {
    if (!target.CommOk()) prompts.Notice("通讯错误，暂时不能上装参数");
    target.UploadParameters();
}

void DownloadParametersCommand(TransferTarget& target, SettingsPrompts& prompts) {
    if (!target.CommOk()) {
        prompts.Notice("通讯错误，暂时不能下载参数！");
        return;
    }
    if (target.UnreadParameters() > kMaxUnreadParametersForDownload) {
        if (prompts.AskOkCancel("系统未检测有效参数，是否先上装参数？"))
            UploadParametersCommand(target, prompts);
        return;
    }
    target.DownloadParameters();
}

}  // namespace ui
