#include "data/pot_daten_object.h"

#include "data/archive.h"

namespace qor::data {

void CPotDatenObject::Serialize(Archive& ar)
{
    if (ar.IsLoading() && ar.FileVersion() < 2)
        return;
    for (std::size_t g = 0; g < 4; ++g) {
        ar.Io(m_count[g]);
        if (m_count[g] > 10)
            ar.Fail("potentiostat group with more than ten entries");
        for (std::size_t j = 0; j < m_count[g]; ++j) {
            const std::size_t k = g * 10 + j;
            ar.Io(m_code[g][j]);
            ar.Io(m_val1[k]);
            ar.Io(m_val2[k]);
            ar.Io(m_val3[k]);
        }
    }
    ar.IoTime(m_time);
}

}  // namespace qor::data
