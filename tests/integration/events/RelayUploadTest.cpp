// The event upload chain and the hardware-ID write against the simulated relay's own logic: every frame the
// management thread sends is answered by the relay as it would be on the line.
#include <gtest/gtest.h>

#include "modbus/Crc16.h"
#include "relay_sim/Relay.h"
#include "ui/events/EventRecordFormat.h"
#include "ui/events/EventRecordUpload.h"
#include "ui/hardware_id/HardwareIdSequence.h"
#include "unit/engine/EngineHarness.h"

namespace ui {
namespace {

using engine_test::Bytes;

struct RelayFixture {
    engine_test::Harness h;
    relaysim::Relay relay;
    relaysim::Now now;
    std::vector<Bytes> requests;  // everything but polls

    static relaysim::Now Start() {
        relaysim::Now n;
        n.local.year = 2026;
        n.local.month = 3;
        n.local.day = 4;
        n.local.hour = 5;
        return n;
    }

    explicit RelayFixture(relaysim::HwInfoMode mode = relaysim::HwInfoMode::Valid, unsigned events = 120)
        : relay(*relaysim::LoadLayout(engine_test::SampleIni()), Options(mode, events), Start()),
          now(Start()) {
        h.transport.responder = [this](const Bytes& frame) -> std::optional<Bytes> {
            if (!(frame[1] == 3 && frame[2] == 0 && frame[3] == 0)) requests.push_back(frame);
            auto reply = relay.Handle(frame, now);
            if (!reply) return std::nullopt;
            return Bytes(reply->begin(), reply->end());
        };
    }

    static relaysim::RelayOptions Options(relaysim::HwInfoMode mode, unsigned events) {
        relaysim::RelayOptions o;
        o.hwinfo = mode;
        o.initialEvents = events;
        o.still = true;
        return o;
    }

    void Passes(int n) {
        for (int i = 0; i < n; ++i) h.thread.RunPass();
    }
};

TEST(RelayEventUpload, FullUploadMakesTwentyRequestsAndFiveHundredLines) {
    RelayFixture f(relaysim::HwInfoMode::Valid, 120);
    EventRecordUpload upload;
    upload.Bind(&f.h.ctx);
    f.h.ctx.eventRecords = &upload;
    f.Passes(1);  // a poll: the link is up
    upload.Upload();
    f.Passes(60);
    std::vector<unsigned> starts;
    for (const Bytes& r : f.requests) {
        if (r[1] == 17) starts.push_back(r[2] * 256u + r[3]);
    }
    ASSERT_EQ(starts.size(), 20u);
    for (unsigned b = 0; b < 20; ++b) EXPECT_EQ(starts[b], 25 * b);
    EXPECT_EQ(upload.BatchCounter(), 20u);
    const std::string& text = upload.Text();
    EXPECT_EQ(text.rfind(kEventHeader, 0), 0u);
    for (unsigned seq : {1u, 120u, 121u, 500u}) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "\r\n%03u、", seq);
        EXPECT_NE(text.find(prefix), std::string::npos) << seq;
    }
    // Cells beyond the relay's records read as empty ones.
    std::size_t empty = 0;
    for (std::size_t at = text.find("无记录"); at != std::string::npos; at = text.find("无记录", at + 1))
        ++empty;
    EXPECT_GE(empty, 500 - f.relay.EventCount());
    EXPECT_NE(text.find("\r\n500、无记录\r\n"), std::string::npos);
    EXPECT_EQ(text.find("501、"), std::string::npos);
    EXPECT_EQ(f.h.Count("分批上装事件记录成功：500/500"), 1);
    EXPECT_EQ(f.h.Count("分批上装事件记录成功：25/500"), 1);
}

// The whole text of an upload that nothing disturbed, for comparison.
std::string UndisturbedUploadText() {
    RelayFixture f;
    EventRecordUpload upload;
    upload.Bind(&f.h.ctx);
    f.h.ctx.eventRecords = &upload;
    f.Passes(1);
    upload.Upload();
    f.Passes(30);
    return upload.Text();
}

std::vector<unsigned> BatchStarts(const std::vector<Bytes>& requests) {
    std::vector<unsigned> starts;
    for (const Bytes& r : requests) {
        if (r[1] == 17) starts.push_back(r[2] * 256u + r[3]);
    }
    return starts;
}

// 上装记录 pressed again while the reply to a batch request is on its way: that reply belongs to the upload
// given up and adds nothing; the new upload reads from record 0 and numbers its lines from 001.
TEST(RelayEventUpload, PressDuringAnUploadRestartsFromRecordZero) {
    RelayFixture f;
    EventRecordUpload upload;
    upload.Bind(&f.h.ctx);
    f.h.ctx.eventRecords = &upload;
    f.Passes(1);
    upload.Upload();
    const auto relay = f.h.transport.responder;
    bool pressed = false;
    f.h.transport.responder = [&](const Bytes& frame) {
        auto reply = relay(frame);
        if (frame[1] == 17 && frame[3] == 125 && !pressed) {
            pressed = true;
            upload.Upload();
        }
        return reply;
    };
    f.Passes(6);  // batches 0 .. 4, then the request for record 125 and its late reply
    ASSERT_TRUE(pressed);
    EXPECT_EQ(upload.Text(), kEventHeader);
    EXPECT_EQ(f.h.Count("分批上装事件记录成功：150/500"), 0);
    f.Passes(30);
    std::vector<unsigned> expected{0, 25, 50, 75, 100, 125};
    for (unsigned b = 0; b < 20; ++b) expected.push_back(25 * b);
    EXPECT_EQ(BatchStarts(f.requests), expected);
    EXPECT_EQ(upload.Text(), UndisturbedUploadText());
    EXPECT_EQ(f.h.Count("操作失败!"), 0);
    EXPECT_EQ(f.h.Count("分批上装事件记录成功：125/500"), 2);
    EXPECT_EQ(f.h.Count("分批上装事件记录成功：150/500"), 1);
    EXPECT_EQ(f.h.Count("分批上装事件记录成功：500/500"), 1);
}

// A batch the decoder appended is reported as read even when 上装记录 is pressed right after it, before the
// management thread writes its progress line.
TEST(RelayEventUpload, BatchDecodedJustBeforeAPressIsReportedAsRead) {
    RelayFixture f;
    EventRecordUpload upload;
    upload.Bind(&f.h.ctx);
    f.h.ctx.eventRecords = &upload;
    f.Passes(1);
    upload.Upload();
    upload.runOnUi = [&](const std::function<void()>& work) {
        work();
        upload.Upload();  // the operator's press, handled as soon as the batch is in the box
    };
    f.Passes(1);
    EXPECT_EQ(f.h.logs.back(), "分批上装事件记录成功：25/500");
    EXPECT_EQ(f.h.Count("操作失败!"), 0);
}

// The 版本信息 sequence with the parameter reply taken during the wait.
struct RelayOperator : HardwareIdOperator {
    RelayFixture& f;
    std::optional<std::string> typed;
    int windows = 0;
    std::optional<HardwareInfoBytes> shown;
    explicit RelayOperator(RelayFixture& fixture) : f(fixture) {}
    void Inform(const std::string&) override {}
    void WaitForParameterReply() override { f.Passes(1); }
    std::optional<std::string> RunInfoWindow(const HardwareInfoBytes& info) override {
        ++windows;
        shown = info;
        return typed;
    }
};

TEST(RelayHardwareId, RelayWithoutValidIdGetsTheEntryWindowAndTheWrittenId) {
    // An erased record (all 0xFF) reads as no reply at all: its first byte is the "nothing read" mark.
    RelayFixture blank(relaysim::HwInfoMode::Blank);
    RelayOperator none(blank);
    RunHardwareIdSequence(blank.h.ctx, none);
    EXPECT_EQ(none.windows, 0);
    EXPECT_EQ(blank.h.logs.back(), "读取设备硬件信息失败！");

    RelayFixture f(relaysim::HwInfoMode::Invalid);
    f.h.state.commOk = true;
    RelayOperator op(f);
    op.typed = "000002261207080500000123";
    RunHardwareIdSequence(f.h.ctx, op);
    ASSERT_EQ(op.windows, 1);
    EXPECT_FALSE(HardwareIdShownValid(*op.shown));
    EXPECT_EQ(f.h.Count("正在下载设备硬件信息..."), 1);
    f.Passes(1);
    const Bytes& write = f.requests.back();
    ASSERT_EQ(write[1], 16);
    const std::size_t n = write.size();
    EXPECT_EQ(modbus::Crc16(write.data(), n - 2), write[n - 2] | (write[n - 1] << 8));
    const Bytes id(write.begin() + 49, write.begin() + 63);
    EXPECT_EQ(id, (Bytes{0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23, id[12], id[13]}));
    EXPECT_TRUE(modbus::CheckCrc16(id.data(), 12));
    EXPECT_EQ(f.h.Count("下载所有参数成功!"), 1);

    // Read again: the relay now holds a valid ID, shown read-only.
    RelayOperator again(f);
    RunHardwareIdSequence(f.h.ctx, again);
    ASSERT_TRUE(again.shown);
    EXPECT_TRUE(HardwareIdShownValid(*again.shown));
    EXPECT_EQ(HardwareIdText(*again.shown), "000002261207080500000123");
    EXPECT_EQ(f.h.logs.back(), "您已经取消了本次设置，设置失败！");
}

TEST(RelayHardwareId, ValidIdIsNeverRewrittenAndSilenceFailsTheRead) {
    RelayFixture f(relaysim::HwInfoMode::Valid);
    RelayOperator op(f);
    op.typed = "000002261207080500000123";
    RunHardwareIdSequence(f.h.ctx, op);
    EXPECT_TRUE(op.shown && HardwareIdProtected(*op.shown));
    EXPECT_EQ(f.h.logs.back(), "原硬件信息ID为有效ID，不能更改！");
    EXPECT_TRUE(f.h.state.commandSlot.Empty());

    RelayFixture silent;
    silent.h.transport.responder = nullptr;
    RelayOperator none(silent);
    RunHardwareIdSequence(silent.h.ctx, none);
    EXPECT_EQ(none.windows, 0);
    EXPECT_EQ(silent.h.logs.back(), "读取设备硬件信息失败！");
}

}  // namespace
}  // namespace ui
