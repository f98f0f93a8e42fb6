#pragma once
// The message boxes and file dialogs of the settings and parameters window, behind an interface so the
// window's logic runs without a display. Every box carries the application's title. Texts are UTF-8.
#include <optional>
#include <string>

namespace ui {

class SettingsPrompts {
  public:
    virtual ~SettingsPrompts() = default;
    // OK button, no icon.
    virtual void Notice(const std::string& text) = 0;
    // OK button, information icon.
    virtual void Inform(const std::string& text) = 0;
    // OK button, warning icon.
    virtual void Warn(const std::string& text) = 0;
    // OK and Cancel, information icon; true for OK.
    virtual bool AskOkCancel(const std::string& text) = 0;

    struct FileDialog {
        std::string title;
        std::string filter;         // "description (pattern)"
        std::string folder;         // initial folder
        std::string proposedFile;   // full path of the proposed file
        std::string defaultSuffix;  // added to a name typed without one; empty for none
        bool confirmOverwrite = false;
    };
    // The chosen path, or nothing when the operator cancels.
    virtual std::optional<std::string> AskSaveFile(const FileDialog& dialog) = 0;
    virtual std::optional<std::string> AskOpenFile(const FileDialog& dialog) = 0;
};

}  // namespace ui
