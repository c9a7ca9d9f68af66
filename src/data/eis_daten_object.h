#pragma once

#include "data/record.h"

#include <cstdint>

namespace qor::data {

// One impedance point, built from the module's 18-byte result block.
class CEISDatenObject final : public CListRecord {
public:
    static constexpr const char* kClassName = "CEISDatenObject";
    static constexpr std::size_t kBlockSize = 18;
    static constexpr std::size_t kMinFileBytes = 4 + 20;

    std::int64_t m_time = 0;
    std::uint32_t m_index = 0;
    float m_val1 = 0.0f;       // frequency, Hz
    float m_val2 = 0.0f;       // phase, degrees
    float m_val3 = 0.0f;       // |Z|
    std::uint8_t m_flag1 = 0;  // step number
    std::uint8_t m_flag2 = 0;  // step type
    std::uint16_t m_reserved = 0;

    static CEISDatenObject FromBlock(const std::uint8_t* block, std::int64_t now);

    void Serialize(Archive& ar) override;
    const char* ClassName() const override { return kClassName; }
    std::unique_ptr<CListRecord> Clone() const override { return std::make_unique<CEISDatenObject>(*this); }
};

}  // namespace qor::data
