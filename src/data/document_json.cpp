#include "data/document_json.h"

#include "data/pot_ref_daten_object.h"
#include "data/qor_doc.h"

#include <cmath>
#include <cstring>

namespace qor::data {
namespace {

// Collects the text in a buffer and hands it on in large pieces.
class JsonOut {
public:
    explicit JsonOut(std::FILE* f, std::string* s) : m_file(f), m_str(s) {}
    ~JsonOut() { Flush(); }

    void Raw(const char* s) { Raw(s, std::strlen(s)); }
    void Raw(const char* s, std::size_t n)
    {
        m_buf.append(s, n);
        if (m_buf.size() > (1u << 16))
            Flush();
    }
    void Key(const char* k)
    {
        Comma();
        String(k);
        Raw(":");
        m_first = true;  // the value follows without a comma
        m_afterKey = true;
    }
    void Begin(char c)
    {
        Comma();
        char s[2] = {c, 0};
        Raw(s);
        m_first = true;
    }
    void End(char c)
    {
        char s[2] = {c, 0};
        Raw(s);
        m_first = false;
    }
    void Int(long long v)
    {
        Comma();
        Num("%lld", v);
    }
    void Float(float v)
    {
        Comma();
        if (std::isfinite(v))
            Num("%.9g", static_cast<double>(v));
        else
            Raw("null");
    }
    void Double(double v)
    {
        Comma();
        if (std::isfinite(v))
            Num("%.17g", v);
        else
            Raw("null");
    }
    void Str(const std::string& s)
    {
        Comma();
        String(s);
    }
    template <class A> void IntArray(const A& a, std::size_t n)
    {
        Begin('[');
        for (std::size_t i = 0; i < n; ++i)
            Int(static_cast<long long>(a[i]));
        End(']');
    }
    template <class A> void FloatArray(const A& a, std::size_t n)
    {
        Begin('[');
        for (std::size_t i = 0; i < n; ++i)
            Float(a[i]);
        End(']');
    }

    void Flush()
    {
        if (m_file)
            std::fwrite(m_buf.data(), 1, m_buf.size(), m_file);
        else
            m_str->append(m_buf);
        m_buf.clear();
    }

private:
    void Comma()
    {
        if (!m_first && !m_afterKey)
            Raw(",");
        m_first = false;
        m_afterKey = false;
    }
    template <class T> void Num(const char* fmt, T v)
    {
        char b[40];
        int n = std::snprintf(b, sizeof b, fmt, v);
        Raw(b, static_cast<std::size_t>(n));
    }
    void String(const std::string& s)
    {
        Raw("\"");
        for (unsigned char c : s) {
            switch (c) {
            case '"':
                Raw("\\\"");
                break;
            case '\\':
                Raw("\\\\");
                break;
            case '\n':
                Raw("\\n");
                break;
            case '\r':
                Raw("\\r");
                break;
            case '\t':
                Raw("\\t");
                break;
            default:
                if (c < 0x20) {
                    char b[8];
                    std::snprintf(b, sizeof b, "\\u%04x", c);
                    Raw(b);
                } else {
                    char ch = static_cast<char>(c);
                    Raw(&ch, 1);
                }
            }
        }
        Raw("\"");
    }

    std::FILE* m_file;
    std::string* m_str;
    std::string m_buf;
    bool m_first = true;
    bool m_afterKey = false;
};

// The samples: time and the three values of the sixteen channels.
void WriteSamples(const CQORDoc& d, JsonOut& j)
{
    j.Key("samples");
    j.Begin('[');
    for (const auto& s : d.Samples()) {
        j.Begin('{');
        j.Key("time");
        j.Int(s.m_time);
        j.Key("value");
        j.FloatArray(s.m_value, 16);
        j.Key("value2");
        j.FloatArray(s.m_value2, 16);
        j.Key("temperature");
        j.FloatArray(s.m_temperature, 16);
        j.End('}');
    }
    j.End(']');
}

// The graph setup.
void WriteSetup(const CQORDoc& d, JsonOut& j)
{
    const auto& g = d.GrafikSetup();
    j.Key("setup");
    j.Begin('{');
    j.Key("interval");
    j.Int(g.m_interval);
    j.Key("show1");
    j.IntArray(g.m_show1, 16);
    j.Key("show2");
    j.IntArray(g.m_show2, 16);
    j.Key("show3");
    j.IntArray(g.m_show3, 16);
    j.Key("factor1");
    j.FloatArray(g.m_factor1, 16);
    j.Key("factor2");
    j.FloatArray(g.m_factor2, 16);
    j.Key("factor3");
    j.FloatArray(g.m_factor3, 16);
    j.Key("yFrom");
    j.Float(g.m_yFrom);
    j.Key("yTo");
    j.Float(g.m_yTo);
    j.Key("sampleCount");
    j.Int(g.m_sampleCount);
    j.Key("moduleType");
    j.IntArray(g.m_moduleType, 16);
    j.End('}');
}

// The four virtual channels.
void WriteVirtual(const CQORDoc& d, JsonOut& j)
{
    const auto& v = d.Virtuell();
    j.Key("virtual");
    j.Begin('{');
    j.Key("enable");
    j.IntArray(v.m_enable, 4);
    j.Key("sourceY");
    j.IntArray(v.m_sourceY, 4);
    j.Key("sourceZ");
    j.IntArray(v.m_sourceZ, 4);
    j.Key("formula");
    j.Begin('[');
    for (const auto& f : v.m_formula)
        j.Str(f);
    j.End(']');
    j.End('}');
}

// The curve properties.
void WriteCurves(const CQORDoc& d, JsonOut& j)
{
    const auto& c = d.GraphProp();
    j.Key("curves");
    j.Begin('{');
    j.Key("visible");
    j.IntArray(c.m_visible, CGraphPropObject::kCurves);
    j.Key("name");
    j.Begin('[');
    for (const auto& n : c.m_name)
        j.Str(n);
    j.End(']');
    j.Key("colour");
    j.IntArray(c.m_colour, CGraphPropObject::kCurves);
    j.End('}');
}

// The potentiostat records of the first format.
void WriteOldPot(const CQORDoc& d, JsonOut& j)
{
    j.Key("oldPot");
    j.Begin('[');
    for (const auto& p : d.OldPot()) {
        j.Begin('{');
        j.Key("time");
        j.Int(p.m_time);
        j.Key("count");
        j.IntArray(p.m_count, 4);
        j.Key("code");
        j.Begin('[');
        for (const auto& group : p.m_code)
            j.IntArray(group, 10);
        j.End(']');
        j.Key("val1");
        j.FloatArray(p.m_val1, 40);
        j.Key("val2");
        j.FloatArray(p.m_val2, 40);
        j.Key("val3");
        j.FloatArray(p.m_val3, 40);
        j.End('}');
    }
    j.End(']');
}

// The potentiostat samples.
void WritePot(const CQORDoc& d, JsonOut& j)
{
    j.Key("pot");
    j.Begin('[');
    for (const auto& p : d.Pot()) {
        j.Begin('{');
        j.Key("time");
        j.Int(p.m_time);
        j.Key("counter");
        j.Int(p.m_counter);
        j.Key("raw");
        j.IntArray(p.m_raw, 3);
        j.Key("status");
        j.Int(p.m_status);
        j.Key("range");
        j.Int(p.m_range);
        j.End('}');
    }
    j.End(']');
}

// The impedance points.
void WriteEis(const CQORDoc& d, JsonOut& j)
{
    j.Key("eis");
    j.Begin('[');
    for (const auto& e : d.Eis()) {
        j.Begin('{');
        j.Key("time");
        j.Int(e.m_time);
        j.Key("index");
        j.Int(e.m_index);
        j.Key("val1");
        j.Float(e.m_val1);
        j.Key("val2");
        j.Float(e.m_val2);
        j.Key("val3");
        j.Float(e.m_val3);
        j.Key("flag1");
        j.Int(e.m_flag1);
        j.Key("flag2");
        j.Int(e.m_flag2);
        j.End('}');
    }
    j.End(']');
}

// Reference points have no list of their own; they can only come in the spare list.
void WriteRefs(const CQORDoc& d, JsonOut& j)
{
    j.Key("refs");
    j.Begin('[');
    for (const auto& rec : d.Spare()) {
        const auto* r = dynamic_cast<const CPotRefDatenObject*>(rec.get());
        if (!r)
            continue;
        j.Begin('{');
        j.Key("time");
        j.Int(r->m_time);
        j.Key("count");
        j.Int(r->m_count);
        j.Key("range");
        j.IntArray(r->m_range, r->m_count);
        j.Key("x");
        j.FloatArray(r->m_x, r->m_count);
        j.Key("y");
        j.FloatArray(r->m_y, r->m_count);
        j.Key("z");
        j.FloatArray(r->m_z, r->m_count);
        j.End('}');
    }
    j.End(']');
}

// A label's font, field by field as the file holds it.
void WriteFont(const LogFont& f, JsonOut& j)
{
    j.Begin('{');
    j.Key("height");
    j.Int(f.m_height);
    j.Key("width");
    j.Int(f.m_width);
    j.Key("escapement");
    j.Int(f.m_escapement);
    j.Key("orientation");
    j.Int(f.m_orientation);
    j.Key("weight");
    j.Int(f.m_weight);
    j.Key("italic");
    j.Int(f.m_italic);
    j.Key("underline");
    j.Int(f.m_underline);
    j.Key("strikeOut");
    j.Int(f.m_strikeOut);
    j.Key("charSet");
    j.Int(f.m_charSet);
    j.Key("outPrecision");
    j.Int(f.m_outPrecision);
    j.Key("clipPrecision");
    j.Int(f.m_clipPrecision);
    j.Key("quality");
    j.Int(f.m_quality);
    j.Key("pitchAndFamily");
    j.Int(f.m_pitchAndFamily);
    j.Key("faceName");
    j.Str(f.m_faceName);
    j.End('}');
}

// The graph labels with their fonts.
void WriteLabels(const CQORDoc& d, JsonOut& j)
{
    j.Key("labels");
    j.Begin('[');
    for (const auto& l : d.Labels()) {
        j.Begin('{');
        j.Key("x");
        j.Double(l.m_x);
        j.Key("y");
        j.Double(l.m_y);
        j.Key("font");
        WriteFont(l.m_font, j);
        j.Key("text");
        j.Str(l.m_text);
        j.Key("colour");
        j.Int(l.m_colour);
        j.Key("scale");
        j.Double(l.m_scale);
        j.End('}');
    }
    j.End(']');
}

void Write(const CQORDoc& d, JsonOut& j)
{
    j.Begin('{');
    j.Key("version");
    j.Int(d.FileVersion());
    WriteSamples(d, j);
    WriteSetup(d, j);
    WriteVirtual(d, j);
    j.Key("logbook");
    j.Str(d.LogBuch().m_text);
    WriteCurves(d, j);
    WriteOldPot(d, j);
    WritePot(d, j);
    WriteEis(d, j);
    WriteRefs(d, j);
    WriteLabels(d, j);
    j.Key("spare");
    j.Int(static_cast<long long>(d.Spare().size()));
    j.End('}');
    j.Raw("\n");
}

}  // namespace

void WriteDocumentJson(const CQORDoc& doc, std::FILE* out)
{
    JsonOut j(out, nullptr);
    Write(doc, j);
}

std::string DocumentJson(const CQORDoc& doc)
{
    std::string s;
    {
        JsonOut j(nullptr, &s);
        Write(doc, j);
    }
    return s;
}

std::string JsonString(const std::string& text)
{
    std::string s;
    {
        JsonOut j(nullptr, &s);
        j.Str(text);
    }
    return s;
}

}  // namespace qor::data
