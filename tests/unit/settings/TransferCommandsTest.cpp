#include <gtest/gtest.h>

#include "FakePrompts.h"
#include "ui/settings/TransferCommands.h"

namespace ui {
namespace {

struct FakeTarget : TransferTarget {
    bool commOk = true;
    int unreadSettings = 0;
    int unreadParameters = 0;
    std::vector<std::string> queued;
    bool CommOk() override { return commOk; }
    int UnreadSettings() override { return unreadSettings; }
    int UnreadParameters() override { return unreadParameters; }
    void UploadSettings() override { queued.push_back("upload settings"); }
    void DownloadSettings() override { queued.push_back("download settings"); }
    void UploadParameters() override { queued.push_back("upload parameters"); }
    void DownloadParameters() override { queued.push_back("download parameters"); }
};

using Texts = std::vector<std::string>;

TEST(TransferCommands, UploadsWarnWhileTheLinkIsDownAndQueueAllTheSame) {
    for (bool ok : {true, false}) {
        FakeTarget target;
        target.commOk = ok;
        settings_test::FakePrompts prompts;
        UploadSettingsCommand(target, prompts);
        UploadParametersCommand(target, prompts);
        EXPECT_EQ(target.queued, (Texts{"upload settings", "upload parameters"}));
        const Texts expected =
            ok ? Texts{} : Texts{"notice: 通讯错误，暂时不能上装定值", "notice: 通讯错误，暂时不能上装参数"};
        EXPECT_EQ(prompts.shown, expected);
    }
}

TEST(TransferCommands, SettingsDownloadAsksWhileAnySettingIsUnread) {
    FakeTarget target;
    settings_test::FakePrompts prompts;
    DownloadSettingsCommand(target, prompts);
    EXPECT_EQ(target.queued, Texts{"download settings"});

    target = FakeTarget{};
    target.commOk = false;
    target.unreadSettings = 1;
    prompts = {};
    prompts.answers = {true};
    DownloadSettingsCommand(target, prompts);
    // Link message, question, then the upload with its own link message; nothing is written.
    EXPECT_EQ(prompts.shown,
              (Texts{"notice: 通讯错误，暂时不能下载定值", "ask: 系统未检测有效参数，是否先上装定值？",
                     "notice: 通讯错误，暂时不能上装定值"}));
    EXPECT_EQ(target.queued, Texts{"upload settings"});

    target.queued.clear();
    target.commOk = true;
    prompts = {};
    prompts.answers = {false};
    DownloadSettingsCommand(target, prompts);
    EXPECT_TRUE(target.queued.empty());
}

TEST(TransferCommands, ParameterDownloadStopsWhileTheLinkIsDownAndAsksAbove20Unread) {
    FakeTarget target;
    target.commOk = false;
    settings_test::FakePrompts prompts;
    DownloadParametersCommand(target, prompts);
    EXPECT_EQ(prompts.shown, Texts{"notice: 通讯错误，暂时不能下载参数！"});
    EXPECT_TRUE(target.queued.empty());

    target.commOk = true;
    target.unreadParameters = 20;
    prompts = {};
    DownloadParametersCommand(target, prompts);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(target.queued, Texts{"download parameters"});

    target.queued.clear();
    target.unreadParameters = 21;
    prompts.answers = {true, false};
    DownloadParametersCommand(target, prompts);
    DownloadParametersCommand(target, prompts);
    EXPECT_EQ(prompts.shown, Texts(2, "ask: 系统未检测有效参数，是否先上装参数？"));
    EXPECT_EQ(target.queued, Texts{"upload parameters"});
}

}  // namespace
}  // namespace ui
