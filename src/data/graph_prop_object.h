#pragma once

#include "data/record.h"

#include <array>
#include <cstdint>
#include <string>

namespace qor::data {

// Colour, name and visibility of the 54 curves of the document graph.
class CGraphPropObject final : public CRecord {
public:
    static constexpr std::size_t kCurves = 54;
    static const std::array<std::uint32_t, kCurves> kDefaultColours;

    CGraphPropObject();

    std::array<std::uint32_t, kCurves> m_colour;  // 0x00BBGGRR
    std::array<std::string, kCurves> m_name;
    std::array<std::uint8_t, kCurves> m_visible;

    void Serialize(Archive& ar) override;
};

}  // namespace qor::data
