#include "data/pot_ref_daten_object.h"

#include "data/archive.h"

namespace qor::data {

void CPotRefDatenObject::Serialize(Archive& ar)
{
    if (ar.IsLoading() && ar.FileVersion() < 2)
        return;
    ar.IoTime(m_time);
    ar.Io(m_count);
    if (m_count > 10)
        ar.Fail("reference point with more than ten entries");
    for (std::size_t i = 0; i < m_count; ++i) {
        ar.Io(m_range[i]);
        ar.Io(m_x[i]);
        ar.Io(m_y[i]);
        ar.Io(m_z[i]);
    }
}

}  // namespace qor::data
