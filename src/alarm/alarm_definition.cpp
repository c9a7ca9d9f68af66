#include "alarm/alarm_definition.h"

#include "common/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qor::alarm {
namespace {

constexpr TextPair kNoLimit = {"%s: weder oberer noch unterer Grenzwert",
                               "%s: neither a high nor a low limit"};
constexpr TextPair kPairUnmet = {"%s: der untere Grenzwert %s liegt nicht unter dem oberen %s",
                                 "%s: the low limit %s is not below the high limit %s"};
constexpr TextPair kNegative = {"%s: %s darf nicht negativ sein", "%s: %s must not be negative"};
constexpr TextPair kDeadbandTooWide = {
    "%s: die Hysterese %s ist nicht kleiner als der Abstand der Grenzwerte",
    "%s: the deadband %s is not smaller than the distance between the limits"};
constexpr TextPair kDelayTooLong = {"%s: %s ist länger als ein Tag", "%s: %s is longer than a day"};
constexpr TextPair kLine = {"alarms.ini Zeile %d: %s", "alarms.ini line %d: %s"};
constexpr TextPair kBadSection = {"unbekannter Abschnitt [%s]", "unknown section [%s]"};
constexpr TextPair kBadKey = {"unbekannter Schlüssel %s", "unknown key %s"};
constexpr TextPair kNoSection = {"%s steht vor jedem Abschnitt", "%s comes before any section"};
constexpr TextPair kNotNumber = {"%s=%s ist keine Zahl", "%s=%s is not a number"};
constexpr TextPair kNotSource = {"SOURCE=%s ist keine Quelle (S<Adresse 0..15>.<Wert 1..3> oder V<1..4>)",
                                 "SOURCE=%s is no source (S<address 0..15>.<value 1..3> or V<1..4>)"};
constexpr TextPair kNoSource = {"[%s] hat keine SOURCE", "[%s] has no SOURCE"};
constexpr TextPair kTwice = {"[%s] kommt zweimal vor", "[%s] appears twice"};
constexpr TextPair kNoEquals = {"\"%s\" ist keine Zeile SCHLÜSSEL=WERT", "\"%s\" is no line KEY=VALUE"};
constexpr TextPair kCannotRead = {"%s kann nicht gelesen werden: %s", "%s cannot be read: %s"};
constexpr TextPair kCannotWrite = {"%s kann nicht geschrieben werden: %s", "%s cannot be written: %s"};

std::string Trim(std::string_view s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r'))
        ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r'))
        --b;
    return std::string(s.substr(a, b - a));
}

bool ParseNumber(const std::string& s, double& out)
{
    if (s.empty())
        return false;
    const char* first = s.data() + (s[0] == '+' ? 1 : 0);
    auto [p, ec] = std::from_chars(first, s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && std::isfinite(out);
}

bool ParseIndex(std::string_view s, int lo, int hi, int& out)
{
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && out >= lo && out <= hi && !s.empty() &&
           !(s.size() > 1 && s[0] == '0');
}

}  // namespace

std::string SourceText(const AlarmSource& s)
{
    return s.isVirtual ? Format("V%d", s.channel) : Format("S%d.%d", s.address, s.value);
}

std::optional<AlarmSource> ParseSource(std::string_view text)
{
    AlarmSource s;
    if (text.size() >= 2 && (text[0] == 'V' || text[0] == 'v')) {
        s.isVirtual = true;
        if (!ParseIndex(text.substr(1), 1, 4, s.channel))
            return std::nullopt;
        return s;
    }
    const std::size_t dot = text.find('.');
    if (text.size() < 4 || (text[0] != 'S' && text[0] != 's') || dot == std::string_view::npos)
        return std::nullopt;
    if (!ParseIndex(text.substr(1, dot - 1), 0, 15, s.address) ||
        !ParseIndex(text.substr(dot + 1), 1, 3, s.value))
        return std::nullopt;
    return s;
}

std::string NumberText(double v)
{
    char buf[32];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

std::string CheckDefinition(const AlarmDefinition& d, int language, bool languageMark)
{
    const auto NumberText = [&](double v) {
        std::string t = alarm::NumberText(v);
        if (languageMark && language == 0)
            std::replace(t.begin(), t.end(), '.', ',');
        return t;
    };
    const std::string src = SourceText(d.source);
    const char* s = src.c_str();
    if (!d.high && !d.low)
        return Format(kNoLimit[language], s);
    if (d.high && d.low && !(*d.low < *d.high))
        return Format(kPairUnmet[language], s, NumberText(*d.low).c_str(), NumberText(*d.high).c_str());
    const std::pair<const char*, double> fields[] = {
        {"DEADBAND", d.deadband}, {"ON_DELAY", d.onDelay}, {"OFF_DELAY", d.offDelay}};
    for (const auto& [name, v] : fields)
        if (v < 0)
            return Format(kNegative[language], s, name);
    // A deadband as wide as the band would leave a value that can clear neither alarm.
    if (d.high && d.low && d.deadband >= *d.high - *d.low)
        return Format(kDeadbandTooWide[language], s, NumberText(d.deadband).c_str());
    for (const auto& [name, v] : {fields[1], fields[2]})
        if (v > 86400)
            return Format(kDelayTooLong[language], s, name);
    return {};
}

bool ParseAlarmsIni(std::string_view text, int language, AlarmSettings& out, std::string& error)
{
    AlarmSettings result;
    std::string section;
    std::vector<std::string> seen;
    AlarmDefinition* current = nullptr;
    bool hasSource = false;
    std::string currentName;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        error = Format(kLine[language], lineNo, why.c_str());
        return false;
    };
    auto finish = [&]() -> std::string {
        if (!current)
            return {};
        if (!hasSource)
            return Format(kNoSource[language], currentName.c_str());
        return CheckDefinition(*current, language);
    };
    std::istringstream in{std::string(text)};
    for (std::string raw; std::getline(in, raw);) {
        ++lineNo;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (std::string why = finish(); !why.empty())
                return fail(why);
            const std::size_t close = line.find(']');
            section = close == std::string::npos ? line.substr(1) : line.substr(1, close - 1);
            for (char& c : section)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            int n = 0;
            const bool alarm = section.rfind("ALARM", 0) == 0 && ParseIndex(section.substr(5), 1, 9999, n);
            if (close == std::string::npos || (section != "STATION" && !alarm))
                return fail(Format(kBadSection[language], section.c_str()));
            for (const std::string& s : seen)
                if (s == section)
                    return fail(Format(kTwice[language], section.c_str()));
            seen.push_back(section);
            current = nullptr;
            if (alarm) {
                result.alarms.emplace_back();
                current = &result.alarms.back();
                currentName = section;
                hasSource = false;
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return fail(Format(kNoEquals[language], line.c_str()));
        std::string key = Trim(line.substr(0, eq));
        for (char& c : key)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::string value = line.substr(eq + 1);
        if (section.empty())
            return fail(Format(kNoSection[language], key.c_str()));
        // The command runs to the line's end: a ';' in it belongs to the shell.
        if (section == "STATION" && key == "COMMAND") {
            result.command = Trim(value);
            continue;
        }
        if (const std::size_t c = value.find(';'); c != std::string::npos)
            value.erase(c);
        value = Trim(value);
        double num = 0;
        auto number = [&](double& target) {
            if (!ParseNumber(value, num))
                return fail(Format(kNotNumber[language], key.c_str(), value.c_str()));
            target = num;
            return true;
        };
        auto flag = [&](bool& target) {
            if (value != "0" && value != "1")
                return fail(Format(kNotNumber[language], key.c_str(), value.c_str()));
            target = value == "1";
            return true;
        };
        if (section == "STATION") {
            if (key == "COMM_LOSS") {
                int n = 0;
                if (!ParseIndex(value, 0, 1000, n))
                    return fail(Format(kNotNumber[language], key.c_str(), value.c_str()));
                result.commLoss = n;
            } else if (key == "RIDE_THROUGH") {
                if (!flag(result.rideThrough))
                    return false;
            } else {
                return fail(Format(kBadKey[language], key.c_str()));
            }
            continue;
        }
        AlarmDefinition& d = *current;
        if (key == "SOURCE") {
            const auto s = ParseSource(value);
            if (!s)
                return fail(Format(kNotSource[language], value.c_str()));
            d.source = *s;
            hasSource = true;
        } else if (key == "HIGH" || key == "LOW") {
            std::optional<double>& limit = key == "HIGH" ? d.high : d.low;
            if (value.empty()) {
                limit.reset();
                continue;
            }
            double v = 0;
            if (!number(v))
                return false;
            limit = v;
        } else if (key == "DEADBAND") {
            if (!number(d.deadband))
                return false;
        } else if (key == "ON_DELAY") {
            if (!number(d.onDelay))
                return false;
        } else if (key == "OFF_DELAY") {
            if (!number(d.offDelay))
                return false;
        } else if (key == "ENABLE") {
            if (!flag(d.enabled))
                return false;
        } else {
            return fail(Format(kBadKey[language], key.c_str()));
        }
    }
    ++lineNo;
    if (std::string why = finish(); !why.empty())
        return fail(why);
    out = std::move(result);
    return true;
}

std::string SaveAlarmsIni(const AlarmSettings& s)
{
    std::string t = "[STATION]\n";
    t += Format("COMM_LOSS=%d\n", s.commLoss);
    t += Format("RIDE_THROUGH=%d\n", s.rideThrough ? 1 : 0);
    if (!s.command.empty())
        t += "COMMAND=" + s.command + "\n";
    int n = 0;
    for (const AlarmDefinition& d : s.alarms) {
        t += Format("[ALARM%d]\n", ++n);
        t += "SOURCE=" + SourceText(d.source) + "\n";
        if (d.high)
            t += "HIGH=" + NumberText(*d.high) + "\n";
        if (d.low)
            t += "LOW=" + NumberText(*d.low) + "\n";
        t += "DEADBAND=" + NumberText(d.deadband) + "\n";
        t += "ON_DELAY=" + NumberText(d.onDelay) + "\n";
        t += "OFF_DELAY=" + NumberText(d.offDelay) + "\n";
        t += Format("ENABLE=%d\n", d.enabled ? 1 : 0);
    }
    return t;
}

std::string AlarmsIniPath(const std::string& configDirectory)
{
    return (std::filesystem::path(configDirectory) / "alarms.ini").string();
}

bool LoadAlarmsFile(const std::string& path, int language, AlarmSettings& out, std::string& error,
                    bool* found)
{
    std::error_code ec;
    if (found)
        *found = false;
    if (!std::filesystem::exists(path, ec)) {
        out = AlarmSettings{};
        return true;
    }
    std::ifstream f(path, std::ios::binary);
    std::stringstream text;
    if (!f || !(text << f.rdbuf())) {
        // An empty file reads as no text at all: that is the default settings.
        if (f && std::filesystem::file_size(path, ec) == 0) {
            out = AlarmSettings{};
            if (found)
                *found = true;
            return true;
        }
        error = Format(kCannotRead[language], path.c_str(), std::strerror(errno));
        return false;
    }
    if (found)
        *found = true;
    if (!ParseAlarmsIni(text.str(), language, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WriteAlarmsFile(const std::string& path, const AlarmSettings& settings, int language, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    const std::string tmp = path + ".new";
    {
        std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
        f << SaveAlarmsIni(settings);
        f.flush();
        if (!f) {
            error = Format(kCannotWrite[language], path.c_str(), std::strerror(errno));
            std::filesystem::remove(tmp, ec);
            return false;
        }
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        error = Format(kCannotWrite[language], path.c_str(), ec.message().c_str());
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace qor::alarm
