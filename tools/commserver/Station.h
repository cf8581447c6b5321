// The simulated controller station: a byte-addressed memory image holding BALANCE8 blocks at
// configured base addresses, one heater model per block, and the configuration file.
//
// Configuration (ini style; ';' or '#' start a comment):
//   [server]
//   memory_size = 65536      ; bytes of controller memory
//   period = 1000            ; model cycle in ms
//   seed = 1                 ; noise seed
//   [block BAL101]           ; one section per block, with its tag name (at most 24 characters)
//   base = 0x1000            ; controller address of the block's first byte
//   inlet_temp = 250         ; heater constants: inlet temperature, tube-skin rise,
//   skin_rise = 50           ;   heat duty of every pass (duty) or of pass k (dutyk)
//   duty3 = 5200
//   FTTLSET = 420            ; initial values by item name ...
//   95 = 255                 ; ... or by item index
// Values not given keep the model's defaults.
#pragma once

#include "HeaterModel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace commsim {

constexpr size_t kMaxTagLength = 24;

struct BlockConfig {
    std::string tag;
    uint32_t base = 0;
    HeaterParams params;
    std::vector<std::pair<uint16_t, double>> values; // item, initial value, in file order
};

struct StationConfig {
    uint32_t memorySize = 0x10000;
    uint32_t periodMs = 1000;
    uint64_t seed = 1;
    std::vector<BlockConfig> blocks;
};

// Parses a configuration text; on failure `error` names the line and the reason.
bool ParseStationConfig(const std::string& text, StationConfig& config, std::string& error);
bool LoadStationConfig(const char* path, StationConfig& config, std::string& error);
// One block "BAL101" at 0x1000 with the model's defaults.
StationConfig DefaultStationConfig();

class CControllerMemory {
public:
    explicit CControllerMemory(uint32_t size = 0) : m_bytes(size, 0) {}
    uint32_t Size() const { return static_cast<uint32_t>(m_bytes.size()); }
    uint8_t* Data() { return m_bytes.data(); }
    const uint8_t* Data() const { return m_bytes.data(); }
    // True when [address, address + length) lies inside the memory (no wrap-around).
    bool Contains(uint32_t address, uint32_t length) const {
        return address <= m_bytes.size() && length <= m_bytes.size() - address;
    }
    bool Write(uint32_t address, const void* value, uint32_t width);
    bool Read(uint32_t address, uint32_t length, void* out) const;

private:
    std::vector<uint8_t> m_bytes;
};

class CStation {
public:
    // Lays the blocks out in a new memory image and starts their models.
    bool Build(const StationConfig& config, std::string& error);
    // One model cycle of every block.
    void Step(double dt);
    // Instead of a model cycle: every item of every block changes. REAL items move by one, and
    // back by kChangeCycle - 1 once in kChangeCycle cycles, so that every shown number differs
    // from the previous cycle's while the values stay near their start; switches (BOOL) turn
    // over, and every bit of the integer items (words, bytes, the alarm flags) turns over, so
    // that every switch, check box and alarm shown changes too. Load measurements use it.
    void ChangeEveryValue();
    static constexpr int kChangeCycle = 100;

    CControllerMemory& Memory() { return m_memory; }
    size_t BlockCount() const { return m_blocks.size(); }
    const BlockConfig& Block(size_t i) const { return m_blocks[i].config; }
    uint8_t* BlockData(size_t i) { return m_memory.Data() + m_blocks[i].config.base; }
    // The block of a tag (case-insensitive), or -1.
    int FindBlock(const std::string& tag) const;

private:
    struct Entry {
        BlockConfig config;
        std::unique_ptr<CHeaterModel> model;
    };
    CControllerMemory m_memory;
    std::vector<Entry> m_blocks;
    int m_changeCount = 0;
};

} // namespace commsim
