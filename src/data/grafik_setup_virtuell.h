#pragma once

#include "data/record.h"

#include <array>
#include <cstdint>
#include <string>

namespace qor::data {

// The four virtual channels: enabled flags, input channel codes and formulas.
class CGrafikSetupVirtuell final : public CRecord {
public:
    std::array<std::uint8_t, 4> m_enable{};
    std::array<std::uint8_t, 4> m_sourceY{};  // channel code: address x 3 + k
    std::array<std::uint8_t, 4> m_sourceZ{};
    std::array<std::string, 4> m_formula;
    bool m_legacyFormat = false;  // not stored: read regardless of the file version

    void Serialize(Archive& ar) override;
};

}  // namespace qor::data
