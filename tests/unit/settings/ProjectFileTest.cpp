#include <gtest/gtest.h>
#include <stdlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>

#include "FakePrompts.h"
#include "support/Waiting.h"
#include "ui/settings/ProjectCommands.h"
#include "ui/settings/ProjectFile.h"

namespace ui {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t U16At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t U32At(const Bytes& b, std::size_t at) {
    return U16At(b, at) | std::uint32_t{U16At(b, at + 2)} << 16;
}
std::string TextAt(const Bytes& b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(&b[at]));
}

// Every field of both tables with a value that tells slot and field apart.
struct Tables {
    std::unique_ptr<config::SettingTable> setting = std::make_unique<config::SettingTable>();
    std::unique_ptr<config::ParamTable> param = std::make_unique<config::ParamTable>();
    Tables() {
        config::SettingTable& s = *setting;
        s.Start = 0x1234;
        s.Number = 100;
        config::ParamTable& p = *param;
        p.Start = 0x5678;
        p.Number = 60;
        p.YKWayPost = 0x9A;
        for (int i = 0; i < config::kPointCount; ++i) {
            const auto u = static_cast<std::uint16_t>(i);
            config::SetText(s.Name[i], "S" + std::to_string(i));
            s.RawValue[i] = static_cast<std::uint16_t>(1000 + u);
            s.CC2[i] = static_cast<std::uint16_t>(2000 + u);
            s.Value[i] = 0.5f + static_cast<float>(i);
            s.Max[i] = static_cast<std::uint16_t>(3000 + u);
            s.Min[i] = static_cast<std::uint16_t>(4000 + u);
            s.Post[i] = static_cast<std::uint8_t>(i + 1);
            s.ColorBack[i] = config::Rgb{1, 2, static_cast<std::uint8_t>(i)};
            s.ColorText[i] = config::Rgb{static_cast<std::uint8_t>(i), 5, 6};
            s.ValueNmuber[i] = static_cast<std::uint8_t>(i % 33);
            for (int k = 0; k < config::kDescriptionCount; ++k) {
                config::SetText(s.ValueDescribe[i][k], "D" + std::to_string(i) + "." + std::to_string(k));
            }
            config::SetText(p.Name[i], "P" + std::to_string(i));
            p.ShowName[i] = u % 2;
            p.RawValue[i] = static_cast<std::uint16_t>(5000 + u);
            p.CC2[i] = static_cast<std::uint16_t>(6000 + u);
            p.Reserved[i] = 0x01020304u + u;
            p.Post[i] = static_cast<std::uint8_t>(128 - i);
            p.ColorBack[i] = config::Rgb{7, static_cast<std::uint8_t>(i), 8};
            p.ColorText[i] = config::Rgb{9, 10, static_cast<std::uint8_t>(255 - i)};
        }
    }
};

std::string TempDir() {
    char pattern[] = "/tmp/varn-project-XXXXXX";
    return mkdtemp(pattern);
}

Bytes ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

TEST(ProjectFile, EveryFieldLiesAtItsOffsetLittleEndian) {
    Tables t;
    const Bytes b = EncodeProject(*t.setting, *t.param);
    ASSERT_EQ(b.size(), 144524u);
    EXPECT_EQ(U16At(b, 0), 0x1234);
    EXPECT_EQ(U16At(b, 2), 100);
    for (int i : {0, 1, 77, 127}) {
        const auto u = static_cast<std::uint32_t>(i);
        EXPECT_EQ(TextAt(b, 4 + 32 * u), "S" + std::to_string(i));
        EXPECT_EQ(U16At(b, 4100 + 2 * u), 1000 + u);
        EXPECT_EQ(U16At(b, 4356 + 2 * u), 2000 + u);
        float value = 0;
        std::memcpy(&value, &b[4612 + 4 * u], 4);
        EXPECT_EQ(value, 0.5f + static_cast<float>(i));
        EXPECT_EQ(U16At(b, 5124 + 2 * u), 3000 + u);
        EXPECT_EQ(U16At(b, 5380 + 2 * u), 4000 + u);
        EXPECT_EQ(b[5636 + u], i + 1);
        EXPECT_EQ(U32At(b, 5764 + 4 * u), 0x00000201u | u << 16);  // red in the lowest byte
        EXPECT_EQ(U32At(b, 6276 + 4 * u), 0x00060500u | u);
        EXPECT_EQ(b[6788 + u], i % 33);
        EXPECT_EQ(TextAt(b, 6916 + 1024 * u + 32 * 5), "D" + std::to_string(i) + ".5");
        EXPECT_EQ(TextAt(b, 6916 + 1024 * u + 32 * 31), "D" + std::to_string(i) + ".31");

        EXPECT_EQ(TextAt(b, 137993 + 32 * u), "P" + std::to_string(i));
        EXPECT_EQ(U16At(b, 142090 + 2 * u), u % 2);
        EXPECT_EQ(U16At(b, 142346 + 2 * u), 5000 + u);
        EXPECT_EQ(U16At(b, 142602 + 2 * u), 6000 + u);
        EXPECT_EQ(U32At(b, 142860 + 4 * u), 0x01020304u + u);
        EXPECT_EQ(b[143372 + u], 128 - i);
        EXPECT_EQ(U32At(b, 143500 + 4 * u), 0x00080007u | u << 8);
        EXPECT_EQ(U32At(b, 144012 + 4 * u), 0x000A09u | (255 - u) << 16);
    }
    EXPECT_EQ(U16At(b, 137988), 0x5678);
    EXPECT_EQ(U16At(b, 137990), 60);
    EXPECT_EQ(b[137992], 0x9A);
    EXPECT_EQ(b[142089], 0);  // alignment bytes
    EXPECT_EQ(U16At(b, 142858), 0);
}

TEST(ProjectFile, DecodeReproducesTheTablesAndClampsWhatTheyCannotHold) {
    Tables t;
    const Bytes image = EncodeProject(*t.setting, *t.param);
    Tables back;
    *back.setting = config::SettingTable{};
    *back.param = config::ParamTable{};
    ASSERT_TRUE(DecodeProject(image, *back.setting, *back.param));
    EXPECT_EQ(EncodeProject(*back.setting, *back.param), image);
    EXPECT_EQ(std::memcmp(back.setting.get(), t.setting.get(), sizeof(config::SettingTable)), 0);

    Bytes bad = image;
    bad[2] = 200;        // settings Number 200
    bad[137990] = 0x10;  // parameters Number 0x2010
    bad[137991] = 0x20;
    bad[6788 + 3] = 99;                      // ValueNmuber 99
    std::memset(&bad[4 + 32 * 7], 'x', 32);  // a name without terminator
    std::memset(&bad[137993 + 32 * 2], 'y', 32);
    ASSERT_TRUE(DecodeProject(bad, *back.setting, *back.param));
    EXPECT_EQ(back.setting->Number, 128);
    EXPECT_EQ(back.param->Number, 128);
    EXPECT_EQ(back.setting->ValueNmuber[3], 32);
    EXPECT_EQ(config::TextView(back.setting->Name[7]), std::string(31, 'x'));
    EXPECT_EQ(config::TextView(back.param->Name[2]), std::string(31, 'y'));

    for (std::size_t size : {std::size_t{0}, kProjectFileSize - 1, kProjectFileSize + 1}) {
        Bytes wrong(size, 0x55);
        EXPECT_FALSE(DecodeProject(wrong, *back.setting, *back.param));
    }
    EXPECT_EQ(back.setting->Number, 128);  // untouched by the refused images
}

struct ProjectCommandsTest : ::testing::Test {
    Tables t;
    std::mutex mutex;
    settings_test::FakePrompts prompts;
    std::string folder = TempDir();
    int refreshes = 0;
    ProjectContext Context() {
        return {t.setting.get(), t.param.get(), &mutex, folder, &prompts, [this] { ++refreshes; }};
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
};

TEST_F(ProjectCommandsTest, DialogsProposeTheProjectFolderAndName) {
    auto ctx = Context();
    SaveProjectFile(ctx);
    OpenProjectFile(ctx);
    ASSERT_EQ(prompts.dialogs.size(), 2u);
    const auto& save = prompts.dialogs[0];
    EXPECT_EQ(save.title, "保存项目设置文件");
    EXPECT_EQ(save.filter, "Tessel项目管理文件 (*.prj*)");
    EXPECT_EQ(save.folder, folder + "/项目存档/");
    EXPECT_EQ(save.proposedFile, folder + "/项目存档/xxxxxx.prj");
    EXPECT_EQ(save.defaultSuffix, "prj");
    EXPECT_TRUE(save.confirmOverwrite);
    const auto& open = prompts.dialogs[1];
    EXPECT_EQ(open.title, "打开项目设置文件");
    EXPECT_EQ(open.filter, "Tessel项目项目管理文件 (*.prj*)");
    EXPECT_EQ(open.proposedFile, folder + "/项目存档/xxxxxx.prj");
    EXPECT_TRUE(prompts.shown.empty());  // cancelled: nothing happens
    EXPECT_EQ(refreshes, 0);
}

TEST_F(ProjectCommandsTest, SaveAndOpenRoundTripIncludingRuntimeValues) {
    const std::string path = folder + "/a.prj";
    {
        std::ofstream longer(path, std::ios::binary);
        longer << std::string(200000, 'z');
    }
    prompts.filePath = path;
    auto ctx = Context();
    const Bytes before = EncodeProject(*t.setting, *t.param);
    SaveProjectFile(ctx);
    EXPECT_EQ(ReadAll(path), before);  // the longer old file is cut

    t.setting->RawValue.fill(config::kRawNone);
    t.param->Number = 1;
    OpenProjectFile(ctx);
    EXPECT_EQ(EncodeProject(*t.setting, *t.param), before);
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(ProjectCommandsTest, FilesOfTheWrongSizeOrUnreadableAreRefusedAndTablesKept) {
    auto ctx = Context();
    const Bytes before = EncodeProject(*t.setting, *t.param);
    const std::string shortFile = folder + "/short.prj";
    std::ofstream(shortFile, std::ios::binary) << std::string(kProjectFileSize - 1, '\0');
    const std::string longFile = folder + "/long.prj";
    std::ofstream(longFile, std::ios::binary) << std::string(kProjectFileSize + 1, '\0');
    for (const std::string& path : {shortFile, longFile}) {
        prompts.filePath = path;
        OpenProjectFile(ctx);
    }
    prompts.filePath = folder + "/missing.prj";
    OpenProjectFile(ctx);
    prompts.filePath = folder + "/no-such-folder/x.prj";
    SaveProjectFile(ctx);
    EXPECT_EQ(prompts.shown,
              (std::vector<std::string>{"inform: 项目文件无效：大小不是144524字节，未载入。",
                                        "inform: 项目文件无效：大小不是144524字节，未载入。",
                                        "inform: 无法打开项目文件！", "inform: 无法保存项目文件！"}));
    EXPECT_EQ(EncodeProject(*t.setting, *t.param), before);
    EXPECT_EQ(refreshes, 0);
}

TEST_F(ProjectCommandsTest, FifosAndDevicesAreRefusedWithoutWaiting) {
    auto ctx = Context();
    const Bytes before = EncodeProject(*t.setting, *t.param);
    const std::string fifo = folder + "/fifo.prj";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = folder + "/zero.prj";
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    ::test::RunWithin(std::chrono::seconds(10), "a project file that is a FIFO stalled the window", [&] {
        for (const std::string& path : {fifo, zero}) {
            prompts.filePath = path;
            OpenProjectFile(ctx);
            SaveProjectFile(ctx);
        }
    });
    const std::string open = "inform: 无法打开项目文件！";
    const std::string save = "inform: 无法保存项目文件！";
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{open, save, open, save}));
    EXPECT_EQ(EncodeProject(*t.setting, *t.param), before);
}

}  // namespace
}  // namespace ui
