#include "station/config.h"

#include "common/codec.h"
#include "common/text.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace qor::station {

namespace {

constexpr double kHalfSecond = 5.787037037037037e-6;  // of a day
constexpr double kMaxDays = 3615897.0;
constexpr const char* kDeviceKey = "SERIAL_DEVICE=";

// Leading blanks, an optional sign, then digits; anything else ends the number.
long ToInteger(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        v = v * 10 + (s[i] - '0');
    return negative ? -v : v;
}

// The file as the reader sees it: lines joined without separators; a CR directly
// before an LF belongs to the line end, the CR the writer puts after it does not.
std::string JoinLines(const std::string& text)
{
    std::string joined;
    joined.reserve(text.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        std::size_t end = lf == std::string::npos ? text.size() : lf;
        std::size_t len = end - start;
        if (lf != std::string::npos && len > 0 && text[end - 1] == '\r')
            --len;
        joined.append(text, start, len);
        if (lf == std::string::npos)
            break;
        start = lf + 1;
    }
    return joined;
}

// The `width` characters after "KEY=", or nullopt-like flag when the key is missing.
bool Field(const std::string& text, const char* key, std::size_t width, std::string& out)
{
    std::string k = std::string(key) + "=";
    std::size_t pos = text.find(k);
    if (pos == std::string::npos)
        return false;
    out = text.substr(pos + k.size(), width);
    return true;
}

template <typename T>
void ReadInt(const std::string& text, const char* key, std::size_t width, T& member, T missing)
{
    std::string f;
    member = Field(text, key, width, f) ? static_cast<T>(ToInteger(f)) : missing;
}

}  // namespace

TimeOfDay SplitDayFraction(double v)
{
    TimeOfDay t;
    if (!(std::fabs(v) <= kMaxDays)) {
        t.valid = false;
        t.hours = t.minutes = t.seconds = -1;
        return t;
    }
    double r = v >= 0 ? v + kHalfSecond : v - kHalfSecond;
    auto part = [&](double scale, long mod) {
        long x = static_cast<long>(std::trunc(r * scale)) % mod;
        return static_cast<int>(x < 0 ? x + mod : x);
    };
    t.hours = part(24.0, 24);
    t.minutes = part(1440.0, 60);
    t.seconds = part(86400.0, 60);
    return t;
}

double DayFraction(int hours, int minutes, int seconds)
{
    return hours / 24.0 + minutes / 1440.0 + seconds / 86400.0;
}

StationConfig BuiltInDefaults()
{
    return StationConfig{};
}

StationConfig FirstStartDefaults()
{
    StationConfig c;
    c.link.port = 1;
    c.link.baud = 56000;
    c.prec = 2;
    c.idCount = 15;
    return c;
}

std::string SaveConfig(const StationConfig& c)
{
    TimeOfDay t = SplitDayFraction(c.interval);
    const auto& ip = c.link.ip;
    std::string host = Utf8ToCp1252(c.link.hostName);
    std::string text = Format(
        "[RS232]\n\rPORT=%d\n\rBAUD=%d\n\r[SETUP]\n\rINTERVALL=%02d:%02d:%02d\n\rSPRACHE=%d\n\r[GRAFIK]\n\r"
        "POINT=%d\n\rMOUSE=%d\n\rAXIS=%d\n\rPOTRATE=%d\n\rPREC=%d\n\rIDCOUNT=%d\n\rS_ENABLE=%u\n\r"
        "AUTO_ENABLE=%d\n\rETHERNET=%d\n\rIP_HOST=%d\n\rIP_ADR=%03d%03d%03d%03d\n\rHOST_NAME=%s;\n\r"
        "TCP_PORT=%u\n\r",
        c.link.port, c.link.baud, t.hours, t.minutes, t.seconds, int{c.language}, c.point, c.mouse, c.axis,
        c.potRate, int{c.prec}, c.idCount, c.sEnable, c.autoEnable, c.link.ethernet, c.link.ipHost, ip[0],
        ip[1], ip[2], ip[3], host.c_str(), unsigned{c.link.tcpPort});
    // A serial device other than the system's COM name goes behind the classic text,
    // where older readers never look.
    if (!c.link.device.empty())
        text += std::string(kDeviceKey) + c.link.device + ";\n\r";
    return text + c.plant;
}

StationConfig LoadConfig(const std::string& fileText)
{
    StationConfig c = BuiltInDefaults();
    // The station's keys are read before the plant section, so its values cannot shadow them.
    const std::size_t plant = fileText.find("[PLANT]");
    if (plant != std::string::npos)
        c.plant = fileText.substr(plant);
    const std::string text = JoinLines(fileText.substr(0, plant));
    ReadInt(text, "PORT", 3, c.link.port, 1);
    ReadInt(text, "BAUD", 6, c.link.baud, 56000);
    std::string f;
    if (Field(text, "INTERVALL", 8, f)) {
        f.resize(8, '\0');
        c.interval = DayFraction(static_cast<int>(ToInteger(f.substr(0, 2))),
                                 static_cast<int>(ToInteger(f.substr(3, 2))),
                                 static_cast<int>(ToInteger(f.substr(6, 2))));
    } else {
        c.interval = DayFraction(23, 59, 59);
    }
    ReadInt(text, "POINT", 1, c.point, 0);
    ReadInt(text, "MOUSE", 1, c.mouse, 0);
    ReadInt(text, "AXIS", 1, c.axis, 0);
    ReadInt(text, "POTRATE", 1, c.potRate, 0);
    ReadInt(text, "PREC", 1, c.prec, std::uint8_t{2});
    ReadInt(text, "IDCOUNT", 2, c.idCount, 15);
    ReadInt(text, "S_ENABLE", 5, c.sEnable, 0u);
    ReadInt(text, "AUTO_ENABLE", 1, c.autoEnable, 0);
    ReadInt(text, "ETHERNET", 1, c.link.ethernet, 0);
    ReadInt(text, "IP_HOST", 1, c.link.ipHost, 0);
    if (Field(text, "IP_ADR", 12, f)) {
        for (std::size_t i = 0; i < 4; ++i)
            c.link.ip[i] = static_cast<std::uint8_t>(ToInteger(i * 3 < f.size() ? f.substr(i * 3, 3) : ""));
    } else {
        c.link.ip = {0, 0, 0, 0};
    }
    c.link.hostName.clear();
    std::size_t pos = text.find("HOST_NAME=");
    if (pos != std::string::npos) {
        pos += 10;
        std::size_t end = text.find(';', pos);
        if (end == std::string::npos)
            end = text.find('\r', pos);
        c.link.hostName =
            Cp1252ToUtf8(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    }
    ReadInt(text, "TCP_PORT", 5, c.link.tcpPort, std::uint16_t{50000});
    c.link.device.clear();
    pos = text.find(kDeviceKey);
    if (pos != std::string::npos) {
        pos += std::string(kDeviceKey).size();
        std::size_t end = text.find(';', pos);
        c.link.device = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    }
    return c;
}

std::string ConfigDirectory()
{
    namespace fs = std::filesystem;
    if (const char* appdata = std::getenv("APPDATA"); appdata && *appdata)
        return (fs::path(std::string(appdata).substr(0, 511)) / "QORremote").string();
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return (fs::path(xdg) / "QORremote").string();
    const char* home = std::getenv("HOME");
    return (fs::path(home && *home ? home : ".") / ".config" / "QORremote").string();
}

std::string ConfigPath()
{
    return (std::filesystem::path(ConfigDirectory()) / "config.ini").string();
}

bool WriteConfigFile(const std::string& path, const StationConfig& config, std::string* error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const std::string text = SaveConfig(config);
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            if (error)
                *error = "cannot write " + tmp;
            fs::remove(tmp, ec);
            return false;
        }
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        if (error)
            *error = "cannot replace " + path + ": " + ec.message();
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

StationConfig LoadOrCreateConfig(const std::string& path, bool* created, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::ostringstream ss;
        ss << in.rdbuf();
        if (created)
            *created = false;
        return LoadConfig(ss.str());
    }
    StationConfig c = FirstStartDefaults();
    if (created)
        *created = true;
    WriteConfigFile(path, c, error);
    return c;
}

}  // namespace qor::station
