#include "alarm/alarm_transition.h"

#include "alarm/alarm_definition.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace qor::alarm {
namespace {

constexpr const char* kKinds[] = {"high", "low", "comm"};
constexpr const char* kEvents[] = {"raised", "cleared", "acknowledged", "shelved", "unshelved"};

std::string JsonNumber(double v)
{
    return std::isfinite(v) ? ValueText(v) : std::string("null");
}

std::string JsonString(std::string_view s)
{
    std::string out = "\"";
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// A tiny reader for the flat objects AlarmJsonLine writes.
class FlatJson {
public:
    explicit FlatJson(std::string_view s) : m_s(s) {}
    void Space()
    {
        while (m_p < m_s.size() &&
               (m_s[m_p] == ' ' || m_s[m_p] == '\t' || m_s[m_p] == '\r' || m_s[m_p] == '\n'))
            ++m_p;
    }
    bool Eat(char c)
    {
        Space();
        if (m_p < m_s.size() && m_s[m_p] == c) {
            ++m_p;
            return true;
        }
        return false;
    }
    bool String(std::string& out)
    {
        if (!Eat('"'))
            return false;
        out.clear();
        while (m_p < m_s.size() && m_s[m_p] != '"') {
            char c = m_s[m_p++];
            if (c == '\\') {
                if (m_p >= m_s.size())
                    return false;
                c = m_s[m_p++];
                if (c == 'u') {
                    unsigned code = 0;
                    if (m_p + 4 > m_s.size() ||
                        std::from_chars(m_s.data() + m_p, m_s.data() + m_p + 4, code, 16).ptr !=
                            m_s.data() + m_p + 4)
                        return false;
                    m_p += 4;
                    c = static_cast<char>(code < 0x80 ? code : '?');
                }
            }
            out += c;
        }
        return Eat('"');
    }
    // A number or null (NaN).
    bool Number(double& out)
    {
        Space();
        if (m_s.substr(m_p, 4) == "null") {
            m_p += 4;
            out = AlarmTransition::kNone;
            return true;
        }
        auto [p, ec] = std::from_chars(m_s.data() + m_p, m_s.data() + m_s.size(), out);
        if (ec != std::errc())
            return false;
        m_p = static_cast<std::size_t>(p - m_s.data());
        return true;
    }
    bool AtEnd()
    {
        Space();
        return m_p == m_s.size();
    }

private:
    std::string_view m_s;
    std::size_t m_p = 0;
};

}  // namespace

std::string ValueText(double v)
{
    if (!std::isfinite(v))
        return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", v);
    return buf;
}

const char* KindText(AlarmKind k)
{
    return kKinds[static_cast<int>(k)];
}

const char* EventText(AlarmEvent e)
{
    return kEvents[static_cast<int>(e)];
}

std::string AlarmJsonLine(const AlarmTransition& t)
{
    return "{\"time\": " + std::to_string(t.time) + ", \"source\": " + JsonString(t.source) +
           ", \"kind\": \"" + KindText(t.kind) + "\", \"event\": \"" + EventText(t.event) +
           "\", \"value\": " + JsonNumber(t.value) + ", \"limit\": " + JsonNumber(t.limit) + "}";
}

std::optional<AlarmTransition> ParseAlarmJsonLine(std::string_view line)
{
    FlatJson j(line);
    AlarmTransition t;
    unsigned seen = 0;
    if (!j.Eat('{'))
        return std::nullopt;
    do {
        std::string key, text;
        if (!j.String(key) || !j.Eat(':'))
            return std::nullopt;
        if (key == "time") {
            double v = 0;
            if (!j.Number(v) || !(v >= -9e18 && v <= 9e18))
                return std::nullopt;
            t.time = static_cast<std::int64_t>(v);
            seen |= 1;
        } else if (key == "source") {
            if (!j.String(t.source))
                return std::nullopt;
            seen |= 2;
        } else if (key == "kind" || key == "event") {
            if (!j.String(text))
                return std::nullopt;
            bool known = false;
            const bool kind = key == "kind";
            const int n = kind ? 3 : 5;
            for (int i = 0; i < n && !known; ++i)
                if (text == (kind ? kKinds[i] : kEvents[i])) {
                    known = true;
                    if (kind)
                        t.kind = static_cast<AlarmKind>(i);
                    else
                        t.event = static_cast<AlarmEvent>(i);
                }
            if (!known)
                return std::nullopt;
            seen |= kind ? 4 : 8;
        } else if (key == "value" || key == "limit") {
            if (!j.Number(key == "value" ? t.value : t.limit))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    } while (j.Eat(','));
    if (!j.Eat('}') || !j.AtEnd() || seen != 15)
        return std::nullopt;
    return t;
}

}  // namespace qor::alarm
