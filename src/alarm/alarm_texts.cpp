#include "alarm/alarm_texts.h"

#include "common/text.h"

#include <algorithm>
#include <cmath>

namespace qor::alarm {
namespace {

constexpr TextPair kKinds[] = {{"hoch", "high"}, {"tief", "low"}, {"Kommunikation", "communication"}};
constexpr TextPair kRaisedComm = {"Alarm %s %s: %d Abfragen ohne Antwort",
                                  "Alarm %s %s: %d polls unanswered"};
constexpr TextPair kCleared = {"Alarm %s %s beendet: %s", "Alarm %s %s cleared: %s"};
constexpr TextPair kClearedComm = {"Alarm %s %s beendet", "Alarm %s %s cleared"};
constexpr TextPair kAcknowledged = {"Alarm %s %s quittiert", "Alarm %s %s acknowledged"};
constexpr TextPair kShelved = {"Alarm %s %s zurückgestellt für %s", "Alarm %s %s shelved for %s"};
constexpr TextPair kUnshelved = {"Alarm %s %s nicht mehr zurückgestellt", "Alarm %s %s unshelved"};
constexpr TextPair kCommandFailed = {"Alarmbefehl fehlgeschlagen (%s): %s", "Alarm command failed (%s): %s"};
constexpr TextPair kStates[] = {{"normal", "normal"},
                                {"aktiv, nicht quittiert", "active, unacknowledged"},
                                {"aktiv, quittiert", "active, acknowledged"},
                                {"beendet, nicht quittiert", "cleared, unacknowledged"}};
constexpr TextPair kShelvedState = {"zurückgestellt", "shelved"};

std::string Duration(std::int64_t s)
{
    if (s % 3600 == 0)
        return Format("%lld h", static_cast<long long>(s / 3600));
    if (s % 60 == 0)
        return Format("%lld min", static_cast<long long>(s / 60));
    return Format("%lld s", static_cast<long long>(s));
}

}  // namespace

int LimitDecimals(double limit)
{
    int d = 2;
    while (d < 6 && std::isfinite(limit) &&
           std::fabs(limit * std::pow(10.0, d) - std::round(limit * std::pow(10.0, d))) > 1e-6)
        ++d;
    return d;
}

std::string AlarmNumber(double v, int decimals, int language)
{
    if (!std::isfinite(v))
        return "---";
    std::string s = Format("%.*f", decimals, v);
    if (language == 0)
        std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

std::string SourceName(const AlarmTransition& t)
{
    return t.name.empty() ? t.source : t.name;
}

std::string KindName(AlarmKind k, int language)
{
    return kKinds[static_cast<int>(k)][language];
}

std::string StateName(const AlarmPoint& p, int language)
{
    return p.shelved ? kShelvedState[language] : kStates[static_cast<int>(p.state)][language];
}

std::string AlarmLogText(const AlarmTransition& t, int language)
{
    const std::string name = SourceName(t);
    const std::string kind = KindName(t.kind, language);
    const int d = LimitDecimals(t.limit);
    const char* n = name.c_str();
    const char* k = kind.c_str();
    switch (t.event) {
    case AlarmEvent::Raised:
        if (t.kind == AlarmKind::Comm)
            return Format(kRaisedComm[language], n, k, static_cast<int>(t.count));
        return Format("Alarm %s %s: %s %s %s", n, k, AlarmNumber(t.value, d, language).c_str(),
                      t.kind == AlarmKind::High ? ">" : "<", AlarmNumber(t.limit, d, language).c_str());
    case AlarmEvent::Cleared:
        if (t.kind == AlarmKind::Comm)
            return Format(kClearedComm[language], n, k);
        return Format(kCleared[language], n, k, AlarmNumber(t.value, d, language).c_str());
    case AlarmEvent::Acknowledged:
        return Format(kAcknowledged[language], n, k);
    case AlarmEvent::Shelved:
        return Format(kShelved[language], n, k, Duration(t.count).c_str());
    case AlarmEvent::Unshelved:
        return Format(kUnshelved[language], n, k);
    }
    return {};
}

std::string CommandFailedText(const std::string& command, const std::string& why, int language)
{
    return Format(kCommandFailed[language], why.c_str(), command.c_str());
}

}  // namespace qor::alarm
