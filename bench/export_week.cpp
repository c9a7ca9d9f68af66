// Writes the text export of a week-long recording (604,800 one-second samples, values 1 and 3
// of all sixteen channels, decimal comma) and prints the seconds it took.
// Usage: bench_export_week OUT.txt [--virtual]
#include "data/daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/local_time.h"
#include "export/text_export.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export_week OUT.txt [--virtual]\n");
        return 2;
    }
    const bool withVirtual = argc > 2 && std::strcmp(argv[2], "--virtual") == 0;
    constexpr std::size_t kSamples = 604800;
    std::vector<qor::data::CDatenObject> samples(kSamples);
    const std::int64_t start = qor::data::FromLocal(2009, 3, 2, 0, 0, 0);
    for (std::size_t i = 0; i < kSamples; ++i) {
        auto& s = samples[i];
        s.m_time = start + static_cast<std::int64_t>(i);
        for (int c = 0; c < 16; ++c) {
            s.m_value[c] = static_cast<float>(7.0 + 0.001 * static_cast<double>((i * 7 + c * 13) % 5000));
            s.m_temperature[c] = static_cast<float>(20.0 + 0.1 * static_cast<double>((i + c) % 100));
        }
    }
    qor::data::CGrafikSetup setup;
    qor::data::CGrafikSetupVirtuell virtuell;
    qor::exporter::ExportInput in;
    in.samples = &samples;
    in.setup = &setup;
    in.virtuell = &virtuell;
    qor::exporter::ExportOptions o;
    for (int c = 0; c < 16; ++c) {
        in.channels[c] = {"pH - Verstärker", {"pH Wert", "Kettenspannung", "Temperatur"}, {"pH", "mV", "°C"}};
        o.columns[c] = {true, false, true};
    }
    if (withVirtual) {
        virtuell.m_enable = {1, 1, 1, 1};
        virtuell.m_formula = {"y*z+1", "ln(y)/2", "(y-z)*100/z", "2*asin(y/100)-z^2"};
        virtuell.m_sourceY = {0, 3, 6, 9};
        virtuell.m_sourceZ = {2, 5, 8, 11};
        o.virtualChannels = true;
    }
    o.decimalMark = 0;
    o.precision = 2;
    const auto t0 = std::chrono::steady_clock::now();
    std::string error;
    if (!qor::exporter::WriteTextExport(argv[1], in, o, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const auto t1 = std::chrono::steady_clock::now();
    std::printf("%.3f\n", std::chrono::duration<double>(t1 - t0).count());
    return 0;
}
