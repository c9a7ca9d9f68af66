#pragma once

#include "data/record.h"

#include <array>
#include <cstdint>

namespace qor::data {

// One potentiostat sample, built from the module's 12-byte record.
class CPotQORDatenObject final : public CListRecord {
public:
    static constexpr const char* kClassName = "CPotQORDatenObject";
    static constexpr std::size_t kBlockSize = 12;
    static constexpr std::size_t kMinFileBytes = 4 + 12;

    std::int64_t m_time = 0;
    std::uint32_t m_counter = 0;
    std::array<std::int16_t, 3> m_raw{};
    std::uint8_t m_status = 0;
    std::uint8_t m_range = 0;

    static CPotQORDatenObject FromBlock(const std::uint8_t* block, std::int64_t now);

    void Serialize(Archive& ar) override;
    const char* ClassName() const override { return kClassName; }
    std::unique_ptr<CListRecord> Clone() const override
    {
        return std::make_unique<CPotQORDatenObject>(*this);
    }
};

}  // namespace qor::data
