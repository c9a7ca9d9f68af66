#include "potentiostat/stp_file.h"

#include "data/archive.h"

#include <cstdio>
#include <memory>

namespace qor::potentiostat {

namespace {

// The order of a step's strings in the file.
constexpr int kHead[] = {F_NUMBER, F_TYPE, F_VALUE1, F_UNIT1, F_VALUE2, F_UNIT2, F_LIMIT, F_LIMIT_UNIT};
constexpr int kMiddle[] = {F_START, F_INTERVAL, F_INTERVAL_UNIT, F_PASSES, F_NEXT};
constexpr int kTail[] = {F_CYCLE, F_RESERVED, F_SLEW, F_CONSTANT};

int U32(data::Archive& ar)
{
    return static_cast<int>(ar.ReadValue<std::uint32_t>());
}

}  // namespace

StpRead ReadStp(const std::uint8_t* data, std::size_t size, StpTemplate& out)
{
    StpTemplate t;
    try {
        data::Archive ar = data::Archive::Load(data, size);
        const auto n = ar.ReadValue<std::uint32_t>();
        if (n > static_cast<std::uint32_t>(kMaxSteps))
            return StpRead::TooManySteps;
        t.version = ar.ReadValue<double>();
        // Any other version would take the steps' bytes for something else.
        if (t.version != 1.0 && t.version != 2.0 && t.version != 3.0) {
            out.version = t.version;
            return StpRead::UnknownVersion;
        }
        for (std::uint32_t i = 0; i < n; ++i) {
            StpTemplate::Step step{DefaultStepText(), 100};
            StepText& s = step.text;
            for (int f : kHead)
                s[static_cast<std::size_t>(f)] = ar.ReadString();
            if (t.version == 1.0)
                s[F_LIMIT] = ">" + s[F_LIMIT];
            for (int f : kMiddle)
                s[static_cast<std::size_t>(f)] = ar.ReadString();
            s[F_SAMPLES] = "1";
            if (t.version == 1.0) {
                for (int f : kTail)
                    s[static_cast<std::size_t>(f)] = "0";
            } else if (t.version > 1.0) {
                for (int f : kTail)
                    s[static_cast<std::size_t>(f)] = ar.ReadString();
                if (t.version > 2.0) {
                    s[F_SAMPLES] = ar.ReadString();
                    step.aux = ar.ReadValue<std::uint32_t>();
                    t.settings.aux = step.aux;
                }
            }
            // The older name of the rest potential step.
            if (s[F_TYPE] == "EMK")
                s[F_TYPE] = "Rest";
            t.steps.push_back(std::move(step));
        }
        PotSettings& st = t.settings;
        st.voltageRange = U32(ar);
        st.currentRange = U32(ar);
        st.voltageManual = U32(ar);
        st.currentManual = U32(ar);
        st.compensation = U32(ar);
        st.irByte = ar.ReadValue<std::uint8_t>();
        st.irCapacitor = U32(ar);
        st.interruptionInterval = ar.ReadValue<std::uint8_t>();
        st.offTime = ar.ReadValue<std::uint8_t>();
        st.filterIndex = U32(ar);
        st.capacitance = U32(ar);
        st.dataRate10Hz = U32(ar);
        if (ar.Remaining() != 0)
            return StpRead::TrailingBytes;
    } catch (const data::ArchiveError&) {
        return StpRead::Unreadable;
    }
    out = std::move(t);
    return StpRead::Ok;
}

std::vector<std::uint8_t> WriteStp(const StpTemplate& t)
{
    std::vector<std::uint8_t> bytes;
    data::Archive ar = data::Archive::Store(bytes);
    ar.WriteValue<std::uint32_t>(static_cast<std::uint32_t>(t.steps.size()));
    ar.WriteValue<double>(3.0);
    for (const StpTemplate::Step& step : t.steps) {
        for (int f : kHead)
            ar.WriteString(step.text[static_cast<std::size_t>(f)]);
        for (int f : kMiddle)
            ar.WriteString(step.text[static_cast<std::size_t>(f)]);
        for (int f : kTail)
            ar.WriteString(step.text[static_cast<std::size_t>(f)]);
        ar.WriteString(step.text[F_SAMPLES]);
        ar.WriteValue<std::uint32_t>(step.aux);
    }
    const PotSettings& s = t.settings;
    auto u32 = [&](int v) { ar.WriteValue<std::uint32_t>(static_cast<std::uint32_t>(v)); };
    u32(s.voltageRange);
    u32(s.currentRange);
    u32(s.voltageManual);
    u32(s.currentManual);
    u32(s.compensation);
    ar.WriteValue<std::uint8_t>(s.irByte);
    u32(s.irCapacitor);
    ar.WriteValue<std::uint8_t>(s.interruptionInterval);
    ar.WriteValue<std::uint8_t>(s.offTime);
    u32(s.filterIndex);
    u32(s.capacitance);
    u32(s.dataRate10Hz);
    ar.Flush();
    return bytes;
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

StpRead LoadStpFile(const std::string& path, StpTemplate& out)
{
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
    if (!f)
        return StpRead::Unreadable;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[4096];
    std::size_t n;
    // A template of 255 steps is a few tens of kilobytes; anything far larger is no template.
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0 && bytes.size() < (64u << 20))
        bytes.insert(bytes.end(), buf, buf + n);
    return ReadStp(bytes.data(), bytes.size(), out);
}

bool SaveStpFile(const std::string& path, const StpTemplate& t)
{
    const std::vector<std::uint8_t> bytes = WriteStp(t);
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
    return std::fclose(f.release()) == 0 && ok;
}

}  // namespace qor::potentiostat
