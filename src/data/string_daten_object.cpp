#include "data/string_daten_object.h"

#include "data/archive.h"

namespace qor::data {

std::string CutCharacters(const std::string& utf8, std::size_t n)
{
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (chars == n)
                return utf8.substr(0, i);
            ++chars;
        }
    }
    return utf8;
}

void CStringDatenObject::Serialize(Archive& ar)
{
    if (ar.IsLoading() && ar.FileVersion() < 2)
        return;
    ar.Io(m_x);
    ar.Io(m_y);
    // The font fields go in the alphabetical order of their names.
    ar.Io(m_font.m_charSet);
    ar.Io(m_font.m_clipPrecision);
    ar.Io(m_font.m_escapement);
    ar.IoString(m_font.m_faceName);
    if (ar.IsLoading())
        m_font.m_faceName = CutCharacters(m_font.m_faceName, kMaxFaceName);
    ar.Io(m_font.m_height);
    ar.Io(m_font.m_italic);
    ar.Io(m_font.m_orientation);
    ar.Io(m_font.m_outPrecision);
    ar.Io(m_font.m_pitchAndFamily);
    ar.Io(m_font.m_quality);
    ar.Io(m_font.m_strikeOut);
    ar.Io(m_font.m_underline);
    ar.Io(m_font.m_weight);
    ar.Io(m_font.m_width);
    ar.IoString(m_text);
    ar.Io(m_colour);
    ar.Io(m_scale);
}

}  // namespace qor::data
