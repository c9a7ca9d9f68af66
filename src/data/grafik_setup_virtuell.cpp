#include "data/grafik_setup_virtuell.h"

#include "data/archive.h"

namespace qor::data {

void CGrafikSetupVirtuell::Serialize(Archive& ar)
{
    if (ar.IsLoading() && !m_legacyFormat && ar.FileVersion() < 2)
        return;
    for (std::size_t v = 0; v < 4; ++v) {
        ar.Io(m_enable[v]);
        ar.Io(m_sourceY[v]);
        ar.Io(m_sourceZ[v]);
        ar.IoString(m_formula[v]);
    }
}

}  // namespace qor::data
