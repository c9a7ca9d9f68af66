#include "data/graph_prop_object.h"

#include "data/archive.h"

namespace qor::data {

const std::array<std::uint32_t, CGraphPropObject::kCurves> CGraphPropObject::kDefaultColours = {
    0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFFFF00, 0x000000, 0x800000, 0x008000, 0x000080,
    0x808000, 0x800080, 0x808080, 0x8000FF, 0x80FF00, 0x00FF80, 0xFF8000, 0x0080FF, 0xFF0080,
    0xFFFF80, 0x80FF80, 0xFF8080, 0x8080FF, 0x80FFFF, 0xFF80FF, 0x804040, 0xFF5A14, 0x8040FF,
    0x000040, 0x800040, 0x004080, 0x40FF40, 0x404040, 0x3C6440, 0x3C4064, 0x1EFFC8, 0x440B12,
    0x404080, 0x4080FF, 0x008080, 0x004000, 0x408080, 0xFF80FF, 0x40FF00, 0x408000, 0x404000,
    0x804000, 0x808040, 0xC08000, 0xA00000, 0x400000, 0xC0C0C0, 0xC080FF, 0xC08080, 0x120B44,
};

CGraphPropObject::CGraphPropObject() : m_colour(kDefaultColours)
{
    m_visible.fill(1);
}

void CGraphPropObject::Serialize(Archive& ar)
{
    std::size_t curves = kCurves;
    if (ar.IsLoading())
        curves = ar.FileVersion() >= 2 ? kCurves : ar.FileVersion() == 1 ? 36 : 0;
    for (std::size_t i = 0; i < curves; ++i) {
        ar.Io(m_visible[i]);
        ar.IoString(m_name[i]);
        ar.Io(m_colour[i]);
    }
}

}  // namespace qor::data
