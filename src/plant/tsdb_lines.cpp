#include "plant/tsdb_lines.h"

#include "data/daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/virtual_channel.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qor::plant {
namespace {

// The shortest text that reads back as the same number; a float stays a float, so 7.02f is
// "7.02", not the digits of its double.
template <class T> void AppendNumber(std::string& out, T v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendLine(std::string& out, std::string_view station, std::string_view address, int value,
                std::string_view number, std::string_view nanoseconds)
{
    out += "qor,station=";
    out += station;
    out += ",address=";
    out += address;
    out += ",value=";
    out += static_cast<char>('0' + value);
    out += " v=";
    out += number;
    out += ' ';
    out += nanoseconds;
    out += '\n';
}

}  // namespace

TsdbPoint PointOf(const data::CDatenObject& sample, const data::CGrafikSetup& setup,
                  const data::CGrafikSetupVirtuell& virtuell, data::VirtualChannels& channels)
{
    TsdbPoint p;
    p.time = sample.m_time;
    for (std::size_t a = 0; a < 16; ++a)
        p.values[a] = {sample.m_value[a], sample.m_value2[a], sample.m_temperature[a]};
    channels.Assign(virtuell);
    for (std::uint8_t k = 0; k < 4; ++k) {
        if (!virtuell.m_enable[k]) {
            p.virtualChannels[k] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        const double y = data::SourceValue(sample, setup, virtuell.m_sourceY[k]);
        const double z = data::SourceValue(sample, setup, virtuell.m_sourceZ[k]);
        p.virtualChannels[k] = channels.EvaluateVirtualChannel(y, z, k);
    }
    return p;
}

std::string EscapeTag(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
        if (c == ',' || c == '=' || c == ' ' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::size_t AppendLines(std::string& out, std::string_view station, const TsdbPoint& point)
{
    // Whole seconds as nanoseconds: the digits of the seconds and nine zeros.
    const std::string stamp = point.time == 0 ? "0" : std::to_string(point.time) + "000000000";
    std::size_t lines = 0;
    std::string number;
    for (std::size_t a = 0; a < 16; ++a) {
        const std::string address = std::to_string(a);
        for (int k = 0; k < 3; ++k) {
            const float v = point.values[a][static_cast<std::size_t>(k)];
            if (!std::isfinite(v))
                continue;
            number.clear();
            AppendNumber(number, v);
            AppendLine(out, station, address, k + 1, number, stamp);
            ++lines;
        }
    }
    for (std::size_t k = 0; k < 4; ++k) {
        const double v = point.virtualChannels[k];
        if (!std::isfinite(v))
            continue;
        number.clear();
        AppendNumber(number, v);
        const char address[] = {'V', static_cast<char>('1' + k), '\0'};
        AppendLine(out, station, address, 1, number, stamp);
        ++lines;
    }
    return lines;
}

}  // namespace qor::plant
