// Checks the shipped sample configuration: it loads, and its points fit the register map it describes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "config/TableLoader.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"

namespace config {
namespace {

const std::string kFolder = std::string(VARN_TEST_SOURCE_DIR) + "/program_folder/配置文件/";

std::string ReadBytes(const std::string& path) {
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf8(const Text& text) {
    return platform::GbkToUtf8(TextView(text));
}

class SampleConfig : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::string path = kFolder + "VARN.ini";
        yc = std::make_unique<YcTable>(LoadYcTable(path));
        yx = std::make_unique<YxTable>(LoadYxTable(path));
        cs = std::make_unique<ParamTable>(LoadParamTable(path));
        dz = std::make_unique<SettingTable>(LoadSettingTable(path));
    }
    static inline std::unique_ptr<YcTable> yc;
    static inline std::unique_ptr<YxTable> yx;
    static inline std::unique_ptr<ParamTable> cs;
    static inline std::unique_ptr<SettingTable> dz;
};

TEST_F(SampleConfig, FilesAreGbkWithCrLfLines) {
    const std::string ini = ReadBytes(kFolder + "VARN.ini");
    ASSERT_FALSE(ini.empty());
    EXPECT_EQ(platform::GbkToUtf8(ini).find("\xEF\xBF\xBD"), std::string::npos) << "undecodable GBK";
    EXPECT_NE(ini.substr(0, 3), "\xEF\xBB\xBF");
    for (std::size_t i = 0; i < ini.size(); ++i) {
        if (ini[i] == '\n') {
            ASSERT_TRUE(i > 0 && ini[i - 1] == '\r') << "bare LF at byte " << i;
        }
    }
    EXPECT_EQ(ini.substr(ini.size() - 2), "\r\n");

    const std::string base = kFolder + "基本配置.ini";
    EXPECT_EQ(ReadBytes(base), "[Settings]\r\nPort=2\r\n");
    EXPECT_EQ(platform::ProfileGetInt(base, "Settings", "Port", 0), 2);
}

TEST_F(SampleConfig, PollImageHoldsClockSoeIndexVersionSignalsAndTelemetry) {
    EXPECT_EQ(yc->TimePost, 0);
    EXPECT_EQ(yc->VersionPost, 7);
    EXPECT_EQ(yc->YXPost, 8);
    EXPECT_GE(yc->AskNumber, 13);
    EXPECT_LE(yc->AskNumber, 125);  // one Modbus read
    ASSERT_GT(yc->Number, 0);
    EXPECT_LE(yc->Number, 63);  // what the main window shows

    std::set<int> used;  // registers of telemetry values
    int clickable = 0;
    for (int i = 0; i < yc->Number; ++i) {
        SCOPED_TRACE(Utf8(yc->Name[i]));
        EXPECT_NE(Utf8(yc->Name[i]), "遥测名称");
        // Telemetry lies from register 13 (position 14) on and inside the poll.
        EXPECT_GE(yc->Post[i], 14);
        EXPECT_LE(yc->Post[i], yc->AskNumber);
        EXPECT_TRUE(used.insert(yc->Post[i] - 1).second) << "register shared";
        if (yc->PostH[i] != 0) {
            EXPECT_GE(yc->PostH[i], 14);
            EXPECT_LE(yc->PostH[i], yc->AskNumber);
            EXPECT_TRUE(used.insert(yc->PostH[i] - 1).second) << "register shared";
        }
        EXPECT_TRUE(yc->CC2[i] == 1 || yc->CC2[i] == 10 || yc->CC2[i] == 100 || yc->CC2[i] == 1000);
        if (yc->bCanBeClick[i] != 0) {
            ++clickable;
            // The coefficient lies in the parameter block, outside the hardware information and the
            // remote-control mode.
            const int k = yc->bCheckMemery[i] - cs->Start;
            EXPECT_GE(k, 0);
            EXPECT_LT(k, cs->Number);
            EXPECT_FALSE(k == 4 || k == 6 || (k >= 21 && k <= 27) || k == 50) << k;
            EXPECT_LT(yc->Min[i], yc->Max[i]);
        }
    }
    EXPECT_GE(clickable, 3);
}

TEST_F(SampleConfig, TelesignalsFitTheSignalRegisters) {
    ASSERT_GT(yx->Number, 0);
    EXPECT_LE(yx->Number, 68);
    std::set<int> bits;
    bool accidentSignal = false;
    for (int i = 0; i < yx->Number; ++i) {
        SCOPED_TRACE(Utf8(yx->Name[i]));
        EXPECT_GE(yx->Post[i], 1);
        const int b = yx->Post[i] - 1;
        EXPECT_LE(yc->YXPost + b / 16, 12);  // signal registers 8..12
        EXPECT_TRUE(bits.insert(b).second) << "bit shared";
        EXPECT_LT(yx->Post[i], 100);  // SOE codes of 100 and more are not logged
        accidentSignal = accidentSignal || Utf8(yx->Name[i]).find("事故总") != std::string::npos;
    }
    EXPECT_TRUE(accidentSignal);
}

TEST_F(SampleConfig, ParameterBlockLayout) {
    EXPECT_EQ(cs->Start, 100);
    EXPECT_GE(cs->Number, 60);
    EXPECT_LE(cs->Number, 120);
    for (int k = 0; k < cs->Number; ++k) {
        EXPECT_EQ(cs->Post[k], k + 1) << k;
        EXPECT_EQ(cs->ShowName[k], (k >= 21 && k <= 27) ? 0 : 1) << k;
        EXPECT_NE(Utf8(cs->Name[k]), "参数名称") << k;
    }
    EXPECT_EQ(Utf8(cs->Name[4]), "通讯1波特率");
    EXPECT_EQ(Utf8(cs->Name[6]), "通讯2波特率");
    EXPECT_EQ(Utf8(cs->Name[21]), "硬件信息1");
    EXPECT_EQ(Utf8(cs->Name[27]), "硬件信息7");
    EXPECT_EQ(Utf8(cs->Name[50]), "遥控方式");
}

TEST_F(SampleConfig, SettingBlockLayout) {
    EXPECT_EQ(dz->Start, 200);
    ASSERT_GT(dz->Number, 0);
    EXPECT_LE(dz->Number, 123);  // one block write
    // Equal counts would make a setting upload look like a parameter upload.
    EXPECT_NE(dz->Number, cs->Number);
    int choices = 0;
    for (int k = 0; k < dz->Number; ++k) {
        SCOPED_TRACE(Utf8(dz->Name[k]));
        EXPECT_EQ(dz->Post[k], k + 1);
        EXPECT_GE(dz->CC2[k], 1);
        EXPECT_LE(dz->Min[k], dz->Max[k]);
        EXPECT_EQ(dz->RawValue[k], 65535);
        if (dz->ValueNmuber[k] != 0) {
            ++choices;
            EXPECT_EQ(dz->Max[k], dz->ValueNmuber[k] - 1);
            for (int m = 0; m < dz->ValueNmuber[k]; ++m)
                EXPECT_FALSE(TextView(dz->ValueDescribe[k][m]).empty());
        }
    }
    EXPECT_GT(choices, 0);
    EXPECT_LT(choices, dz->Number);
}

}  // namespace
}  // namespace config
