#include "export/text_export.h"

#include "common/codec.h"
#include "common/text.h"
#include "data/daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/local_time.h"
#include "data/virtual_channel.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qor::exporter {

namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kBlock = 4096;  // rows whose virtual channels are computed together

const TextPair kDate{"Datum", "Date"};
const TextPair kTime{"Zeit", "Time"};
const TextPair kVirtual{"virtuelle Kanäle", "virtual Channels"};

// "%.*f" and a TAB; with the decimal comma the point becomes a comma. A value no module
// sent (not a number) stays an empty field rather than a word a spreadsheet cannot read.
void AppendNumber(std::string& out, double v, int precision, bool comma)
{
    if (!std::isfinite(v)) {
        out += '\t';
        return;
    }
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
    if (res.ec != std::errc()) {
        const int n = std::snprintf(buf, sizeof buf, "%.*f", precision, v);
        res.ptr = buf + std::min<int>(std::max(n, 0), static_cast<int>(sizeof buf) - 1);
    }
    if (comma)
        std::replace(buf, res.ptr, '.', ',');
    out.append(buf, res.ptr);
    out += '\t';
}

void Append2(std::string& out, int v)
{
    if (v < 0 || v > 99) {
        out += std::to_string(v);
        return;
    }
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

// Local time of consecutive stamps: the zone is asked once a minute.
class LocalClock {
public:
    data::LocalTm At(std::int64_t t)
    {
        t = data::ClampToCalendar(t);  // a stamp of a corrupt file: its nearest date
        const std::int64_t delta = t - m_baseTime;
        if (!m_have || delta < 0 || m_base.second + delta >= 60) {
            m_base = data::ToLocal(t);
            m_baseTime = t;
            m_have = m_base.valid;
            return m_base;
        }
        data::LocalTm tm = m_base;
        tm.second += static_cast<int>(delta);
        return tm;
    }

private:
    data::LocalTm m_base;
    std::int64_t m_baseTime = 0;
    bool m_have = false;
};

void AppendDate(std::string& out, const data::LocalTm& tm, bool separate)
{
    Append2(out, tm.day);
    out += '.';
    Append2(out, tm.month);
    out += '.';
    out += std::to_string(tm.year);
    out += separate ? '\t' : ' ';
    Append2(out, tm.hour);
    out += ':';
    Append2(out, tm.minute);
    out += ':';
    Append2(out, tm.second);
    out += '\t';
}

}  // namespace

std::string ExportHeader(const ExportInput& in, const ExportOptions& o)
{
    std::string h;
    if (o.dateTime == 0)
        h += Format("%s/%s\t", kDate[o.language], kTime[o.language]);
    else
        h += Format("%s\t%s\t", kDate[o.language], kTime[o.language]);
    for (int i = 0; i < 16; ++i) {
        const ChannelTexts& c = in.channels[static_cast<std::size_t>(i)];
        for (std::size_t k = 0; k < 3; ++k)
            if (o.columns[static_cast<std::size_t>(i)][k])
                h +=
                    Format("S%d %s %s [%s]\t", i, c.moduleName.c_str(), c.name[k].c_str(), c.unit[k].c_str());
    }
    if (o.virtualChannels && in.virtuell)
        for (unsigned v = 0; v < 4; ++v)
            if (in.virtuell->m_enable[v])
                h += Format("%s %u\t", kVirtual[o.language], v);
    h += "\r\n";
    return h;
}

void ProduceTextExport(const ExportInput& in, const ExportOptions& o,
                       const std::function<void(std::string_view)>& sink)
{
    std::string out = Utf8ToCp1252(ExportHeader(in, o));
    const bool comma = o.decimalMark == 0;
    const bool separate = o.dateTime != 0;
    const int p = std::clamp(o.precision, 0, 20);

    std::vector<std::uint8_t> virtuals;
    data::VirtualChannels channels;
    if (o.virtualChannels && in.virtuell && in.setup) {
        for (std::uint8_t v = 0; v < 4; ++v)
            if (in.virtuell->m_enable[v])
                virtuals.push_back(v);
        channels.Assign(*in.virtuell);
    }

    struct Column {
        std::uint8_t channel;
        std::uint8_t value;
    };
    std::vector<Column> columns;
    for (std::uint8_t i = 0; i < 16; ++i)
        for (std::uint8_t k = 0; k < 3; ++k)
            if (o.columns[i][k])
                columns.push_back({i, k});

    static const std::vector<data::CDatenObject> kNone;
    const std::vector<data::CDatenObject>& samples = in.samples ? *in.samples : kNone;
    std::vector<double> ys(kBlock), zs(kBlock);
    std::vector<std::vector<double>> computed(virtuals.size(), std::vector<double>(kBlock));
    LocalClock clock;
    out.reserve(kChunk + 4096);
    for (std::size_t first = 0; first < samples.size(); first += kBlock) {
        const std::size_t n = std::min(kBlock, samples.size() - first);
        for (std::size_t c = 0; c < virtuals.size(); ++c) {
            const std::uint8_t v = virtuals[c];
            for (std::size_t r = 0; r < n; ++r) {
                ys[r] = data::SourceValue(samples[first + r], *in.setup, in.virtuell->m_sourceY[v]);
                zs[r] = data::SourceValue(samples[first + r], *in.setup, in.virtuell->m_sourceZ[v]);
            }
            channels.EvaluateMany(v, ys.data(), zs.data(), computed[c].data(), n);
        }
        for (std::size_t r = 0; r < n; ++r) {
            const data::CDatenObject& s = samples[first + r];
            AppendDate(out, clock.At(s.m_time), separate);
            for (const Column& col : columns) {
                switch (col.value) {
                case 0:
                    AppendNumber(out, static_cast<double>(s.m_value[col.channel]), p, comma);
                    break;
                case 1:
                    AppendNumber(out, static_cast<double>(s.m_value2[col.channel]), p, comma);
                    break;
                default:
                    AppendNumber(out, static_cast<double>(s.m_temperature[col.channel]), 1, comma);
                    break;
                }
            }
            for (std::size_t c = 0; c < virtuals.size(); ++c)
                AppendNumber(out, computed[c][r], p, comma);
            out += "\r\n";
            if (out.size() >= kChunk) {
                sink(out);
                out.clear();
            }
        }
    }
    if (!out.empty())
        sink(out);
}

std::string TextExport(const ExportInput& in, const ExportOptions& options)
{
    std::string all;
    ProduceTextExport(in, options, [&all](std::string_view piece) { all.append(piece); });
    return all;
}

bool WriteTextExport(const std::string& path, const ExportInput& in, const ExportOptions& options,
                     std::string* error)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error)
            *error = path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    int err = 0;
    ProduceTextExport(in, options, [&](std::string_view piece) {
        if (ok && std::fwrite(piece.data(), 1, piece.size(), f) != piece.size()) {
            ok = false;
            err = errno;
        }
    });
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok && error)
        *error = path + ": " + std::strerror(err);
    return ok;
}

}  // namespace qor::exporter
