#pragma once
// 保存定值参数 and 打开定值参数: the file dialogs, the project file and the tables.
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/PointTables.h"
#include "ui/settings/ProjectComparison.h"
#include "ui/settings/SettingsPrompts.h"

namespace ui {

inline constexpr char kProjectFolder[] = "项目存档";
inline constexpr char kProposedProjectName[] = "xxxxxx.prj";
inline constexpr char kProjectOpenFailed[] = "无法打开项目文件！";
inline constexpr char kProjectWrongSize[] = "项目文件无效：大小不是144524字节，未载入。";
inline constexpr char kProjectSaveFailed[] = "无法保存项目文件！";
inline constexpr char kCompareDialogTitle[] = "选择比较的项目文件";

struct ProjectContext {
    config::SettingTable* setting = nullptr;
    config::ParamTable* param = nullptr;
    std::mutex* tablesMutex = nullptr;
    std::string programFolder;
    SettingsPrompts* prompts = nullptr;
    std::function<void()> refreshLists;  // both lists, after an open
};

SettingsPrompts::FileDialog SaveProjectDialog(const std::string& programFolder);
SettingsPrompts::FileDialog OpenProjectDialog(const std::string& programFolder);
SettingsPrompts::FileDialog CompareProjectDialog(const std::string& programFolder);

// Both report what went wrong in a message box; an open that fails leaves the tables as they were.
void SaveProjectFile(ProjectContext& ctx);
void OpenProjectFile(ProjectContext& ctx);

struct ProjectComparisonResult {
    std::string path;
    std::vector<ValueDifference> differences;  // empty: none differs
};
// 比较项目文件: asks for a file and compares it with the tables; the tables are never changed. Nothing when
// the operator cancels, or when the file is refused as 打开定值参数 refuses it (after the same message).
std::optional<ProjectComparisonResult> CompareProjectFile(ProjectContext& ctx,
                                                          const std::function<bool(int)>& isChoiceCell);
// The same with the file at `path`, without the dialog.
std::optional<ProjectComparisonResult> CompareWithProjectFile(ProjectContext& ctx, const std::string& path,
                                                              const std::function<bool(int)>& isChoiceCell);

}  // namespace ui
