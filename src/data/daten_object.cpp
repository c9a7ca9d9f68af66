#include "data/daten_object.h"

#include "data/archive.h"

#include <cstring>

namespace qor::data {

void CDatenObject::Serialize(Archive& ar)
{
    // Bulk copies: a week of samples is six hundred thousand of these.
    if (ar.IsStoring()) {
        ar.WriteTime(m_time);
        std::uint8_t* p = ar.Put(16 * 3 * 4);
        for (std::size_t i = 0; i < 16; ++i, p += 12) {
            std::memcpy(p, &m_value[i], 4);
            std::memcpy(p + 4, &m_value2[i], 4);
            std::memcpy(p + 8, &m_temperature[i], 4);
        }
        return;
    }
    m_time = ar.ReadTime();
    if (ar.FileVersion() >= 2) {
        const std::uint8_t* p = ar.Take(16 * 3 * 4);
        for (int i = 0; i < 16; ++i, p += 12) {
            std::memcpy(&m_value[i], p, 4);
            std::memcpy(&m_value2[i], p + 4, 4);
            std::memcpy(&m_temperature[i], p + 8, 4);
        }
    } else {
        // Versions 0 and 1: no value 2, and two floats after the channels nobody uses.
        const std::uint8_t* p = ar.Take(16 * 2 * 4 + 8);
        for (int i = 0; i < 16; ++i, p += 8) {
            std::memcpy(&m_value[i], p, 4);
            std::memcpy(&m_temperature[i], p + 4, 4);
            m_value2[i] = 0.0f;
        }
    }
}

}  // namespace qor::data
