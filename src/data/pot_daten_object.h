#pragma once

#include "data/record.h"

#include <array>
#include <cstdint>

namespace qor::data {

// An earlier potentiostat sample layout, kept so that files holding it still load.
class CPotDatenObject final : public CListRecord {
public:
    static constexpr const char* kClassName = "CPotDatenObject";
    static constexpr std::size_t kMinFileBytes = 4 + 4;

    std::int64_t m_time = 0;
    std::array<std::uint8_t, 4> m_count{};
    std::array<std::array<std::uint8_t, 10>, 4> m_code{};
    std::array<float, 40> m_val1{};
    std::array<float, 40> m_val2{};
    std::array<float, 40> m_val3{};

    void Serialize(Archive& ar) override;
    const char* ClassName() const override { return kClassName; }
    std::unique_ptr<CListRecord> Clone() const override { return std::make_unique<CPotDatenObject>(*this); }
};

}  // namespace qor::data
