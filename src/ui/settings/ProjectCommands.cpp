#include "ui/settings/ProjectCommands.h"

#include <memory>

#include "ui/settings/ProjectFile.h"

namespace ui {

namespace {

std::string ProjectFolder(const std::string& programFolder) {
    return programFolder + "/" + kProjectFolder + "/";
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
    std::vector<std::uint8_t> image;
    const ProjectFileResult result = ReadProjectFile(*path, image);
    if (result != ProjectFileResult::Ok) {
        ctx.prompts->Inform(result == ProjectFileResult::WrongSize ? kProjectWrongSize : kProjectOpenFailed);
        return;
    }
    auto setting = std::make_unique<config::SettingTable>();
    auto param = std::make_unique<config::ParamTable>();
    if (!DecodeProject(image, *setting, *param)) {
        ctx.prompts->Inform(kProjectWrongSize);
        return;
    }
    {
        std::lock_guard lock(*ctx.tablesMutex);
        *ctx.setting = *setting;
        *ctx.param = *param;
    }
    if (ctx.refreshLists) ctx.refreshLists();
}

}  // namespace ui
