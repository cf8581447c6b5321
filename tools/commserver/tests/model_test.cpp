#include "ChildProcess.h"
#include "HeaterModel.h"
#include "Station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace b8;
using namespace commsim;

namespace {

constexpr double kDt = 1.0;

struct TestStation {
    CStation station;
    explicit TestStation(uint64_t seed = 1, const char* extra = "") {
        std::string text = "[server]\nseed = " + std::to_string(seed) +
                           "\n[block BAL101]\nbase = 0x1000\n" + extra;
        StationConfig config;
        std::string error;
        EXPECT_TRUE(ParseStationConfig(text, config, error)) << error;
        EXPECT_TRUE(station.Build(config, error)) << error;
    }
    uint8_t* block() { return station.BlockData(0); }
    void Run(int cycles) {
        for (int i = 0; i < cycles; ++i)
            station.Step(kDt);
    }
    float Real(uint16_t item) { return ReadReal(block(), item); }
    uint32_t UInt(uint16_t item) { return ReadUInt(block(), item); }
    float Spread(Family f) {
        float lo = 1e9f, hi = -1e9f;
        for (int k = 1; k <= kBranchCount; ++k) {
            lo = std::min(lo, Real(BranchItem(f, k)));
            hi = std::max(hi, Real(BranchItem(f, k)));
        }
        return hi - lo;
    }
};

TEST(HeaterModel, DeterministicForASeed) {
    TestStation a(42), b(42), c(43);
    a.Run(300);
    b.Run(300);
    c.Run(300);
    EXPECT_EQ(memcmp(a.block(), b.block(), kWholeSize), 0);
    EXPECT_NE(memcmp(a.block(), c.block(), kWholeSize), 0);
}

TEST(HeaterModel, PassFlowsSplitTheHeaderFlowAndFollowTheirSetValues) {
    TestStation s;
    const float header = s.Real(kItemFTTL);
    for (int cycle = 0; cycle < 120; ++cycle) {
        s.Run(1);
        float sum = 0.0f;
        for (int k = 1; k <= kBranchCount; ++k)
            sum += s.Real(BranchItem(Family::FPASS, k));
        ASSERT_NEAR(sum, s.Real(kItemFTTL), 1e-3f * header) << "cycle " << cycle;
    }
    EXPECT_NEAR(s.Real(kItemFTTL), s.Real(kItemFTTLSET), 0.05f * header);

    // A new set value (a faceplate's write) moves that pass's share of the header flow.
    WriteReal(s.block(), BranchItem(Family::FPSET, 3), 64.0f);
    WriteReal(s.block(), kItemFTTLSET, 414.0f);
    s.Run(60);
    EXPECT_FLOAT_EQ(s.Real(BranchItem(Family::FPSET, 3)), 64.0f);
    EXPECT_NEAR(s.Real(BranchItem(Family::FPASS, 3)), 64.0f, 2.0f);
    EXPECT_NEAR(s.Real(BranchItem(Family::FPASS, 4)), 50.0f, 2.0f);
}

TEST(HeaterModel, SwitchedOnLoopBringsOutletTemperaturesTogether) {
    TestStation off(5), on(5), manual(5, "95 = 0\n");
    off.Run(200);
    on.Run(200);
    manual.Run(200);
    const float before = on.Spread(Family::TPASS);
    ASSERT_GT(before, 3.0f) << "the passes should differ before balancing";
    WriteUInt(on.block(), LoopSwitchItem(6), 255); // eight-branch balance
    WriteUInt(manual.block(), LoopSwitchItem(6), 255);
    off.Run(900);
    on.Run(900);
    manual.Run(900);
    EXPECT_LT(on.Spread(Family::TPASS), before / 3) << "balanced";
    EXPECT_GT(off.Spread(Family::TPASS), before * 0.7f) << "without the loop nothing changes";
    EXPECT_GT(manual.Spread(Family::TPASS), before * 0.7f) << "manual mode: loops idle";
    EXPECT_TRUE(on.UInt(kItemAlarmFlag) & kFlagBalancing);
    EXPECT_FALSE(off.UInt(kItemAlarmFlag) & kFlagBalancing);
    // Trimming keeps the total set value and stays within the deviation limit (10).
    float total = 0.0f;
    for (int k = 1; k <= kBranchCount; ++k) {
        float set = on.Real(BranchItem(Family::FPSET, k));
        total += set;
        EXPECT_LE(std::fabs(set - 50.0f), 10.0f + 1e-3f) << k;
    }
    EXPECT_NEAR(total, 400.0f, 0.5f);
}

TEST(HeaterModel, TwoBranchLoopTouchesOnlyItsBranches) {
    TestStation s(9);
    s.Run(200);
    WriteUInt(s.block(), LoopSwitchItem(3), 255); // two-branch balance 3: branches 5 and 6
    const float t5 = s.Real(BranchItem(Family::TPASS, 5)),
                t6 = s.Real(BranchItem(Family::TPASS, 6));
    s.Run(900);
    for (int k : {1, 2, 3, 4, 7, 8})
        EXPECT_FLOAT_EQ(s.Real(BranchItem(Family::FPSET, k)), 50.0f) << k;
    const float after =
        std::fabs(s.Real(BranchItem(Family::TPASS, 5)) - s.Real(BranchItem(Family::TPASS, 6)));
    EXPECT_LT(after, std::max(std::fabs(t5 - t6) / 3, 1.0f));
}

TEST(AlarmEvaluation, LimitsWithHysteresisAndEnable) {
    const AlarmLimits lim{70, 65, 35, 30, 1, 5};
    EXPECT_EQ(EvaluateAlarms(0, kAlarmBits, 50, 0, lim), 0u);
    EXPECT_EQ(EvaluateAlarms(0, kAlarmBits, 65, 0, lim), kAlarmH);
    EXPECT_EQ(EvaluateAlarms(0, kAlarmBits, 70, 0, lim), kAlarmH | kAlarmHH);
    // Going back: each bit clears only below its limit less the hysteresis.
    EXPECT_EQ(EvaluateAlarms(kAlarmH | kAlarmHH, kAlarmBits, 69.5f, 0, lim), kAlarmH | kAlarmHH);
    EXPECT_EQ(EvaluateAlarms(kAlarmH | kAlarmHH, kAlarmBits, 68.9f, 0, lim), kAlarmH);
    EXPECT_EQ(EvaluateAlarms(kAlarmH, kAlarmBits, 64.2f, 0, lim), kAlarmH);
    EXPECT_EQ(EvaluateAlarms(kAlarmH, kAlarmBits, 63.9f, 0, lim), 0u);
    EXPECT_EQ(EvaluateAlarms(0, kAlarmBits, 69.5f, 0, lim), kAlarmH) << "HH not yet reached";
    EXPECT_EQ(EvaluateAlarms(0, kAlarmBits, 30, 0, lim), kAlarmL | kAlarmLL);
    EXPECT_EQ(EvaluateAlarms(kAlarmL | kAlarmLL, kAlarmBits, 30.5f, 0, lim), kAlarmL | kAlarmLL);
    EXPECT_EQ(EvaluateAlarms(kAlarmL | kAlarmLL, kAlarmBits, 31.1f, 0, lim), kAlarmL);
    EXPECT_EQ(EvaluateAlarms(0, kAlarmBits, 50, 5.5f, lim), kAlarmRate);
    EXPECT_EQ(EvaluateAlarms(0, kAlarmBits, 50, -5.5f, lim), kAlarmRate);
    EXPECT_EQ(EvaluateAlarms(kAlarmRate, kAlarmBits, 50, 4.0f, lim), 0u);
    // Disabled alarms never show.
    EXPECT_EQ(EvaluateAlarms(0, kAlarmH | kAlarmL, 75, 9, lim), kAlarmH);
    EXPECT_EQ(EvaluateAlarms(0, 0, 75, 9, lim), 0u);
}

TEST(HeaterModel, AlarmWordsFollowLimitsEnableAndInhibit) {
    TestStation s;
    s.Run(30);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::Flow, 1)), 0u);
    EXPECT_EQ(s.UInt(kItemAlarmFlag) & 0xFF, 0u);
    // An operator lowers the HH and H limits of branch 1 below its flow.
    WriteReal(s.block(), BranchItem(Family::FPHH, 1), 40.0f);
    WriteReal(s.block(), BranchItem(Family::FPH, 1), 30.0f);
    s.Run(1);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::Flow, 1)), kAlarmHH | kAlarmH);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::Flow, 2)), 0u);
    uint32_t flag = s.UInt(kItemAlarmFlag);
    EXPECT_TRUE(flag & kFlagHH);
    EXPECT_TRUE(flag & kFlagH);
    EXPECT_TRUE(flag & kFlagFlow);
    EXPECT_FALSE(flag & kFlagTemp);
    // Switching HH off in the enable word clears it at once.
    WriteUInt(s.block(), AlarmEnableItem(Measure::Flow, 1), kAlarmBits & ~kAlarmHH);
    s.Run(1);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::Flow, 1)), kAlarmH);
    // Alarm inhibit: no state bit at all.
    WriteUInt(s.block(), kItemAlarmInhibit, 255);
    s.Run(1);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::Flow, 1)), 0u);
    EXPECT_TRUE(s.UInt(kItemAlarmFlag) & kFlagAlarmInhibit);
    EXPECT_FALSE(s.UInt(kItemAlarmFlag) & kFlagFlow);
    WriteUInt(s.block(), kItemAlarmInhibit, 0);
    // Temperature alarm: a low L limit on branch 4's tube skin.
    WriteReal(s.block(), BranchItem(Family::TCSL, 4), 1000.0f);
    s.Run(1);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::TubeSkin, 4)), kAlarmL);
    EXPECT_TRUE(s.UInt(kItemAlarmFlag) & kFlagTubeSkin);
    EXPECT_TRUE(s.UInt(kItemAlarmFlag) & kFlagL);
}

TEST(HeaterModel, SetValueLimitsClampSlewAndReport) {
    TestStation s;
    s.Run(5);
    WriteReal(s.block(), BranchItem(Family::FPSET, 1), 90.0f); // above FPSETH1 = 70
    s.Run(1);
    EXPECT_FLOAT_EQ(s.Real(BranchItem(Family::FPSET, 1)), 70.0f);
    EXPECT_EQ(s.UInt(kItemLimitState), LimitHighBit(1));
    EXPECT_TRUE(s.UInt(kItemAlarmFlag) & kFlagSvLimit);
    // The limit switched off: the request goes through and the bit clears.
    WriteUInt(s.block(), kItemLimitEnable, s.UInt(kItemLimitEnable) & ~LimitHighBit(1));
    s.Run(1);
    EXPECT_FLOAT_EQ(s.Real(BranchItem(Family::FPSET, 1)), 90.0f);
    EXPECT_EQ(s.UInt(kItemLimitState), 0u);
    // Rate limit of branch 2 (2 per second) slews a step of 10.
    WriteUInt(s.block(), kItemLimitEnable, s.UInt(kItemLimitEnable) | LimitRateBit(2));
    WriteReal(s.block(), BranchItem(Family::FPSET, 2), 60.0f);
    s.Run(1);
    EXPECT_FLOAT_EQ(s.Real(BranchItem(Family::FPSET, 2)), 52.0f);
    EXPECT_EQ(s.UInt(kItemLimitState), LimitRateBit(2));
    s.Run(5);
    EXPECT_FLOAT_EQ(s.Real(BranchItem(Family::FPSET, 2)), 60.0f);
    EXPECT_EQ(s.UInt(kItemLimitState), 0u);
}

TEST(HeaterModel, OutOfServiceHoldsEverything) {
    TestStation s;
    s.Run(10);
    WriteReal(s.block(), BranchItem(Family::FPHH, 2), 10.0f);
    WriteUInt(s.block(), kItemOutOfService, 255);
    s.Run(1);
    std::vector<uint8_t> frozen(s.block(), s.block() + kWholeSize);
    s.Run(20);
    EXPECT_EQ(memcmp(frozen.data(), s.block(), kWholeSize), 0);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::Flow, 2)), 0u);
    EXPECT_EQ(s.UInt(kItemAlarmFlag) & (kFlagOutOfService | kFlagHH), kFlagOutOfService);
    WriteUInt(s.block(), kItemOutOfService, 0);
    s.Run(1);
    EXPECT_EQ(s.UInt(AlarmStateItem(Measure::Flow, 2)) & kAlarmHH, kAlarmHH);
}

TEST(ControllerMemory, WritesStayInside) {
    CControllerMemory memory(0x100);
    const uint8_t value[4] = {1, 2, 3, 4};
    EXPECT_TRUE(memory.Write(0xFC, value, 4));
    EXPECT_FALSE(memory.Write(0xFD, value, 4));
    EXPECT_FALSE(memory.Write(0xFFFFFFFF, value, 2)) << "address wrap-around";
    EXPECT_FALSE(memory.Contains(0x101, 0));
    EXPECT_TRUE(memory.Contains(0x100, 0));
    uint8_t out[4] = {};
    EXPECT_TRUE(memory.Read(0xFC, 4, out));
    EXPECT_EQ(memcmp(out, value, 4), 0);
    EXPECT_FALSE(memory.Read(0xFE, 4, out));
}

TEST(StationConfig, ParsesValuesAndRefusesMalformedInput) {
    StationConfig config;
    std::string error;
    ASSERT_TRUE(ParseStationConfig("; demo\n[server]\nperiod = 250\nseed=9\nmemory_size = 0x4000\n"
                                   "[block Bal7]\nbase = 0x800\nFTTLSET = 420.5 ; set\n"
                                   "95 = 0\n554 = 0x249249\nduty2 = 5100\n",
                                   config, error))
        << error;
    EXPECT_EQ(config.periodMs, 250u);
    EXPECT_EQ(config.seed, 9u);
    EXPECT_EQ(config.memorySize, 0x4000u);
    ASSERT_EQ(config.blocks.size(), 1u);
    EXPECT_EQ(config.blocks[0].tag, "Bal7");
    EXPECT_EQ(config.blocks[0].base, 0x800u);
    EXPECT_FLOAT_EQ(config.blocks[0].params.duty[1], 5100.0f);
    CStation station;
    ASSERT_TRUE(station.Build(config, error));
    EXPECT_EQ(station.FindBlock("BAL7"), 0);
    EXPECT_FLOAT_EQ(ReadReal(station.BlockData(0), kItemFTTLSET), 420.5f);
    EXPECT_EQ(ReadUInt(station.BlockData(0), kItemMode), 0u);
    EXPECT_EQ(ReadUInt(station.BlockData(0), kItemLimitEnable), 0x249249u);

    const char* bad[] = {
        "[block A]\nbase = 0x1000\nNOSUCH = 1\n",
        "[block A]\nbase = 0x1000\nFTTL = abc\n",
        "[block A]\nbase = -1\n",
        "[block A]\nbase = 0xFFFF\n",                           // does not fit
        "[block A]\nbase = 0x1000\n[block B]\nbase = 0x1100\n", // overlap
        "[block A]\n[block a]\nbase = 0x2000\n",                // same tag
        "[block 0123456789012345678901234]\n",                  // tag too long
        "[block A]\nbase = 0x1000\n423 = 300\n",                // not a byte
        "[block A]\nbase = 0x1000\n95 = 1.5\n",
        "[block A]\nbase = 0x1000\nFTTLSET = inf\n", // REAL values are finite floats
        "[block A]\nbase = 0x1000\nFTTLSET = -INF\n",
        "[block A]\nbase = 0x1000\nFTTLSET = nan\n",
        "[block A]\nbase = 0x1000\nFTTLSET = 1e39\n",
        "[block A]\nbase = 0x1000\nduty = 1e39\n",
        "[server]\nperiod = 0\n",
        "[heater]\n",
        "FTTL = 1\n",
        "[block A\n",
        "[block A]\njunk\n",
    };
    for (const char* text : bad) {
        StationConfig refused;
        EXPECT_FALSE(ParseStationConfig(text, refused, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(StationConfig, DemoStationLoads) {
    std::wstring path = kt::BinPath(L"demo_station.ini");
    StationConfig config;
    std::string error;
    ASSERT_TRUE(LoadStationConfig(std::string(path.begin(), path.end()).c_str(), config, error))
        << error;
    EXPECT_EQ(config.blocks.size(), 2u);
    CStation station;
    ASSERT_TRUE(station.Build(config, error)) << error;
    station.Step(1.0);
}

} // namespace

namespace {

TEST(StationChangeEveryValue, EveryItemChangesEachCycle) {
    TestStation t(3, "FTTLSET = 400\n");
    const std::vector<uint8_t> start(t.block(), t.block() + kWholeSize);
    std::vector<uint8_t> previous = start;
    for (int cycle = 1; cycle <= CStation::kChangeCycle; ++cycle) {
        t.station.ChangeEveryValue();
        for (size_t i = 0; i < ItemCount(); ++i) {
            const ItemDef& item = Items()[i];
            ASSERT_NE(memcmp(previous.data() + item.offset, t.block() + item.offset, item.width), 0)
                << "item " << item.item << " cycle " << cycle;
            if (item.type == ValueType::Bool) { // a switch turns over: on is written as 255
                const bool wasOn = ReadUInt(previous.data(), item.item) != 0;
                ASSERT_EQ(ReadUInt(t.block(), item.item), wasOn ? 0u : kBoolOn)
                    << "item " << item.item << " cycle " << cycle;
            }
        }
        previous.assign(t.block(), t.block() + kWholeSize);
    }
    // A full cycle brings every value back: the numbers stay near their start, and the
    // switches and words are where they began.
    EXPECT_FLOAT_EQ(t.Real(kItemFTTLSET), 400.0f);
    for (size_t i = 0; i < ItemCount(); ++i) {
        const ItemDef& item = Items()[i];
        if (item.type != ValueType::Real)
            EXPECT_EQ(memcmp(start.data() + item.offset, t.block() + item.offset, item.width), 0)
                << "item " << item.item;
    }
}

TEST(StationChangeEveryValue, AWrittenValueIsKept) {
    TestStation t;
    t.station.ChangeEveryValue();
    WriteReal(t.block(), kItemFTTLSET, 123.0f);
    t.station.ChangeEveryValue();
    EXPECT_FLOAT_EQ(t.Real(kItemFTTLSET), 124.0f);
}

} // namespace
