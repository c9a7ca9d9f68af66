#include "plant/mqtt_messages.h"

#include "data/grafik_setup_virtuell.h"
#include "data/qor_doc.h"

#include <charconv>
#include <cmath>

namespace qor::plant {
namespace {

void AppendJsonString(std::string& out, const std::string& s)
{
    out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

}  // namespace

std::string ValuePayload(std::int64_t t, double v, const std::string& unit, const std::string& name,
                         bool stored)
{
    std::string out = "{\"t\": " + std::to_string(t) + ", \"v\": ";
    // The values are single precision in the document: the shortest text that reads back as
    // the number it stores (1.5, not 1.50000007 from a float factor).
    const float f = static_cast<float>(v);
    if (std::isfinite(f)) {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, f);
        out.append(buf, r.ptr);
    } else {
        out += "null";
    }
    out += ", \"unit\": ";
    AppendJsonString(out, unit);
    out += ", \"name\": ";
    AppendJsonString(out, name);
    out += stored ? ", \"stored\": true}" : ", \"stored\": false}";
    return out;
}

std::vector<MqttMessage> CycleMessages(const station::Measurement& m, const std::string& base, std::int64_t t,
                                       bool stored, const VirtualValues& virtuals)
{
    std::vector<MqttMessage> out;
    for (std::size_t a = 0; a < m.modules.size(); ++a) {
        const station::ModuleReading& r = m.modules[a];
        if (r.state == station::Reading::Absent)
            continue;
        const catalogue::ChannelInfo& info = r.info;
        // Value 1 as the recording stores it: in the base unit where the module has one.
        const bool scaled = info.factor != 1.0f && !info.baseUnit.empty();
        const double v1 = r.Measured() ? static_cast<double>(info.factor) * r.values[0] : r.values[0];
        const double values[3] = {v1, r.values[1], r.values[2]};
        const std::string* units[3] = {scaled ? &info.baseUnit : &info.unit1, &info.unit2, &info.unit3};
        const std::string* names[3] = {&info.name1, &info.name2, &info.name3};
        for (std::size_t k = 0; k < 3; ++k) {
            const double v = r.Measured() ? values[k] : station::ModuleReading::kNone;
            out.push_back({base + "/S" + std::to_string(a) + "/" + std::to_string(k + 1),
                           ValuePayload(t, v, *units[k], r.name + " " + *names[k], stored)});
        }
    }
    for (std::size_t k = 0; k < virtuals.size(); ++k)
        if (virtuals[k].enabled)
            out.push_back({base + "/V" + std::to_string(k + 1),
                           ValuePayload(t, virtuals[k].v, "", virtuals[k].name, stored)});
    return out;
}

VirtualValues DocumentVirtualValues(const station::Measurement& m, const data::CQORDoc& doc)
{
    const data::CGrafikSetupVirtuell& virtuell = doc.Virtuell();
    const station::ShownValues shown = station::ShowValues(m, doc.GrafikSetup(), virtuell);
    VirtualValues out;
    for (std::size_t k = 0; k < out.size(); ++k) {
        out[k].enabled = virtuell.m_enable[k] != 0;
        out[k].v = shown.virtualChannels[k];
        out[k].name = "V" + std::to_string(k + 1) + " " + virtuell.m_formula[k];
    }
    return out;
}

}  // namespace qor::plant
