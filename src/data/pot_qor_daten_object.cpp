#include "data/pot_qor_daten_object.h"

#include "data/archive.h"

#include <cstring>

namespace qor::data {

CPotQORDatenObject CPotQORDatenObject::FromBlock(const std::uint8_t* block, std::int64_t now)
{
    CPotQORDatenObject r;
    r.m_time = now;
    std::memcpy(&r.m_counter, block, 4);
    r.m_status = block[4];
    r.m_range = block[5];
    std::memcpy(r.m_raw.data(), block + 6, 6);
    return r;
}

void CPotQORDatenObject::Serialize(Archive& ar)
{
    if (ar.IsLoading() && ar.FileVersion() < 3)
        return;
    ar.IoTime(m_time);
    ar.Io(m_counter);
    ar.Io(m_raw[0]);
    ar.Io(m_raw[1]);
    ar.Io(m_raw[2]);
    ar.Io(m_status);
    ar.Io(m_range);
}

}  // namespace qor::data
