#include "station/digital_mess_view_model.h"

#include "catalogue/catalogue.h"
#include "common/text.h"

#include <cmath>

namespace qor::station {

namespace {

constexpr int kLampRed = 0;
constexpr int kLampGreen = 16;
constexpr int kLampYellow = 32;

std::string ValueText(int decimals, double value)
{
    return std::isfinite(value) ? Format("%.*f", decimals, value) : std::string("---");
}

}  // namespace

std::string DigitalViewTitle(std::uint8_t address, const std::string& moduleName)
{
    return Format("Slave %02u %s", static_cast<unsigned>(address), moduleName.c_str());
}

DigitalViewState DigitalViewRefresh(std::uint8_t address, const ModuleReading& r, bool potRunning)
{
    DigitalViewState s;
    if (r.state == Reading::Absent)
        return s;
    if (r.faulty) {
        s.action = DigitalViewState::Action::RedLamp;
        s.lampColour = kLampRed;
        return s;
    }
    s.action = DigitalViewState::Action::Update;
    const catalogue::ChannelInfo& info = r.info;
    s.title = DigitalViewTitle(address, r.name);

    s.meterUnit[0] = info.unit1;
    s.meterDecimals[0] = info.decimals1;
    s.meterMin[0] = info.min1;
    s.meterMax[0] = info.max1;
    s.meterUnit[1] = info.unit2;
    s.meterDecimals[1] = info.decimals2;
    s.meterMin[1] = info.min2;
    s.meterMax[1] = info.max2;
    s.meterValue[0] = r.values[0];
    s.meterValue[1] = r.values[1];

    s.unit[0] = info.unit1;
    s.unit[1] = info.unit2;
    s.unit[2] = info.unit3;
    s.value[0] = ValueText(info.decimals1, r.values[0]);
    s.value[1] = ValueText(info.decimals2, r.values[1]);
    s.value[2] = ValueText(1, r.values[2]);

    const bool runningPot = catalogue::IsPotentiostat(r.type) && (r.type & 0x10);
    s.lampColour = potRunning && runningPot ? kLampYellow : kLampGreen;
    return s;
}

}  // namespace qor::station
