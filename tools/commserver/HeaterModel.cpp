#include "HeaterModel.h"

#include <algorithm>
#include <cmath>

using namespace b8;

namespace commsim {
namespace {

constexpr double kHeaderTimeConstant = 5.0; // s, header flow toward its set value
constexpr double kShareTimeConstant = 3.0;  // s, pass shares toward the set-value split
constexpr double kSkinLagFactor = 0.5;      // tube-skin lag relative to the outlet lag
constexpr double kMinTimeConstant = 0.5;    // s
constexpr float kMinPassFlow = 0.1f;
constexpr float kSkinFlowExponent = 0.8f;
constexpr float kDefaultDuty = 5000.0f; // (350 - 250) °C x 50 flow
constexpr float kDutySpread = 0.08f;    // pass-to-pass duty difference (relative)

double Approach(double dt, double timeConstant) {
    return 1.0 - std::exp(-dt / std::max(timeConstant, kMinTimeConstant));
}

bool On(const uint8_t* block, uint16_t item) {
    return ReadUInt(block, item) != 0;
}
float Branch(const uint8_t* block, Family f, int k) {
    return ReadReal(block, BranchItem(f, k));
}
float Loop(const uint8_t* block, LoopParam p, int j) {
    return ReadReal(block, LoopItem(p, j));
}

// Families of the three measures: value, HH, H, L, LL, hysteresis, rate limit.
struct MeasureFamilies {
    Family value, hh, h, l, ll, hys, rate;
};
constexpr MeasureFamilies kMeasures[3] = {
    {Family::FPASS, Family::FPHH, Family::FPH, Family::FPL, Family::FPLL, Family::FPHYS,
     Family::FPVL},
    {Family::TPASS, Family::TPHH, Family::TPH, Family::TPL, Family::TPLL, Family::TPHYS,
     Family::TPVL},
    {Family::TCS, Family::TCSHH, Family::TCSH, Family::TCSL, Family::TCSLL, Family::TCSHYS,
     Family::TCSVL},
};
constexpr uint32_t kMeasureFlag[3] = {kFlagFlow, kFlagTemp, kFlagTubeSkin};

} // namespace

uint64_t CRandom::Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double CRandom::Uniform() {
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

double CRandom::Normal() {
    double sum = 0.0;
    for (int i = 0; i < 12; ++i)
        sum += Uniform();
    return sum - 6.0;
}

uint32_t EvaluateAlarms(uint32_t previous, uint32_t enable, float v, float rate,
                        const AlarmLimits& lim) {
    uint32_t state = 0;
    auto high = [&](uint32_t bit, float limit) {
        bool was = (previous & bit) != 0;
        if (v >= limit || (was && v > limit - lim.hys))
            state |= bit;
    };
    auto low = [&](uint32_t bit, float limit) {
        bool was = (previous & bit) != 0;
        if (v <= limit || (was && v < limit + lim.hys))
            state |= bit;
    };
    high(kAlarmHH, lim.hh);
    high(kAlarmH, lim.h);
    low(kAlarmL, lim.l);
    low(kAlarmLL, lim.ll);
    if (lim.rate > 0.0f && std::fabs(rate) > lim.rate)
        state |= kAlarmRate;
    return state & enable & kAlarmBits;
}

CHeaterModel::CHeaterModel(const HeaterParams& params, uint64_t seed)
    : m_params(params), m_random(seed) {
    for (float& duty : m_params.duty) {
        double spread = (m_random.Uniform() * 2.0 - 1.0) * kDutySpread;
        if (duty <= 0.0f)
            duty = static_cast<float>(kDefaultDuty * (1.0 + spread));
    }
}

void CHeaterModel::ApplyDefaults(uint8_t* block) {
    WriteReal(block, kItemFTTLSET, 400.0f);
    WriteReal(block, kItemFTTL, 400.0f);
    WriteUInt(block, kItemMode, kBoolOn);
    WriteUInt(block, kItemUnitTotalFlow, 1);
    WriteUInt(block, kItemUnitBranchFlow, 1);
    WriteUInt(block, kItemUnitBranchTemp, 2);
    WriteUInt(block, kItemUnitTubeSkin, 2);
    WriteUInt(block, kItemDecimalsFlow, 1);
    WriteUInt(block, kItemDecimalsTemp, 1);
    WriteUInt(block, kItemDecimalsTubeSkin, 1);
    const AlarmLimits limits[3] = {
        {70, 65, 35, 30, 1, 5}, {380, 370, 320, 310, 1, 5}, {470, 460, 360, 350, 2, 5}};
    const float start[3] = {50.0f, 350.0f, 400.0f};
    uint32_t limitEnable = 0;
    for (int k = 1; k <= kBranchCount; ++k) {
        WriteReal(block, BranchItem(Family::FPSET, k), 50.0f);
        for (int m = 0; m < 3; ++m) {
            const MeasureFamilies& f = kMeasures[m];
            WriteReal(block, BranchItem(f.value, k), start[m]);
            WriteReal(block, BranchItem(f.hh, k), limits[m].hh);
            WriteReal(block, BranchItem(f.h, k), limits[m].h);
            WriteReal(block, BranchItem(f.l, k), limits[m].l);
            WriteReal(block, BranchItem(f.ll, k), limits[m].ll);
            WriteReal(block, BranchItem(f.hys, k), limits[m].hys);
            WriteReal(block, BranchItem(f.rate, k), limits[m].rate);
            WriteUInt(block, AlarmEnableItem(static_cast<Measure>(m), k), kAlarmBits);
        }
        WriteReal(block, BranchItem(Family::FPSETH, k), 70.0f);
        WriteReal(block, BranchItem(Family::FPSETL, k), 30.0f);
        WriteReal(block, BranchItem(Family::FPSETVL, k), 2.0f);
        limitEnable |= LimitHighBit(k) | LimitLowBit(k);
        WriteReal(block, BranchItem(Family::KPM, k), 1.0f);
        WriteReal(block, BranchItem(Family::TPM, k), 20.0f);
        WriteReal(block, BranchItem(Family::LPM, k), 5.0f);
    }
    WriteUInt(block, kItemLimitEnable, limitEnable);
    for (int j = 0; j < kLoopCount; ++j) {
        WriteReal(block, LoopItem(LoopParam::FMAXER, j), 20.0f);
        WriteReal(block, LoopItem(LoopParam::TMAXER, j), 60.0f);
        WriteReal(block, LoopItem(LoopParam::FERLMT, j), 10.0f);
        WriteReal(block, LoopItem(LoopParam::TERLMT, j), 0.5f);
        WriteReal(block, LoopItem(LoopParam::HLMT, j), 70.0f);
        WriteReal(block, LoopItem(LoopParam::LLMT, j), 30.0f);
        WriteReal(block, LoopItem(LoopParam::K1, j), 0.02f);
    }
}

void CHeaterModel::Attach(const uint8_t* block) {
    float total = 0.0f;
    for (int k = 1; k <= kBranchCount; ++k) {
        int i = k - 1;
        m_flow[i] = Branch(block, Family::FPASS, k);
        m_temp[i] = Branch(block, Family::TPASS, k);
        m_skin[i] = Branch(block, Family::TCS, k);
        m_target[i] = m_working[i] = Branch(block, Family::FPSET, k);
        m_prev[0][i] = m_flow[i];
        m_prev[1][i] = m_temp[i];
        m_prev[2][i] = m_skin[i];
        total += std::max(m_flow[i], 0.0f);
    }
    for (int i = 0; i < kBranchCount; ++i)
        m_share[i] = total > 0.0f ? std::max(m_flow[i], 0.0f) / total : 1.0f / kBranchCount;
}

void CHeaterModel::Step(uint8_t* block, double dt) {
    if (dt <= 0.0)
        return;
    bool outOfService = On(block, kItemOutOfService);
    if (outOfService) {
        // Standing still: nothing is measured or controlled, no alarm is reported.
        for (int m = 0; m < 3; ++m)
            for (int k = 1; k <= kBranchCount; ++k)
                WriteUInt(block, AlarmStateItem(static_cast<Measure>(m), k), 0);
        WriteUInt(block, kItemLimitState, 0);
        m_loopActive = false;
        UpdateFlag(block, true);
        return;
    }
    UpdateHeader(block, dt);
    TrackSetValues(block);
    RunLoops(block, dt);
    WriteUInt(block, kItemLimitState, ApplySetValueLimits(block, dt));
    UpdateBranches(block, dt);
    UpdateAlarms(block, dt, On(block, kItemAlarmInhibit));
    UpdateFlag(block, false);
}

void CHeaterModel::UpdateHeader(uint8_t* block, double dt) {
    double set = ReadReal(block, kItemFTTLSET);
    double flow = ReadReal(block, kItemFTTL);
    flow += (set - flow) * Approach(dt, kHeaderTimeConstant);
    flow += m_random.Normal() * m_params.flowNoise * std::fabs(set) * std::sqrt(dt);
    WriteReal(block, kItemFTTL, static_cast<float>(std::max(flow, 0.0)));
}

void CHeaterModel::TrackSetValues(const uint8_t* block) {
    // A set value that differs from the one last written was written from outside: it is the
    // new request.
    for (int k = 1; k <= kBranchCount; ++k) {
        float value = Branch(block, Family::FPSET, k);
        if (value != m_working[k - 1])
            m_target[k - 1] = value;
    }
}

void CHeaterModel::RunLoops(const uint8_t* block, double dt) {
    m_loopActive = false;
    if (!On(block, kItemMode))
        return;
    const float* measured = On(block, kItemControlMethod) ? m_skin : m_temp;
    for (int j = 0; j < kLoopCount; ++j) {
        if (!On(block, LoopSwitchItem(j)))
            continue;
        const int first = kLoopBranches[j].first - 1;
        const int count = kLoopBranches[j].count;
        float mean = 0.0f, meanSet = 0.0f;
        for (int i = first; i < first + count; ++i) {
            mean += measured[i];
            meanSet += m_target[i];
        }
        mean /= count;
        meanSet /= count;
        const float deadBand = Loop(block, LoopParam::TERLMT, j);
        const float maxSpread = Loop(block, LoopParam::TMAXER, j);
        const float maxFlowError = Loop(block, LoopParam::FMAXER, j);
        bool hold = false;
        float error[kBranchCount] = {};
        float errorMean = 0.0f;
        for (int i = first; i < first + count; ++i) {
            float e = measured[i] - mean;
            if (maxSpread > 0.0f && std::fabs(e) > maxSpread)
                hold = true;
            if (maxFlowError > 0.0f && std::fabs(m_flow[i] - m_working[i]) > maxFlowError)
                hold = true;
            error[i] = std::fabs(e) <= deadBand ? 0.0f : e;
            errorMean += error[i];
        }
        if (hold)
            continue;
        m_loopActive = true;
        errorMean /= count;
        const float k1 = Loop(block, LoopParam::K1, j);
        const float k2 = Loop(block, LoopParam::K2, j);
        const float deviation = Loop(block, LoopParam::FERLMT, j);
        const float high = Loop(block, LoopParam::HLMT, j);
        const float low = Loop(block, LoopParam::LLMT, j);
        for (int i = first; i < first + count; ++i) {
            // A hotter pass needs more flow; the loop's total set value stays the same.
            float e = error[i] - errorMean;
            float trim = static_cast<float>(k1 * e * dt) + k2 * (e - m_prevError[i]);
            m_prevError[i] = e;
            float value = m_target[i] + trim;
            if (deviation > 0.0f)
                value = std::clamp(value, meanSet - deviation, meanSet + deviation);
            if (high > low)
                value = std::clamp(value, low, high);
            m_target[i] = value;
        }
    }
}

uint32_t CHeaterModel::ApplySetValueLimits(uint8_t* block, double dt) {
    const uint32_t enable = ReadUInt(block, kItemLimitEnable);
    uint32_t state = 0;
    for (int k = 1; k <= kBranchCount; ++k) {
        int i = k - 1;
        float value = m_target[i];
        float high = Branch(block, Family::FPSETH, k);
        float low = Branch(block, Family::FPSETL, k);
        float rate = Branch(block, Family::FPSETVL, k);
        if ((enable & LimitHighBit(k)) && value > high) {
            value = high;
            state |= LimitHighBit(k);
        }
        if ((enable & LimitLowBit(k)) && value < low) {
            value = low;
            state |= LimitLowBit(k);
        }
        if ((enable & LimitRateBit(k)) && rate > 0.0f) {
            float step = static_cast<float>(rate * dt);
            if (std::fabs(value - m_working[i]) > step) {
                value = m_working[i] + (value > m_working[i] ? step : -step);
                state |= LimitRateBit(k);
            }
        }
        m_working[i] = value;
        WriteReal(block, BranchItem(Family::FPSET, k), value);
    }
    return state;
}

void CHeaterModel::UpdateBranches(uint8_t* block, double dt) {
    float setTotal = 0.0f;
    for (float set : m_working)
        setTotal += std::max(set, 0.0f);
    double shareTotal = 0.0;
    const double approach = Approach(dt, kShareTimeConstant);
    for (int i = 0; i < kBranchCount; ++i) {
        double wanted =
            setTotal > 0.0f ? std::max(m_working[i], 0.0f) / setTotal : 1.0 / kBranchCount;
        double share = m_share[i] + (wanted - m_share[i]) * approach;
        share *= 1.0 + m_random.Normal() * m_params.flowNoise * std::sqrt(dt);
        m_share[i] = static_cast<float>(std::max(share, 0.0));
        shareTotal += m_share[i];
    }
    // The passes split the header flow: their flows always add up to it.
    const float header = ReadReal(block, kItemFTTL);
    const float nominal = std::max(ReadReal(block, kItemFTTLSET) / kBranchCount, kMinPassFlow);
    for (int k = 1; k <= kBranchCount; ++k) {
        int i = k - 1;
        if (shareTotal > 0.0)
            m_share[i] = static_cast<float>(m_share[i] / shareTotal);
        m_flow[i] = header * m_share[i];
        float flow = std::max(m_flow[i], kMinPassFlow);
        float gain = Branch(block, Family::KPM, k);
        double lag = Branch(block, Family::TPM, k) + Branch(block, Family::LPM, k);
        float steady = m_params.inletTemp + gain * m_params.duty[i] / flow;
        m_temp[i] += static_cast<float>((steady - m_temp[i]) * Approach(dt, lag) +
                                        m_random.Normal() * m_params.tempNoise);
        float skinSteady =
            m_temp[i] + m_params.skinRise * std::pow(nominal / flow, kSkinFlowExponent);
        m_skin[i] +=
            static_cast<float>((skinSteady - m_skin[i]) * Approach(dt, lag * kSkinLagFactor) +
                               m_random.Normal() * m_params.tempNoise);
        WriteReal(block, BranchItem(Family::FPASS, k), m_flow[i]);
        WriteReal(block, BranchItem(Family::TPASS, k), m_temp[i]);
        WriteReal(block, BranchItem(Family::TCS, k), m_skin[i]);
    }
}

void CHeaterModel::UpdateAlarms(uint8_t* block, double dt, bool inhibit) {
    const float* values[3] = {m_flow, m_temp, m_skin};
    for (int m = 0; m < 3; ++m) {
        const MeasureFamilies& f = kMeasures[m];
        for (int k = 1; k <= kBranchCount; ++k) {
            int i = k - 1;
            uint16_t stateItem = AlarmStateItem(static_cast<Measure>(m), k);
            float rate = static_cast<float>((values[m][i] - m_prev[m][i]) / dt);
            m_prev[m][i] = values[m][i];
            uint32_t state = 0;
            if (!inhibit) {
                AlarmLimits limits{Branch(block, f.hh, k),  Branch(block, f.h, k),
                                   Branch(block, f.l, k),   Branch(block, f.ll, k),
                                   Branch(block, f.hys, k), Branch(block, f.rate, k)};
                state = EvaluateAlarms(ReadUInt(block, stateItem), ReadUInt(block, stateItem + 1),
                                       values[m][i], rate, limits);
            }
            WriteUInt(block, stateItem, state);
        }
    }
}

void CHeaterModel::UpdateFlag(uint8_t* block, bool outOfService) {
    uint32_t flag = 0;
    for (int m = 0; m < 3; ++m) {
        for (int k = 1; k <= kBranchCount; ++k) {
            uint32_t state = ReadUInt(block, AlarmStateItem(static_cast<Measure>(m), k));
            if (state & kAlarmHH)
                flag |= kFlagHH;
            if (state & kAlarmH)
                flag |= kFlagH;
            if (state & kAlarmLL)
                flag |= kFlagLL;
            if (state & kAlarmL)
                flag |= kFlagL;
            if (state & kAlarmRate)
                flag |= kFlagRate;
            if (state & kAlarmBits)
                flag |= kMeasureFlag[m];
        }
    }
    if (ReadUInt(block, kItemLimitState) & kLimitBits)
        flag |= kFlagSvLimit;
    if (outOfService)
        flag |= kFlagOutOfService;
    if (On(block, kItemAlarmInhibit))
        flag |= kFlagAlarmInhibit;
    if (On(block, kItemMode))
        flag |= kFlagAuto;
    if (m_loopActive)
        flag |= kFlagBalancing;
    if (On(block, kItemControlMethod))
        flag |= kFlagTubeSkinMethod;
    WriteUInt(block, kItemAlarmFlag, flag);
}

} // namespace commsim
