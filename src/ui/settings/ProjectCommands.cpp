#include "ui/settings/ProjectCommands.h"

#include <memory>
#include <optional>

#include "ui/settings/ProjectFile.h"

namespace ui {

namespace {

std::string ProjectFolder(const std::string& programFolder) {
    return programFolder + "/" + kProjectFolder + "/";
}

struct Tables {
    std::unique_ptr<config::SettingTable> setting = std::make_unique<config::SettingTable>();
    std::unique_ptr<config::ParamTable> param = std::make_unique<config::ParamTable>();
};

// The tables of the project file at `path`; nothing, after saying why, when it cannot be read or has the
// wrong size.
std::optional<Tables> ReadProjectTables(const std::string& path, SettingsPrompts& prompts) {
    std::vector<std::uint8_t> image;
    const ProjectFileResult result = ReadProjectFile(path, image);
    if (result != ProjectFileResult::Ok) {
        prompts.Inform(result == ProjectFileResult::WrongSize ? kProjectWrongSize : kProjectOpenFailed);
        return std::nullopt;
    }
    Tables tables;
    if (!DecodeProject(image, *tables.setting, *tables.param)) {
        prompts.Inform(kProjectWrongSize);
        return std::nullopt;
    }
    return tables;
}

}  // namespace

SettingsPrompts::FileDialog SaveProjectDialog(const std::string& programFolder) {
    const std::string folder = ProjectFolder(programFolder);
    return {"保存项目设置文件",
            "Tessel项目管理文件 (*.prj*)",
            folder,
            folder + kProposedProjectName,
            "prj",
            true};
}

SettingsPrompts::FileDialog OpenProjectDialog(const std::string& programFolder) {
    const std::string folder = ProjectFolder(programFolder);
    return {"打开项目设置文件",
            "Tessel项目项目管理文件 (*.prj*)",
            folder,
            folder + kProposedProjectName,
            "",
            false};
}

SettingsPrompts::FileDialog CompareProjectDialog(const std::string& programFolder) {
    SettingsPrompts::FileDialog dialog = OpenProjectDialog(programFolder);
    dialog.title = kCompareDialogTitle;
    return dialog;
}

void SaveProjectFile(ProjectContext& ctx) {
    const auto path = ctx.prompts->AskSaveFile(SaveProjectDialog(ctx.programFolder));
    if (!path) return;
    std::vector<std::uint8_t> image;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        image = EncodeProject(*ctx.setting, *ctx.param);
    }
    if (WriteProjectFile(*path, image) != ProjectFileResult::Ok) ctx.prompts->Inform(kProjectSaveFailed);
}

void OpenProjectFile(ProjectContext& ctx) {
    const auto path = ctx.prompts->AskOpenFile(OpenProjectDialog(ctx.programFolder));
    if (!path) return;
    const std::optional<Tables> file = ReadProjectTables(*path, *ctx.prompts);
    if (!file) return;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        *ctx.setting = *file->setting;
        *ctx.param = *file->param;
    }
    if (ctx.refreshLists) ctx.refreshLists();
}

std::optional<ProjectComparisonResult> CompareProjectFile(ProjectContext& ctx,
                                                          const std::function<bool(int)>& isChoiceCell) {
    const auto path = ctx.prompts->AskOpenFile(CompareProjectDialog(ctx.programFolder));
    if (!path) return std::nullopt;
    return CompareWithProjectFile(ctx, *path, isChoiceCell);
}

std::optional<ProjectComparisonResult> CompareWithProjectFile(ProjectContext& ctx, const std::string& path,
                                                              const std::function<bool(int)>& isChoiceCell) {
    const std::optional<Tables> file = ReadProjectTables(path, *ctx.prompts);
    if (!file) return std::nullopt;
    Tables window;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        *window.setting = *ctx.setting;
        *window.param = *ctx.param;
    }
    return ProjectComparisonResult{
        path, CompareWithProject(*window.setting, *window.param, *file->setting, *file->param, isChoiceCell)};
}

}  // namespace ui
