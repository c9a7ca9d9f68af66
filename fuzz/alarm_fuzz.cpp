// Input: the text of alarms.ini, also read as an alarm JSON line.
#include "alarm/alarm_definition.h"
#include "alarm/alarm_transition.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    qor::alarm::AlarmSettings s;
    std::string error;
    if (qor::alarm::ParseAlarmsIni(text, 1, s, error)) {
        qor::alarm::AlarmSettings again;
        if (!qor::alarm::ParseAlarmsIni(qor::alarm::SaveAlarmsIni(s), 1, again, error) || !(again == s))
            std::abort();
    }
    if (const auto t = qor::alarm::ParseAlarmJsonLine(text)) {
        const std::string line = qor::alarm::AlarmJsonLine(*t);
        const auto back = qor::alarm::ParseAlarmJsonLine(line);
        if (!back || qor::alarm::AlarmJsonLine(*back) != line)
            std::abort();
    }
    return 0;
}
