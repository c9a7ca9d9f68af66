#pragma once

#include "data/record.h"

#include <cstdint>
#include <string>

namespace qor::data {

// The logical font of a graph label, field by field.
struct LogFont {
    std::int32_t m_height = 0;
    std::int32_t m_width = 0;
    std::int32_t m_escapement = 0;
    std::int32_t m_orientation = 0;
    std::int32_t m_weight = 0;
    std::uint8_t m_italic = 0;
    std::uint8_t m_underline = 0;
    std::uint8_t m_strikeOut = 0;
    std::uint8_t m_charSet = 0;
    std::uint8_t m_outPrecision = 0;
    std::uint8_t m_clipPrecision = 0;
    std::uint8_t m_quality = 0;
    std::uint8_t m_pitchAndFamily = 0;
    std::string m_faceName;  // at most 31 characters once read

    bool operator==(const LogFont&) const = default;
};

// A text label placed in a graph.
class CStringDatenObject final : public CListRecord {
public:
    static constexpr const char* kClassName = "CStringDatenObject";
    static constexpr std::size_t kMinFileBytes = 16 + 1 + 1 + 4 + 1 + 4 + 1 + 4 + 5 + 8 + 1 + 4 + 8;
    static constexpr std::size_t kMaxFaceName = 31;

    double m_x = 0.0;
    double m_y = 0.0;
    LogFont m_font;
    std::string m_text;
    std::uint32_t m_colour = 0;  // 0x00BBGGRR
    double m_scale = 1.0;

    void Serialize(Archive& ar) override;
    const char* ClassName() const override { return kClassName; }
    std::unique_ptr<CListRecord> Clone() const override
    {
        return std::make_unique<CStringDatenObject>(*this);
    }
};

// The first n characters of a UTF-8 text.
std::string CutCharacters(const std::string& utf8, std::size_t n);

}  // namespace qor::data
