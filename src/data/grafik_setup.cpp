#include "data/grafik_setup.h"

#include "data/archive.h"
#include "data/local_time.h"

namespace qor::data {

CGrafikSetup::CGrafikSetup() : m_interval(FromLocal(2000, 1, 1, 0, 0, 10))
{
    m_factor1.fill(1.0f);
    m_factor2.fill(1.0f);
    m_factor3.fill(1.0f);
}

void CGrafikSetup::SetInterval(int hours, int minutes, int seconds)
{
    m_interval = FromLocal(2000, 1, 1, hours, minutes, seconds);
}

CGrafikSetup::Hms CGrafikSetup::Interval() const
{
    LocalTm t = ToLocal(m_interval);
    if (!t.valid)
        return {};
    return {t.hour, t.minute, t.second};
}

int CGrafikSetup::IntervalSeconds() const
{
    Hms h = Interval();
    return h.hours * 3600 + h.minutes * 60 + h.seconds;
}

namespace {
// A flag set in the document stays set; a clear one takes the file's value.
void MergeFlag(std::uint8_t& flag, std::uint8_t read)
{
    flag = flag ? 1 : read;
}
}  // namespace

void CGrafikSetup::Serialize(Archive& ar)
{
    if (ar.IsStoring()) {
        for (std::size_t i = 0; i < 16; ++i) {
            std::uint8_t* p = ar.Put(16);
            p[0] = m_show3[i];
            p[1] = m_show1[i];
            p[2] = m_show2[i];
            std::memcpy(p + 3, &m_factor1[i], 4);
            std::memcpy(p + 7, &m_factor2[i], 4);
            std::memcpy(p + 11, &m_factor3[i], 4);
            p[15] = m_moduleType[i];
        }
        ar.WriteValue(m_yFrom);
        ar.WriteValue(m_yTo);
        ar.WriteValue(m_sampleCount);
        ar.WriteTime(m_interval);
        return;
    }
    if (m_legacyFormat) {
        for (std::size_t i = 0; i < 16; ++i) {
            MergeFlag(m_show3[i], ar.ReadValue<std::uint8_t>());
            MergeFlag(m_show1[i], ar.ReadValue<std::uint8_t>());
            m_show2[i] = 0;
            m_factor2[i] = 1.0f;
            m_factor1[i] = ar.ReadValue<float>();
            m_factor3[i] = ar.ReadValue<float>();
            auto type = ar.ReadValue<std::uint8_t>();
            if (m_moduleType[i] == 0)
                m_moduleType[i] = type;
        }
    } else {
        if (ar.FileVersion() < 2)
            return;
        for (std::size_t i = 0; i < 16; ++i) {
            const std::uint8_t* p = ar.Take(16);
            MergeFlag(m_show3[i], p[0]);
            MergeFlag(m_show1[i], p[1]);
            MergeFlag(m_show2[i], p[2]);
            std::memcpy(&m_factor1[i], p + 3, 4);
            std::memcpy(&m_factor2[i], p + 7, 4);
            std::memcpy(&m_factor3[i], p + 11, 4);
            if (m_moduleType[i] == 0)
                m_moduleType[i] = p[15];
        }
    }
    m_yFrom = ar.ReadValue<float>();
    m_yTo = ar.ReadValue<float>();
    m_sampleCount = ar.ReadValue<std::uint32_t>();
    m_interval = ar.ReadTime();
}

}  // namespace qor::data
