#pragma once
// 保存定值参数 and 打开定值参数: the file dialogs, the project file and the tables.
#include <functional>
#include <mutex>
#include <string>

#include "config/PointTables.h"
#include "ui/settings/SettingsPrompts.h"

namespace ui {

inline constexpr char kProjectFolder[] = "项目存档";
inline constexpr char kProposedProjectName[] = "xxxxxx.prj";
inline constexpr char kProjectOpenFailed[] = "无法打开项目文件！";
inline constexpr char kProjectWrongSize[] = "项目文件无效：大小不是144524字节，未载入。";
inline constexpr char kProjectSaveFailed[] = "无法保存项目文件！";

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

// Both report what went wrong in a message box; an open that fails leaves the tables as they were.
void SaveProjectFile(ProjectContext& ctx);
void OpenProjectFile(ProjectContext& ctx);

}  // namespace ui
