#include "station/measurement.h"

#include "catalogue/catalogue.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/virtual_channel.h"

#include <algorithm>

namespace qor::station {

void DescribeReading(ModuleReading& r, const catalogue::CSlave& slave)
{
    r.type = slave.m_type;
    r.displayMode = slave.m_displayMode;
    r.faulty = slave.m_enabled == 2;
    if (slave.m_type == 0) {
        r.info = {};
        r.name.clear();
        return;
    }
    r.info = catalogue::DescribeModule(slave);
    r.name = catalogue::ModuleName(slave);
}

data::CDatenObject ToSample(const Measurement& m, std::int64_t time)
{
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    data::CDatenObject s;
    s.m_time = time;
    for (std::size_t a = 0; a < 16; ++a) {
        const ModuleReading& r = m.modules[a];
        if (!r.Measured()) {
            s.m_value[a] = s.m_value2[a] = s.m_temperature[a] = kNone;
            continue;
        }
        s.m_value[a] = static_cast<float>(r.info.factor * r.values[0]);
        s.m_value2[a] = static_cast<float>(r.values[1]);
        s.m_temperature[a] = static_cast<float>(r.values[2]);
    }
    return s;
}

ShownValues ShowValues(const Measurement& m, const data::CGrafikSetup& setup,
                       const data::CGrafikSetupVirtuell& virtuell)
{
    data::VirtualChannels channels;
    return ShowValues(m, setup, virtuell, channels);
}

ShownValues ShowValues(const Measurement& m, const data::CGrafikSetup& setup,
                       const data::CGrafikSetupVirtuell& virtuell, data::VirtualChannels& channels)
{
    const data::CDatenObject sample = ToSample(m, m.time);
    ShownValues shown;
    for (std::uint8_t code = 0; code < 48; ++code)
        shown.values[code / 3u][code % 3u] = data::SourceValue(sample, setup, code);
    channels.Assign(virtuell);
    for (std::uint8_t k = 0; k < 4; ++k) {
        if (!virtuell.m_enable[k]) {
            shown.virtualChannels[k] = ModuleReading::kNone;
            continue;
        }
        const double y = data::SourceValue(sample, setup, virtuell.m_sourceY[k]);
        const double z = data::SourceValue(sample, setup, virtuell.m_sourceZ[k]);
        shown.virtualChannels[k] = channels.EvaluateVirtualChannel(y, z, k);
    }
    return shown;
}

void MeasurementHub::Subscribe(MeasurementListener* listener)
{
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void MeasurementHub::Unsubscribe(MeasurementListener* listener)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void MeasurementHub::Publish(const Measurement& m) const
{
    // A listener may unsubscribe itself while it is told: iterate over a copy.
    const std::vector<MeasurementListener*> listeners = m_listeners;
    for (MeasurementListener* l : listeners)
        l->OnMeasurement(m);
}

}  // namespace qor::station
