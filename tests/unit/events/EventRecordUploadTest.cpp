#include <gtest/gtest.h>

#include <vector>

#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "ui/events/EventRecordFormat.h"
#include "ui/events/EventRecordUpload.h"
#include "unit/engine/EngineHarness.h"

namespace ui {
namespace {

using engine_test::Bytes;

// A full 205-byte batch reply whose records all read 2026-01-02 03:04:05.006 with code `code`.
Bytes BatchReply(std::uint8_t code, std::size_t length = 205) {
    Bytes r{1, 17, 200};
    for (int i = 0; i < 25; ++i) {
        const Bytes rec{code, 0x8E, 0x13, 4, 3, 2, 1, 26};
        r.insert(r.end(), rec.begin(), rec.end());
    }
    r.resize(203);
    r = engine_test::WithCrc(r);
    r.resize(length, 0);
    return r;
}

struct Fixture {
    engine_test::Harness h;
    EventRecordUpload upload;
    std::vector<std::string> shown, informed, held;
    struct View : EventRecordView {
        std::vector<std::string>* shown;
        void ShowEventText(const std::string& text) override { shown->push_back(text); }
    } view;

    Fixture() {
        upload.Bind(&h.ctx);
        view.shown = &shown;
        upload.Attach(&view);
        upload.inform = [this](const std::string& t) { informed.push_back(t); };
        upload.informAndHold = [this](const std::string& t) { held.push_back(t); };
        h.state.commOk = true;
    }

    // The request waiting in the command slot, taken as the management thread sends it.
    Bytes Slot() {
        std::uint8_t out[256];
        const std::size_t n = h.state.commandSlot.Take(out);
        if (n != 0) sent.assign(out, out + n);
        return Bytes(out, out + n);
    }

    // `reply` answers the request sent last (sent now if it still waits).
    void Decode(const Bytes& reply) {
        Slot();
        upload.DecodeEventBatch(sent.size() == 8 ? sent[2] * 256u + sent[3] : 0, reply.data(), reply.size());
    }

    Bytes sent;
};

TEST(EventRecordUpload, ChainOfTwentyBatchesNumberedOneToFiveHundred) {
    Fixture f;
    f.upload.Upload();
    EXPECT_TRUE(f.informed.empty());
    EXPECT_EQ(f.upload.Text(), kEventHeader);
    EXPECT_EQ(f.shown.back(), kEventHeader);
    std::vector<unsigned> starts;
    for (int batch = 0; batch < 20; ++batch) {
        const Bytes request = f.Slot();
        ASSERT_EQ(request.size(), 8u) << batch;
        EXPECT_TRUE(modbus::CheckCrc16(request.data(), 6));
        EXPECT_EQ(request[1], 17);
        EXPECT_EQ(request[4], 0x00);
        EXPECT_EQ(request[5], 0x19);
        starts.push_back(request[2] * 256u + request[3]);
        f.Decode(BatchReply(static_cast<std::uint8_t>(batch % 3 == 0 ? 4 : 0)));
        EXPECT_EQ(f.upload.BatchCounter(), batch + 1u);
    }
    EXPECT_TRUE(f.h.state.commandSlot.Empty());  // complete: nothing further queued
    for (unsigned b = 0; b < 20; ++b) EXPECT_EQ(starts[b], 25 * b);
    const std::string& text = f.upload.Text();
    EXPECT_EQ(text.rfind(kEventHeader, 0), 0u);
    EXPECT_NE(text.find("\r\n001、2026-01-02 03:04:05.006，定值修改成功。\r\n002、"), std::string::npos);
    EXPECT_NE(text.find("\r\n026、2026-01-02 03:04:05.006，。\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n500、2026-01-02 03:04:05.006，。\r\n"), std::string::npos);
    EXPECT_EQ(text.find("501、"), std::string::npos);
    EXPECT_EQ(f.shown.back(), text);  // the box shows the whole text after every batch
    EXPECT_EQ(f.shown.size(), 21u);
}

TEST(EventRecordUpload, ShortReplyChangesNothingAndEndsTheChain) {
    Fixture f;
    f.upload.Upload();
    f.Slot();
    f.Decode(BatchReply(1, 204));
    EXPECT_EQ(f.upload.BatchCounter(), 0u);
    EXPECT_EQ(f.upload.Text(), kEventHeader);
    EXPECT_TRUE(f.h.state.commandSlot.Empty());
    // A longer reply is read only up to its 25 records.
    f.Decode(BatchReply(1, 260));
    EXPECT_EQ(f.upload.BatchCounter(), 1u);
    EXPECT_EQ(f.upload.Text().find("026、"), std::string::npos);
}

TEST(EventRecordUpload, UploadDuringAnUploadRestartsNumberingAndText) {
    Fixture f;
    f.upload.Upload();
    f.Decode(BatchReply(1));
    f.Decode(BatchReply(1));
    EXPECT_EQ(f.upload.BatchCounter(), 2u);
    f.upload.SetText(f.upload.Text() + "operator's note\r\n");
    f.upload.Upload();
    EXPECT_EQ(f.upload.BatchCounter(), 0u);
    EXPECT_EQ(f.upload.Text(), kEventHeader);
    const Bytes request = f.Slot();
    EXPECT_EQ(request[2] * 256 + request[3], 0);
    f.Decode(BatchReply(1));
    EXPECT_EQ(f.upload.Text().find("026、"), std::string::npos);
    EXPECT_NE(f.upload.Text().find("001、"), std::string::npos);
}

TEST(EventRecordUpload, LinkDownWarnsAndQueuesAllTheSame) {
    Fixture f;
    f.h.state.commOk = false;
    f.upload.Upload();
    EXPECT_EQ(f.informed, std::vector<std::string>{"通讯错误，暂时不能上装事件记录"});
    EXPECT_EQ(f.Slot().size(), 8u);
    f.Decode(BatchReply(1));
    EXPECT_EQ(f.held, std::vector<std::string>{"通讯错误，上装事件记录过程中出错"});
    const Bytes next = f.Slot();
    ASSERT_EQ(next.size(), 8u);
    EXPECT_EQ(next[3], 25);
    // Pressing 上装记录 while the warning is up keeps the new upload's request.
    f.upload.informAndHold = [&f](const std::string&) { f.upload.Upload(); };
    f.Decode(BatchReply(1));
    const Bytes restarted = f.Slot();
    ASSERT_EQ(restarted.size(), 8u);
    EXPECT_EQ(restarted[3], 0);
    // Closing while the warning is up: nothing more is queued.
    f.upload.informAndHold = [&f](const std::string&) { f.h.state.RequestClose(); };
    f.Decode(BatchReply(1));
    EXPECT_TRUE(f.h.state.commandSlot.Empty());
}

TEST(EventRecordUpload, BatchIsAppendedAndShownInOneUiCall) {
    Fixture f;
    int calls = 0;
    std::size_t shownInsideCall = 0;
    f.upload.runOnUi = [&](const std::function<void()>& work) {
        ++calls;
        work();
        shownInsideCall = f.shown.size();
    };
    f.upload.Upload();
    f.Decode(BatchReply(1));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(shownInsideCall, 2u);
}

}  // namespace
}  // namespace ui
