#include "modbus/TableRequests.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using modbus::Frame;

TEST(TableRequests, ParameterWriteSendsBaudCodesSettingWriteSendsRawValues) {
    auto param = std::make_unique<config::ParamTable>();
    param->Start = 100;
    param->Number = 7;
    param->RawValue.fill(config::kRawNone);
    param->RawValue[0] = 0x0102;
    param->RawValue[4] = 19200;
    param->RawValue[6] = 3;  // not a baud number: goes out as the 9600 code
    const auto p = modbus::BuildBlockWriteRequest(1, *param);
    ASSERT_TRUE(p);
    EXPECT_EQ((Frame(p->begin(), p->end() - 2)),
              (Frame{0x01, 0x10, 0x00, 0x64, 0x00, 0x07, 0x0E, 0x01, 0x02, 0xFF, 0xFF,
                     0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x08, 0xFF, 0xFF, 0x00, 0x02}));
    EXPECT_EQ(param->RawValue[4], 19200);  // the table keeps the baud number

    auto setting = std::make_unique<config::SettingTable>();
    setting->Start = 200;
    setting->Number = 5;
    setting->RawValue.fill(19200);
    const auto s = modbus::BuildBlockWriteRequest(1, *setting);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->size(), 19U);
    EXPECT_EQ((*s)[3], 0xC8);
    EXPECT_EQ((*s)[15], 0x4B);  // entry 4 unchanged: 19200 = 0x4B00
    EXPECT_EQ((*s)[16], 0x00);

    EXPECT_EQ(modbus::BuildBlockReadRequest(1, *setting),
              (Frame{0x01, 0x03, 0x00, 0xC8, 0x00, 0x05, 0x04, 0x37}));
    setting->Number = 124;
    EXPECT_FALSE(modbus::BuildBlockWriteRequest(1, *setting));
    EXPECT_TRUE(modbus::BuildBlockReadRequest(1, *setting));
    param->Number = 0;
    EXPECT_FALSE(modbus::BuildBlockWriteRequest(1, *param));
    EXPECT_FALSE(modbus::BuildBlockReadRequest(1, *param));
}

}  // namespace
