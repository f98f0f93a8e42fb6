#pragma once
// The settings and parameters window: the two tables side by side as editable lists, the four block
// transfers, project files, the export, the about box and the help document. The window holds no copy of
// the data: its lists show the process-wide tables and an accepted edit goes into the table at once.
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "SrcComboListCtrl/ComboListCtrl.h"
#include "engine/EngineContext.h"
#include "engine/EngineInterfaces.h"
#include "ui/common/UiBridge.h"
#include "ui/settings/ProjectCommands.h"
#include "ui/settings/SettingsPrompts.h"
#include "ui/settings/SettingsSheet.h"

class QAction;
class QMenuBar;
class QPushButton;

namespace ui {

class ProjectComparisonWindow;

inline constexpr char kSettingsTitle[] = "定值参数管理";
inline constexpr char kPrintSheetItem[] = "打印定值单…";
inline constexpr char kCompareProjectItem[] = "比较项目文件…";

class DlgDZCS : public QDialog, public engine::SettingsView, private combolist::ComboListOwner {
    Q_OBJECT
  public:
    enum class Button { UploadSettings, DownloadSettings, UploadParameters, DownloadParameters, Export };
    static constexpr int kSettingListId = 1;
    static constexpr int kParamListId = 2;

    // `ctx` needs its state, tables and mutex. The window registers itself as the context's settings view
    // and fills both lists.
    explicit DlgDZCS(engine::EngineContext& ctx, QWidget* parent = nullptr);
    ~DlgDZCS() override;

    // From the UI thread: refresh calls of the management thread no longer reach the window (those under
    // way finish first). Called before that thread is waited for; the destructor does it too.
    void Detach();

    // engine::SettingsView; callable from any thread, complete when they return.
    void RefreshParamList() override;
    void RefreshSettingList() override;

    // Collaborators the program sets and tests replace. Null prompts: the Qt message boxes and dialogs.
    void SetPrompts(SettingsPrompts* prompts);
    // Replaces the built-in information export (tests).
    void SetExportAction(std::function<void()> exportInformation) { export_ = std::move(exportInformation); }
    void SetSplashRunner(std::function<void()> runSplash) { runSplash_ = std::move(runSplash); }
    // Opens the help document and exported files; default: the desktop's viewer.
    void SetDocumentOpener(std::function<void(const std::string&)> open) { openDocument_ = std::move(open); }
    // The relay's model and version for the settings sheet, as the main window shows them; unset: empty.
    void SetDeviceTexts(std::function<DeviceTexts()> deviceTexts) { deviceTexts_ = std::move(deviceTexts); }

    // The commands of the buttons and menu items.
    void UploadSettingsCommand();
    void DownloadSettingsCommand();
    void UploadParametersCommand();
    void DownloadParametersCommand();
    void SaveProjectFile();
    void OpenProjectFile();
    void ExportInformation();
    // 打印定值单…: the sheet as a PDF in 信息导出 with a time-stamped name, then opened.
    void PrintSettingsSheet();
    // The sheet of the tables as they are now, written to `path`; false when it cannot be written.
    bool WriteSettingsSheet(const std::string& path);
    // 比较项目文件…: the values that differ from a chosen project file, or a message that none does.
    void CompareProjectFile();
    // The comparison with the project file at `path`, without the file dialog.
    void CompareWithProjectFile(const std::string& path);
    void ShowCopyright();
    void OpenHelp();

    // The help document's path in the program folder.
    static std::string HelpDocumentPath();

    combolist::ComboListCtrl* SettingList() const { return settingList_; }
    combolist::ComboListCtrl* ParamList() const { return paramList_; }
    QPushButton* ButtonWidget(Button button) const;
    QMenuBar* MenuBar() const { return menuBar_; }
    QAction* ExitAction() const { return exit_; }
    // The comparison window once a comparison found differences, else nullptr.
    ProjectComparisonWindow* ComparisonWindow() const { return comparison_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    class QtPrompts;
    class QtExportView;
    class Target;

    void BuildMenu();
    void BuildLists();
    void BuildButtons();
    void SetUpList(combolist::ComboListCtrl* list, const char* nameHeader, int id);
    void FillSettingList();
    void FillParamList();
    SettingsPrompts& Prompts();
    void OpenDocument(const std::string& path);
    bool IsChoiceRow(int row) const;
    void ShowComparison(const std::optional<ProjectComparisonResult>& result);

    // combolist::ComboListOwner
    void OnCellChoices(combolist::ComboListCtrl& list, int key, QStringList& items) override;
    void OnCellEdited(const combolist::CellEditRecord& record) override;

    engine::EngineContext& ctx_;
    UiBridge bridge_;
    std::unique_ptr<QtPrompts> qtPrompts_;
    std::unique_ptr<Target> target_;
    SettingsPrompts* prompts_ = nullptr;
    std::function<void()> export_;
    std::function<void()> runSplash_;
    std::function<void(const std::string&)> openDocument_;
    std::function<DeviceTexts()> deviceTexts_;

    QMenuBar* menuBar_ = nullptr;
    QAction* exit_ = nullptr;
    combolist::ComboListCtrl* settingList_ = nullptr;
    combolist::ComboListCtrl* paramList_ = nullptr;
    ProjectComparisonWindow* comparison_ = nullptr;
    QPushButton* buttons_[5] = {};
    bool attached_ = false;
};

}  // namespace ui
