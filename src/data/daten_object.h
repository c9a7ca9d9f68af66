#pragma once

#include "data/record.h"

#include <array>
#include <cstdint>

namespace qor::data {

// One measurement sample of all sixteen channels.
class CDatenObject final : public CListRecord {
public:
    static constexpr const char* kClassName = "CDatenObject";
    static constexpr std::size_t kMinFileBytes = 4 + 16 * 2 * 4;

    std::int64_t m_time = 0;
    std::array<float, 16> m_temperature{};  // value 3
    std::array<float, 16> m_value{};        // value 1 x unit factor
    std::array<float, 16> m_value2{};

    void Serialize(Archive& ar) override;
    const char* ClassName() const override { return kClassName; }
    std::unique_ptr<CListRecord> Clone() const override { return std::make_unique<CDatenObject>(*this); }
};

}  // namespace qor::data
