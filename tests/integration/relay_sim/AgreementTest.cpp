// The simulator and the shipped sample configuration agree: every point the host is configured to read is
// there, where the host looks, with a value the host can show.
#include <gtest/gtest.h>

#include <memory>

#include "config/TableLoader.h"
#include "integration/relay_sim/SimProcess.h"
#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"
#include "modbus/ResponseChecks.h"
#include "modbus/TableRequests.h"

namespace relaysim_test {
namespace {

TEST(RelaySimAgreement, EveryConfiguredPointOfTheSampleIsServed) {
    const std::string ini = SampleIni();
    auto yc = std::make_unique<config::YcTable>(config::LoadYcTable(ini));
    auto yx = std::make_unique<config::YxTable>(config::LoadYxTable(ini));
    auto cs = std::make_unique<config::ParamTable>(config::LoadParamTable(ini));
    auto dz = std::make_unique<config::SettingTable>(config::LoadSettingTable(ini));
    ASSERT_GT(yc->Number, 0);
    ASSERT_GT(yx->Number, 0);

    // Given only its program folder, the simulator reads the copy of the sample laid out there.
    SimProcess sim({"--program-folder", RELAY_SIM_DIR});
    ASSERT_TRUE(sim.ok());

    const Bytes poll = sim.Transact(modbus::BuildPollRequest(1, *yc));
    ASSERT_EQ(modbus::CheckPollResponse(poll.data(), poll.size(), 1), modbus::PollFault::None);
    ASSERT_EQ(poll[2], 2 * yc->AskNumber);
    EXPECT_EQ(modbus::RegisterAt(poll.data(), poll.size(), yc->VersionPost), 163);
    for (int k = 0; k < 6; ++k) EXPECT_TRUE(modbus::RegisterAt(poll.data(), poll.size(), yc->TimePost + k));
    EXPECT_TRUE(modbus::RegisterAt(poll.data(), poll.size(), modbus::kSoeIndexRegister));

    for (int i = 0; i < yc->Number; ++i) {
        SCOPED_TRACE("telemetry point " + std::to_string(i + 1));
        const auto low = modbus::RegisterAtPosition(poll.data(), poll.size(), yc->Post[i]);
        ASSERT_TRUE(low.has_value());
        EXPECT_NE(*low, 0xFFFF) << "a value the host shows as empty";
        if (yc->PostH[i] != 0) {
            EXPECT_TRUE(modbus::RegisterAtPosition(poll.data(), poll.size(), yc->PostH[i]));
        }
        // Calibration coefficients named by clickable points lie in the parameter block and start at 1.0.
        if (yc->bCanBeClick[i] != 0) {
            EXPECT_GE(yc->bCheckMemery[i], cs->Start);
            EXPECT_LT(yc->bCheckMemery[i], cs->Start + cs->Number);
            EXPECT_EQ(sim.Command("get reg " + std::to_string(yc->bCheckMemery[i])),
                      "REG " + std::to_string(yc->bCheckMemery[i]) + " 1024");
        }
    }
    for (int i = 0; i < yx->Number; ++i) {
        SCOPED_TRACE("telesignal " + std::to_string(i + 1));
        const int b = yx->Post[i] - 1;
        ASSERT_GE(b, 0);
        const auto word = modbus::RegisterAt(poll.data(), poll.size(), yc->YXPost + b / 16);
        ASSERT_TRUE(word.has_value());
        // The bit the host decodes is the one the control channel reports.
        EXPECT_EQ(sim.Command("get yx " + std::to_string(yx->Post[i])),
                  "YX " + std::to_string(yx->Post[i]) + " " + std::to_string((*word >> (b % 16)) & 1));
    }

    const Bytes params = sim.Transact(*modbus::BuildBlockReadRequest(1, *cs));
    ASSERT_EQ(params.size(), 5u + 2 * cs->Number);
    ASSERT_EQ(params[2], 2 * cs->Number) << "recognised as the parameter block by its byte count";
    for (int j = 0; j < cs->Number; ++j)
        EXPECT_TRUE(modbus::RegisterAtPosition(params.data(), params.size(), cs->Post[j]));
    EXPECT_EQ(modbus::BaudFromCode(*modbus::RegisterAtPosition(params.data(), params.size(), cs->Post[4])),
              9600);
    EXPECT_EQ(modbus::BaudFromCode(*modbus::RegisterAtPosition(params.data(), params.size(), cs->Post[6])),
              9600);
    EXPECT_EQ(modbus::RegisterAtPosition(params.data(), params.size(), cs->Post[50]), 1);
    EXPECT_TRUE(modbus::CheckCrc16(params.data() + modbus::kHardwareInfoResponseOffset, 12));

    const Bytes settings = sim.Transact(*modbus::BuildBlockReadRequest(1, *dz));
    ASSERT_EQ(settings.size(), 5u + 2 * dz->Number);
    for (int j = 0; j < dz->Number; ++j) {
        SCOPED_TRACE("setting " + std::to_string(j + 1));
        const auto v = modbus::RegisterAtPosition(settings.data(), settings.size(), dz->Post[j]);
        ASSERT_TRUE(v.has_value());
        EXPECT_GE(*v, dz->Min[j]);
        EXPECT_LE(*v, dz->Max[j]);
        if (dz->ValueNmuber[j] != 0) {
            EXPECT_LT(*v, dz->ValueNmuber[j]);
        }
    }
}

}  // namespace
}  // namespace relaysim_test
