// A fired heater with one BALANCE8 block, simulated on the block's own data area: the model
// reads the block's settings (set values, limits, switches, gains) from the block each cycle,
// so writes from faceplates change what it does next, and writes back the measured values,
// the set values it trims, and the alarm, limit and flag words. Deterministic for a seed.
//
// What the block's switches mean here:
//   out of service (94) on: the block stands still: values hold, no control, no alarms;
//   mode (95) on: automatic: balance loops that are switched on act; off: manual, none acts;
//   loop switch 96 + j on: loop j trims the set values of its branches;
//   control method (103) off: loops equalise outlet temperatures; on: tube-skin temperatures;
//   alarm inhibit (104) on: no alarm state bit is set.
// Loop settings: TERLMT dead band (°C) below which a branch is left alone; TMAXER: a
// temperature spread beyond it holds the loop; FMAXER: a branch flow further than it from its
// set value holds the loop; FERLMT: the largest distance of a trimmed set value from the
// loop's mean set value; HLMT / LLMT: output limits of every trimmed set value; K1: trim per
// second and °C of deviation; K2: trim per °C change of deviation; K3 is not used.
// Branch process: KPM gain of the heat pick-up, TPM + LPM the outlet time constant (s).
// Set-value limits (554 enable, 553 state): high and low clamp the requested set value, the
// rate limit (per second) slews the working set value toward it.
#pragma once

#include "BlockTable.h"

#include <cstdint>

namespace commsim {

// What the simulated controller writes into a BOOL item that is on.
constexpr uint8_t kBoolOn = 255;

// Deterministic pseudo-random numbers (splitmix64).
class CRandom {
public:
    explicit CRandom(uint64_t seed) : m_state(seed) {}
    uint64_t Next();
    double Uniform(); // [0, 1)
    double Normal();  // mean 0, standard deviation 1 (sum of twelve uniforms)

private:
    uint64_t m_state;
};

// Process constants of one heater (not part of the block).
struct HeaterParams {
    float inletTemp = 250.0f;          // °C
    float duty[b8::kBranchCount] = {}; // heat picked up per pass (°C x flow); 0 = default
    float skinRise = 50.0f;            // tube-skin above outlet at the nominal pass flow
    float flowNoise = 0.002f;          // relative
    float tempNoise = 0.05f;           // °C
};

// Alarm limits of one measured value.
struct AlarmLimits {
    float hh, h, l, ll, hys, rate;
};
// New alarm state word from the previous one: a limit alarm comes at the limit and goes only
// when the value is back by the hysteresis; the rate alarm follows |rate| > rate limit. Only
// enabled bits are ever set.
uint32_t EvaluateAlarms(uint32_t previous, uint32_t enable, float value, float ratePerSecond,
                        const AlarmLimits& limits);

class CHeaterModel {
public:
    CHeaterModel(const HeaterParams& params, uint64_t seed);

    // Fills a zeroed block with the model's defaults (a running heater in balance).
    static void ApplyDefaults(uint8_t* block);
    // Takes the block's current values as the starting state.
    void Attach(const uint8_t* block);
    // One cycle of `dt` seconds.
    void Step(uint8_t* block, double dt);

private:
    void UpdateHeader(uint8_t* block, double dt);
    void TrackSetValues(const uint8_t* block);
    void RunLoops(const uint8_t* block, double dt);
    uint32_t ApplySetValueLimits(uint8_t* block, double dt);
    void UpdateBranches(uint8_t* block, double dt);
    void UpdateAlarms(uint8_t* block, double dt, bool inhibit);
    void UpdateFlag(uint8_t* block, bool outOfService);

    HeaterParams m_params;
    CRandom m_random;
    float m_flow[b8::kBranchCount] = {};      // measured pass flows
    float m_share[b8::kBranchCount] = {};     // share of the header flow
    float m_temp[b8::kBranchCount] = {};      // outlet temperatures
    float m_skin[b8::kBranchCount] = {};      // tube-skin temperatures
    float m_target[b8::kBranchCount] = {};    // requested set values
    float m_working[b8::kBranchCount] = {};   // set values last written to the block
    float m_prevError[b8::kBranchCount] = {}; // loop deviation of the previous cycle
    float m_prev[3][b8::kBranchCount] = {};   // values of the previous cycle, for the rates
    bool m_loopActive = false;
};

} // namespace commsim
