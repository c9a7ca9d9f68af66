#include "data/eis_daten_object.h"

#include "data/archive.h"

#include <cstring>

namespace qor::data {

CEISDatenObject CEISDatenObject::FromBlock(const std::uint8_t* block, std::int64_t now)
{
    CEISDatenObject r;
    r.m_time = now;
    std::memcpy(&r.m_index, block, 4);
    std::memcpy(&r.m_val1, block + 4, 4);
    std::memcpy(&r.m_val2, block + 8, 4);
    std::memcpy(&r.m_val3, block + 12, 4);
    r.m_flag1 = block[16];
    r.m_flag2 = block[17];
    return r;
}

void CEISDatenObject::Serialize(Archive& ar)
{
    if (ar.IsLoading() && ar.FileVersion() < 3)
        return;
    ar.IoTime(m_time);
    ar.Io(m_index);
    ar.Io(m_val1);
    ar.Io(m_val2);
    ar.Io(m_val3);
    ar.Io(m_flag1);
    ar.Io(m_flag2);
    ar.Io(m_reserved);
}

}  // namespace qor::data
