#pragma once

#include "data/record.h"

#include <array>
#include <cstdint>

namespace qor::data {

// One point of a reference curve of the XY graph.
class CPotRefDatenObject final : public CListRecord {
public:
    static constexpr const char* kClassName = "CPotRefDatenObject";
    static constexpr std::size_t kMinFileBytes = 4 + 1;

    std::int64_t m_time = 0;
    std::uint8_t m_count = 0;  // 0..10
    std::array<std::uint8_t, 10> m_range{};
    std::array<float, 10> m_x{};
    std::array<float, 10> m_y{};
    std::array<float, 10> m_z{};

    void Serialize(Archive& ar) override;
    const char* ClassName() const override { return kClassName; }
    std::unique_ptr<CListRecord> Clone() const override
    {
        return std::make_unique<CPotRefDatenObject>(*this);
    }
};

}  // namespace qor::data
