#include "Station.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace b8;

namespace commsim {
namespace {

constexpr uint64_t kBlockSeedStep = 0x51ED2701u; // decorrelates the blocks of one station

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    size_t end = s.find_last_not_of(" \t\r\n");
    return s.substr(begin, end - begin + 1);
}

bool EqualNoCase(const std::string& a, const char* b) {
    size_t n = strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& out) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = strtoull(text.c_str(), &end, 0);
    if (errno || *end || value > max)
        return false;
    out = value;
    return true;
}

bool ParseNumber(const std::string& text, double& out) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    // Integers may be written in hexadecimal (enable words).
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint64_t value = 0;
        if (!ParseUnsigned(text, 0xFFFFFFFFu, value))
            return false;
        out = static_cast<double>(value);
        return true;
    }
    out = strtod(text.c_str(), &end);
    // No NaN, no infinity, nothing beyond what a REAL of the block holds.
    return !errno && !*end && std::isfinite(out) && std::fabs(out) <= FLT_MAX;
}

bool BlockKey(BlockConfig& block, const std::string& key, const std::string& value,
              std::string& reason) {
    double number = 0.0;
    if (EqualNoCase(key, "base")) {
        uint64_t base = 0;
        if (!ParseUnsigned(value, 0xFFFFFFFFu, base)) {
            reason = "base address expected";
            return false;
        }
        block.base = static_cast<uint32_t>(base);
        return true;
    }
    if (!ParseNumber(value, number)) {
        reason = "finite number within the range of a REAL expected";
        return false;
    }
    if (EqualNoCase(key, "inlet_temp")) {
        block.params.inletTemp = static_cast<float>(number);
        return true;
    }
    if (EqualNoCase(key, "skin_rise")) {
        block.params.skinRise = static_cast<float>(number);
        return true;
    }
    if (EqualNoCase(key, "duty")) {
        for (float& duty : block.params.duty)
            duty = static_cast<float>(number);
        return true;
    }
    for (int k = 1; k <= kBranchCount; ++k) {
        if (EqualNoCase(key, ("duty" + std::to_string(k)).c_str())) {
            block.params.duty[k - 1] = static_cast<float>(number);
            return true;
        }
    }
    const ItemDef* def = nullptr;
    uint64_t index = 0;
    if (ParseUnsigned(key, 0xFFFF, index) && std::isdigit(static_cast<unsigned char>(key[0])))
        def = FindItem(static_cast<uint16_t>(index));
    else
        def = FindItemByName(key.c_str());
    if (!def) {
        reason = "unknown key";
        return false;
    }
    if (def->type != ValueType::Real &&
        (number < 0 || number > 4294967295.0 ||
         number != static_cast<double>(static_cast<uint64_t>(number)))) {
        reason = "unsigned integer expected";
        return false;
    }
    if (def->width == 1 && number > 255) {
        reason = "value does not fit one byte";
        return false;
    }
    block.values.emplace_back(def->item, number);
    return true;
}

} // namespace

bool ParseStationConfig(const std::string& text, StationConfig& config, std::string& error) {
    StationConfig parsed;
    enum { kNone, kServer, kBlock } section = kNone;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& reason) {
        error = "line " + std::to_string(number) + ": " + reason;
        return false;
    };
    while (std::getline(lines, line)) {
        ++number;
        size_t comment = line.find_first_of(";#");
        if (comment != std::string::npos)
            line.resize(comment);
        line = Trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']')
                return fail("section header without ']'");
            std::string name = Trim(line.substr(1, line.size() - 2));
            if (EqualNoCase(name, "server")) {
                section = kServer;
            } else if (name.size() > 6 && EqualNoCase(name.substr(0, 6), "block ")) {
                std::string tag = Trim(name.substr(6));
                if (tag.empty() || tag.size() > kMaxTagLength)
                    return fail("tag name empty or longer than 24 characters");
                for (const BlockConfig& other : parsed.blocks)
                    if (EqualNoCase(other.tag, tag.c_str()))
                        return fail("tag " + tag + " given twice");
                parsed.blocks.push_back(BlockConfig{});
                parsed.blocks.back().tag = tag;
                section = kBlock;
            } else {
                return fail("unknown section [" + name + "]");
            }
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos)
            return fail("key = value expected");
        std::string key = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        if (section == kServer) {
            uint64_t n = 0;
            if (EqualNoCase(key, "memory_size")) {
                if (!ParseUnsigned(value, 0x1000000, n) || n == 0)
                    return fail("memory_size must be 1 to 16777216");
                parsed.memorySize = static_cast<uint32_t>(n);
            } else if (EqualNoCase(key, "period")) {
                if (!ParseUnsigned(value, 60000, n) || n == 0)
                    return fail("period must be 1 to 60000 ms");
                parsed.periodMs = static_cast<uint32_t>(n);
            } else if (EqualNoCase(key, "seed")) {
                if (!ParseUnsigned(value, UINT64_MAX, n))
                    return fail("seed must be an unsigned integer");
                parsed.seed = n;
            } else {
                return fail("unknown key " + key);
            }
        } else if (section == kBlock) {
            std::string reason;
            if (!BlockKey(parsed.blocks.back(), key, value, reason))
                return fail(key + ": " + reason);
        } else {
            return fail("key outside a section");
        }
    }
    // Every block inside the memory, no two overlapping.
    for (size_t i = 0; i < parsed.blocks.size(); ++i) {
        const BlockConfig& b = parsed.blocks[i];
        if (static_cast<uint64_t>(b.base) + kWholeSize > parsed.memorySize) {
            error = "block " + b.tag + " does not fit the controller memory";
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            const BlockConfig& o = parsed.blocks[j];
            if (b.base < o.base + kWholeSize && o.base < b.base + kWholeSize) {
                error = "blocks " + o.tag + " and " + b.tag + " overlap";
                return false;
            }
        }
    }
    config = std::move(parsed);
    return true;
}

bool LoadStationConfig(const char* path, StationConfig& config, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = std::string("cannot read ") + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseStationConfig(text.str(), config, error);
}

StationConfig DefaultStationConfig() {
    StationConfig config;
    BlockConfig block;
    block.tag = "BAL101";
    block.base = 0x1000;
    config.blocks.push_back(block);
    return config;
}

bool CControllerMemory::Write(uint32_t address, const void* value, uint32_t width) {
    if (!Contains(address, width))
        return false;
    memcpy(m_bytes.data() + address, value, width);
    return true;
}

bool CControllerMemory::Read(uint32_t address, uint32_t length, void* out) const {
    if (!Contains(address, length))
        return false;
    memcpy(out, m_bytes.data() + address, length);
    return true;
}

bool CStation::Build(const StationConfig& config, std::string& error) {
    m_memory = CControllerMemory(config.memorySize);
    m_blocks.clear();
    uint64_t seed = config.seed;
    for (const BlockConfig& block : config.blocks) {
        if (!m_memory.Contains(block.base, kWholeSize)) {
            error = "block " + block.tag + " does not fit the controller memory";
            return false;
        }
        uint8_t* data = m_memory.Data() + block.base;
        CHeaterModel::ApplyDefaults(data);
        for (const auto& [item, value] : block.values) {
            if (FindItem(item)->type == ValueType::Real)
                WriteReal(data, item, static_cast<float>(value));
            else
                WriteUInt(data, item, static_cast<uint32_t>(value));
        }
        Entry entry{block, std::make_unique<CHeaterModel>(block.params, seed)};
        entry.model->Attach(data);
        m_blocks.push_back(std::move(entry));
        seed += kBlockSeedStep;
    }
    return true;
}

void CStation::Step(double dt) {
    for (Entry& entry : m_blocks)
        entry.model->Step(m_memory.Data() + entry.config.base, dt);
}

void CStation::ChangeEveryValue() {
    const float step = ++m_changeCount % kChangeCycle == 0 ? -(kChangeCycle - 1.0f) : 1.0f;
    for (Entry& entry : m_blocks) {
        uint8_t* data = m_memory.Data() + entry.config.base;
        for (size_t i = 0; i < ItemCount(); ++i) {
            const ItemDef& item = Items()[i];
            switch (item.type) {
            case ValueType::Real:
                WriteReal(data, item.item, ReadReal(data, item.item) + step);
                break;
            case ValueType::Bool:
                WriteUInt(data, item.item, ReadUInt(data, item.item) ? 0 : kBoolOn);
                break;
            case ValueType::UI4:
            case ValueType::Byte:
            case ValueType::Flag:
                WriteUInt(data, item.item, ~ReadUInt(data, item.item));
                break;
            }
        }
    }
}

int CStation::FindBlock(const std::string& tag) const {
    for (size_t i = 0; i < m_blocks.size(); ++i)
        if (EqualNoCase(m_blocks[i].config.tag, tag.c_str()))
            return static_cast<int>(i);
    return -1;
}

} // namespace commsim
