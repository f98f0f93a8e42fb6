#include "engine/PollDecoder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "DecodeFixture.h"
#include "support/FakeClock.h"
#include "trend/TrendStore.h"

namespace engine {
namespace {

using test::PollFrame;
using test::RecordingView;
using test::SmallTables;
using Lines = std::vector<std::string>;

// Registers of the test image: 0-5 clock, 6 event ring indices, 7 version, 8-9 telesignal words, 10.. values.
constexpr std::uint16_t kVersion = 163;

class Decoder : public ::testing::Test {
  protected:
    Decoder() : context(deviceVersion) {
        t.yc->TimePost = 0;
        t.yc->VersionPost = 7;
        t.yc->YXPost = 8;
        context.view = &view;
        context.tables = LiveTables{t.yc.get(), t.yx.get(), &t.mutex};
        context.log = [this](const std::string& line) { logged.push_back(line); };
        context.playSound = [this](const std::string& name) { sounds.push_back(name); };
    }

    // An image of `count` registers; value registers from 10 on are given by `values`.
    static std::vector<std::uint16_t> Image(std::vector<std::uint16_t> values, std::uint16_t yx0 = 0,
                                            std::uint16_t yx1 = 0) {
        std::vector<std::uint16_t> regs{26, 4, 10, 9, 5, 7, 0, kVersion, yx0, yx1};
        regs.insert(regs.end(), values.begin(), values.end());
        return regs;
    }

    void Decode(const std::vector<std::uint8_t>& frame) {
        view.lines.clear();
        DecodePollResponse(frame.data(), frame.size(), context);
    }

    void Decode(const std::vector<std::uint16_t>& registers) { Decode(PollFrame(registers)); }

    // What the link-fault display leaves in the tables after blanking the window.
    void LeaveLinkFaultMarkers() {
        for (int i = 0; i < t.yc->Number; ++i) t.yc->Value[i] = t.yc->ShownValue[i] = config::kValueNone;
        for (int i = 0; i < t.yx->Number; ++i) t.yx->State[i] = t.yx->PrevState[i] = config::kStateLinkFault;
    }

    SmallTables t;
    RecordingView view;
    std::atomic<std::uint16_t> deviceVersion{0xFFFF};
    DecodeContext context;
    Lines logged;
    Lines sounds;
};

TEST_F(Decoder, ScalesAndFormatsEachValueByItsDivisorAndType) {
    t.AddYc(0, 11, 100, 0);    // 12345 / 100
    t.AddYc(1, 11, 1, 0);      // 12345
    t.AddYc(2, 11, 0, 0);      // divisor 0 means none
    t.AddYc(3, 11, 20000, 0);  // 0.61725, two decimals
    t.AddYc(4, 12, 10, 1);     // 0xFFFE signed
    t.AddYc(5, 12, 10, 0);     // 0xFFFE unsigned
    t.AddYc(6, 12, 10, 5);     // 0xFFFE signed low word
    t.AddYc(7, 13, 1, 0, 14);  // high word 1, low word 0
    t.AddYc(8, 15, 1, 1, 16);  // signed high word -1, low 0
    t.AddYc(9, 15, 1, 5, 16);  // Type 5: the high word stays unsigned
    Decode(Image({12345, 0xFFFE, 0, 1, 0, 0xFFFF}));

    EXPECT_EQ(view.With("yc "),
              (Lines{"yc 0 123.45", "yc 1 12345", "yc 2 12345", "yc 3 0.62", "yc 4 -0.2", "yc 5 6553.4",
                     "yc 6 -0.2", "yc 7 65536", "yc 8 -65536", "yc 9 4294901760"}));
    EXPECT_EQ(t.yc->RawValue[0], 12345);
    EXPECT_FLOAT_EQ(t.yc->Value[0], 123.45f);
    EXPECT_EQ(t.yc->RawValue[7], 0);
    EXPECT_FLOAT_EQ(t.yc->ShownValue[7], 65536.0f);
}

TEST_F(Decoder, RelayNoValueAndMissingRegistersShowEmptyFields) {
    t.AddYc(0, 11, 1, 0);      // 65535 unsigned
    t.AddYc(1, 11, 10, 1);     // -1 signed
    t.AddYc(2, 0, 1, 0);       // Post 0: no register
    t.AddYc(3, 40, 1, 0);      // beyond the answer
    t.AddYc(4, 11, 1, 0, 12);  // 32-bit 0x0001FFFF is a reading, not "no value"
    t.AddYc(5, 11, 1, 0, 11);  // 32-bit 0xFFFFFFFF is "no value"
    t.AddYc(6, 11, 1, 0, 40);  // 32-bit with its high word missing
    Decode(Image({0xFFFF, 1}));

    EXPECT_EQ(view.With("yc "), (Lines{"yc 0 ", "yc 1 ", "yc 2 ", "yc 3 ", "yc 4 131071", "yc 5 ", "yc 6 "}));
    EXPECT_EQ(t.yc->RawValue[2], config::kRawNone);
    EXPECT_EQ(t.yc->Value[3], config::kValueNone);
    EXPECT_EQ(t.yc->RawValue[3], config::kRawNone);

    // A point beyond the poll stays blank for ever: the field is not even rewritten.
    Decode(Image({0xFFFF, 1}));
    EXPECT_TRUE(view.With("yc ").empty());
}

TEST_F(Decoder, ValueFieldsAreWrittenOnlyWhenTheScaledValueChanges) {
    t.AddYc(0, 11, 100, 0);
    t.AddYc(1, 12, 100, 0);
    Decode(Image({100, 200}));
    EXPECT_EQ(view.With("yc "), (Lines{"yc 0 1.00", "yc 1 2.00"}));

    Decode(Image({100, 201}));
    EXPECT_EQ(view.With("yc "), (Lines{"yc 1 2.01"}));
    // The clock, model and version are rewritten on every answer.
    EXPECT_EQ(view.With("time ").size(), 1u);
    EXPECT_EQ(view.With("model "), (Lines{"model VARN"}));
    EXPECT_EQ(view.With("version "), (Lines{"version V1.63"}));

    Decode(Image({100, 201}));
    EXPECT_TRUE(view.With("yc ").empty());
}

TEST_F(Decoder, ClockAndVersionAreShownAndAbsentOnesKeepTheirBoxes) {
    Decode(Image({}));
    EXPECT_EQ(view.With("time "), (Lines{"time 26-04-10 09:05:07"}));
    EXPECT_EQ(deviceVersion.load(), kVersion);

    // The answer ends after register 4: the clock is incomplete and the version register is absent.
    Decode(PollFrame({26, 4, 10, 9, 5}));
    EXPECT_TRUE(view.With("time ").empty());
    EXPECT_TRUE(view.With("version ").empty());
    EXPECT_EQ(view.With("model "), (Lines{"model VARN"}));
    EXPECT_EQ(deviceVersion.load(), kVersion);

    // Bytes after the byte count (line noise behind the CRC) are not registers.
    std::vector<std::uint8_t> frame = PollFrame({26, 4, 10, 9, 5, 7, 0});
    frame.insert(frame.end(), {0x03, 0xE9, 0x00, 0x00});
    Decode(frame);
    EXPECT_EQ(view.With("time ").size(), 1u);
    EXPECT_TRUE(view.With("version ").empty());

    std::vector<std::uint16_t> regs = Image({});
    regs[7] = 2001;
    Decode(regs);
    EXPECT_EQ(view.With("version "), (Lines{"version V2.1"}));
    EXPECT_EQ(deviceVersion.load(), 2001);
}

TEST_F(Decoder, TelesignalBitsComeFromTheirWordAndPostZeroReadsZero) {
    t.AddYx(0, 1, "A");       // word 8 bit 0
    t.AddYx(1, 16, "B");      // word 8 bit 15
    t.AddYx(2, 17, "C");      // word 9 bit 0
    t.AddYx(3, 0, "D");       // always 0
    t.AddYx(4, 33, "E");      // word 10, beyond the answer
    LeaveLinkFaultMarkers();  // as the window starts
    Decode(PollFrame({26, 4, 10, 9, 5, 7, 0, kVersion, 0x8001, 0xFFFE}));
    EXPECT_EQ(view.With("yx "), (Lines{"yx 0 合", "yx 1 合", "yx 2 分", "yx 3 分", "yx 4 "}));
    EXPECT_EQ(view.With("colour ").size(), 5u);
    EXPECT_EQ(t.yx->State[4], config::kStateAbsent);
    EXPECT_TRUE(logged.empty());
}

TEST_F(Decoder, AChangeIsLoggedWithItsNameAndSoundOnce) {
    t.AddYx(0, 2, "事故总信号");
    Decode(Image({}, 0x0000));
    EXPECT_TRUE(logged.empty());  // first answer after start: the previous state was absent

    Decode(Image({}, 0x0002));
    EXPECT_EQ(logged, (Lines{"事故总信号：分 -> 合!"}));
    EXPECT_EQ(sounds, (Lines{"IDR_WAVE_YX"}));
    EXPECT_EQ(view.With("yx "), (Lines{"yx 0 合"}));

    Decode(Image({}, 0x0002));
    EXPECT_EQ(logged.size(), 1u);
    EXPECT_EQ(sounds.size(), 1u);
    EXPECT_TRUE(view.With("yx ").empty());

    Decode(Image({}, 0x0000));
    EXPECT_EQ(logged.back(), "事故总信号：合 -> 分!");
    EXPECT_EQ(sounds.size(), 2u);
}

TEST_F(Decoder, EveryAnswerIsRecordedWithThePcTimeAndNoReadingIsAGap) {
    trend::TrendStore store;
    platform::FakeClock clock;
    clock.Set(2026, 3, 4, 10, 20, 30, 250);
    context.trend = &store;
    context.clock = &clock;
    t.AddYc(0, 11, 100, 0);  // 12.34
    t.AddYc(1, 12, 1, 0);    // 0xFFFF: no value
    t.AddYc(2, 40, 1, 0);    // beyond the answer
    t.AddYc(3, 13, 1, 0);    // a zero is a reading
    t.AddYx(0, 2, "断路器");
    Decode(Image({1234, 0xFFFF, 0}, 0x0000));
    clock.Set(2026, 3, 4, 10, 20, 31, 0);
    Decode(Image({1240, 0xFFFF, 0}, 0x0002));

    const std::int64_t first = trend::ToMs(platform::LocalTime{2026, 3, 4, 10, 20, 30, 250, 0});
    const trend::TimeRange all{first, first + 10'000};
    EXPECT_EQ(store.Copy(all, 0), (std::vector<trend::Sample>{{first, 12.34f}, {first + 750, 12.40f}}));
    for (int point : {1, 2, 4}) {
        SCOPED_TRACE(point);
        const auto samples = store.Copy(all, point);
        ASSERT_EQ(samples.size(), 1u);  // one gap, never a zero
        EXPECT_TRUE(trend::IsGap(samples[0].value));
    }
    EXPECT_EQ(store.Copy(all, 3).size(), 2u);
    EXPECT_EQ(store.Copy(all, 3)[1].value, 0.0f);
    EXPECT_EQ(store.Marks(all), (std::vector<trend::Mark>{{first + 750, "断路器：分 -> 合!"}}));
}

TEST_F(Decoder, AfterALinkFaultTheNextAnswerRedrawsWithoutChangeLines) {
    t.AddYc(0, 11, 1, 0);
    t.AddYx(0, 1, "A");
    Decode(Image({7}, 0));

    LeaveLinkFaultMarkers();
    Decode(Image({7}, 1));  // the same value, the signal in another state
    EXPECT_EQ(view.With("yc "), (Lines{"yc 0 7"}));
    EXPECT_EQ(view.With("yx "), (Lines{"yx 0 合"}));
    EXPECT_TRUE(logged.empty());
    EXPECT_TRUE(sounds.empty());
}

TEST_F(Decoder, ASignalThatDropsOutAndReturnsIsNotAChange) {
    t.AddYx(0, 17, "A");  // in word 9
    Decode(Image({}, 0, 0));
    Decode(PollFrame({26, 4, 10, 9, 5, 7, 0, kVersion, 0}));  // word 9 missing
    EXPECT_EQ(view.With("yx "), (Lines{"yx 0 "}));
    Decode(Image({}, 0, 1));
    EXPECT_EQ(view.With("yx "), (Lines{"yx 0 合"}));
    EXPECT_TRUE(logged.empty());
}

TEST_F(Decoder, NoLockIsHeldWhileCallingOutAndTheEventCheckComesLast) {
    t.AddYc(0, 11, 1, 0);
    t.AddYx(0, 1, "A");
    view.mustBeFree = &t.mutex;
    std::size_t checkedLength = 0;
    std::size_t linesAtCheck = 0;
    int lockedCallbacks = 0;
    const auto checkFree = [&] {
        if (t.mutex.try_lock()) {
            t.mutex.unlock();
        } else {
            ++lockedCallbacks;
        }
    };
    context.log = [&](const std::string&) { checkFree(); };
    context.playSound = [&](const std::string&) { checkFree(); };
    context.soeCheck = [&](const std::uint8_t* frame, std::size_t length) {
        checkFree();
        EXPECT_EQ(frame[15], 0x12);
        checkedLength = length;
        linesAtCheck = view.lines.size();
    };
    std::vector<std::uint16_t> regs = Image({5}, 0);
    regs[6] = 0x1203;
    Decode(regs);
    regs[8] = 1;
    Decode(regs);

    EXPECT_EQ(view.lockedCalls, 0);
    EXPECT_EQ(lockedCallbacks, 0);
    EXPECT_EQ(checkedLength, 3 + 2 * regs.size() + 2);
    EXPECT_EQ(linesAtCheck, 5u);  // time, model, version, yx, colour of the second answer
}

TEST_F(Decoder, WithoutAViewOnlyTheTablesAreUpdated) {
    t.AddYc(0, 11, 10, 0);
    context.view = nullptr;
    Decode(Image({25}));
    EXPECT_FLOAT_EQ(t.yc->Value[0], 2.5f);
    EXPECT_EQ(deviceVersion.load(), kVersion);
}

TEST_F(Decoder, PointCountsBeyondTheTableAreCutToItsSlots) {
    t.yc->Number = 1000;
    t.yx->Number = 1000;
    Decode(Image({}));
    EXPECT_EQ(view.With("yc ").size(), static_cast<std::size_t>(config::kPointCount));
    EXPECT_EQ(view.With("yx ").size(), static_cast<std::size_t>(config::kPointCount));
    EXPECT_FALSE(FindYxByPost(200, t.yx.get()));
}

TEST(PointLookups, SearchOnlyThePointsInUse) {
    SmallTables t;
    t.AddYx(0, 5, "开入一");
    t.AddYx(1, 9, "乙事故总");
    t.AddYx(2, 9, "事故总二");
    config::SetText(t.yx->Name[3], platform::Utf8ToGbk("事故总"));
    t.yx->Post[3] = 4;
    EXPECT_EQ(FindYxByPost(9, t.yx.get()), 1);
    EXPECT_EQ(FindYxByPost(4, t.yx.get()), std::nullopt);  // slot 3 is beyond Number
    EXPECT_EQ(FindAccidentSignal(t.yx.get()), 1);

    t.yx->Number = 1;
    EXPECT_EQ(FindAccidentSignal(t.yx.get()), std::nullopt);
}

TEST(PointLookups, AccidentNameMatchesOnCharacterBoundariesOnly) {
    SmallTables t;
    // GBK 事故总 is CA C2 B9 CA D7 DC. Behind the lead byte B0 the bytes CA C2 ... are a trail byte and
    // the rest, not the word.
    std::string gbk =
        "\xB0"
        "\xCA\xC2\xB9\xCA\xD7\xDC";
    config::SetText(t.yx->Name[0], gbk);
    t.yx->Number = 1;
    EXPECT_EQ(FindAccidentSignal(t.yx.get()), std::nullopt);
    config::SetText(t.yx->Name[0], "A" + gbk.substr(1));
    EXPECT_EQ(FindAccidentSignal(t.yx.get()), 0);
}

}  // namespace
}  // namespace engine
