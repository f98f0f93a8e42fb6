#pragma once
// The four transfer buttons: their warnings while the link is down and their questions while values have
// not been read yet, in front of the block transfer requests.
#include "ui/settings/SettingsPrompts.h"

namespace ui {

// What the buttons act on: the link state, the table counts and the queue operations.
class TransferTarget {
  public:
    virtual ~TransferTarget() = default;
    virtual bool CommOk() = 0;
    // Settings / parameters in use whose raw value has not been read yet.
    virtual int UnreadSettings() = 0;
    virtual int UnreadParameters() = 0;
    virtual void UploadSettings() = 0;
    virtual void DownloadSettings() = 0;
    virtual void UploadParameters() = 0;
    virtual void DownloadParameters() = 0;
};

// More parameters than this not yet read make the parameter download ask for an upload first.
inline constexpr int kMaxUnreadParametersForDownload = 20;

void UploadSettingsCommand(TransferTarget& target, SettingsPrompts& prompts);
void DownloadSettingsCommand(TransferTarget& target, SettingsPrompts& prompts);
void UploadParametersCommand(TransferTarget& target, SettingsPrompts& prompts);
void DownloadParametersCommand(TransferTarget& target, SettingsPrompts& prompts);

}  // namespace ui
