#pragma once
// Records the boxes a command shows and answers its questions and file dialogs from a script.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/settings/SettingsPrompts.h"

namespace settings_test {

struct FakePrompts : ui::SettingsPrompts {
    std::vector<std::string> shown;  // "notice: ...", "inform: ...", "warn: ...", "ask: ..."
    std::deque<bool> answers;        // for AskOkCancel; OK when empty
    std::optional<std::string> filePath;
    std::vector<FileDialog> dialogs;

    void Notice(const std::string& text) override { shown.push_back("notice: " + text); }
    void Inform(const std::string& text) override { shown.push_back("inform: " + text); }
    void Warn(const std::string& text) override { shown.push_back("warn: " + text); }
    bool AskOkCancel(const std::string& text) override {
        shown.push_back("ask: " + text);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> AskSaveFile(const FileDialog& dialog) override {
        dialogs.push_back(dialog);
        return filePath;
    }
    std::optional<std::string> AskOpenFile(const FileDialog& dialog) override {
        dialogs.push_back(dialog);
        return filePath;
    }
};

}  // namespace settings_test
