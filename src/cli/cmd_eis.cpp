// qortool eis: a document's impedance points, exported as the impedance window writes them,
// fitted with an equivalent circuit, or checked for Kramers-Kronig consistency.
#include "cli/cmd_eis_plot.h"
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"
#include "potentiostat/eis_fit.h"
#include "potentiostat/eis_graph_model.h"
#include "potentiostat/eis_spectra.h"
#include "potentiostat/eis_view_model.h"
#include "potentiostat/kk_check.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace qor::cli {

int ReadSpectrum(const std::string& path, const std::string& spectrum, bool all, int lang,
                 SpectrumChoice& out)
{
    CommandDocument d;
    if (const std::string error = d.Read(path, nullptr, lang); !error.empty())
        return Fail(error);
    return ChooseSpectrum(d.doc.Eis(), path, spectrum, all, lang, out);
}

int ChooseSpectrum(const std::vector<data::CEISDatenObject>& list, const std::string& path,
                   const std::string& spectrum, bool all, int lang, SpectrumChoice& out)
{
    lang = lang == 1 ? 1 : 0;
    const std::vector<potentiostat::SpectrumRange> spectra = potentiostat::Spectra(list);
    out = SpectrumChoice{};
    auto listed = [&] {
        std::string s;
        for (std::size_t k = 0; k < spectra.size(); ++k)
            s += "\n  " + potentiostat::SpectrumLabel(spectra[k], k + 1, lang);
        return s;
    };
    if (all || (spectrum.empty() && spectra.size() <= 1)) {
        out.points = list;
        return 0;
    }
    if (spectrum.empty())
        return Fail(path +
                    Format(TextPair{": das Dokument enthält %zu Spektren, --spectrum N wählt eines:",
                                    ": the document holds %zu spectra, choose one with --spectrum N:"}[lang],
                           spectra.size()) +
                    listed());
    char* end = nullptr;
    const long n = std::strtol(spectrum.c_str(), &end, 10);
    if (end == spectrum.c_str() || *end != '\0' || n < 1 || static_cast<std::size_t>(n) > spectra.size())
        return Fail(Format(TextPair{"--spectrum '%s' gibt es nicht; %s enthält %zu Spektren:",
                                    "no spectrum '%s'; %s holds %zu spectra:"}[lang],
                           spectrum.c_str(), path.c_str(), spectra.size()) +
                    listed());
    const potentiostat::SpectrumRange& r = spectra[static_cast<std::size_t>(n - 1)];
    out.points = potentiostat::SpectrumPoints(list, r);
    out.offset = r.first;
    out.number = static_cast<std::size_t>(n);
    return 0;
}

namespace {

// The fit was made and printed, but the circuit does not describe the data.
constexpr int kPoorFit = 3;

int NoPoints(const std::string& path, int lang)
{
    return StationFail(path + TextPair{": das Dokument enthält keine Impedanzpunkte",
                                       ": the document holds no impedance points"}[lang]);
}

// JSON has no infinity: an undetermined value prints as null.
void PrintNumber(double v)
{
    if (std::isfinite(v))
        std::printf("%.10g", v);
    else
        std::printf("null");
}

int RunExport(const Parsed& p)
{
    const int lang = p.lang;
    const bool comma = p.Has("--comma");
    const bool csv = p.Has("--csv");
    const bool all = p.Has("--all");
    const std::string spectrum = p.Value("--spectrum");
    const std::vector<std::string>& files = p.Operands();
    SpectrumChoice chosen;
    if (const int code = ReadSpectrum(files[0], spectrum, all, lang, chosen))
        return code;
    if (chosen.points.empty())
        Say(files[0] + TextPair{": keine Impedanzpunkte, nur die Kopfzeile geschrieben",
                                ": no impedance points, only the header written"}[lang]);
    const std::string text = csv ? potentiostat::EisCsvText(chosen.points, all)
                                 : potentiostat::EisExportText(chosen.points, comma);
    std::ofstream f(files[1], std::ios::binary | std::ios::trunc);
    if (!f || !f.write(text.data(), static_cast<std::streamsize>(text.size())) || !f.flush())
        return StationFail(TextPair{"nicht schreibbar: ", "cannot write "}[lang] + files[1]);
    return 0;
}

int RunFit(const Parsed& p)
{
    const int lang = p.lang;
    const std::string name = p.Value("--circuit", "randles");
    const std::string spectrum = p.Value("--spectrum");
    const std::string& path = p.Operands()[0];
    std::string error;
    const auto circuit =
        potentiostat::CircuitModel::Parse(potentiostat::ExpandCircuitName(name), &error, lang);
    if (!circuit)
        return Fail("--circuit '" + name + "': " + error);
    SpectrumChoice chosen;
    if (const int code = ReadSpectrum(path, spectrum, false, lang, chosen))
        return code;
    const std::vector<data::CEISDatenObject>& list = chosen.points;
    const potentiostat::CircuitFit fit = potentiostat::FitCircuit(potentiostat::ToImpedance(list), *circuit);
    switch (fit.status) {
    case potentiostat::CircuitFit::Ok:
        break;
    case potentiostat::CircuitFit::NoPoints:
        return NoPoints(path, lang);
    case potentiostat::CircuitFit::TooFewPoints:
        return StationFail(
            Format(TextPair{"%zu Impedanzpunkte sind zu wenig für die %zu Parameter von %s",
                            "%zu impedance points are too few for the %zu parameters of %s"}[lang],
                   fit.points, circuit->ParameterCount(), circuit->Text().c_str()));
    case potentiostat::CircuitFit::NoConvergence:
    case potentiostat::CircuitFit::BadCircuit:
        return StationFail(TextPair{"die Anpassung konvergiert nicht", "the fit does not converge"}[lang]);
    }
    const auto& params = circuit->Parameters();
    auto print = [&](const std::vector<double>& v) {
        std::printf("{");
        for (std::size_t k = 0; k < params.size(); ++k) {
            std::printf("%s\"%s\":", k ? "," : "", params[k].name.c_str());
            PrintNumber(v[k]);
        }
        std::printf("}");
    };
    std::printf("{\"circuit\":\"%s\",\"parameters\":", circuit->Text().c_str());
    print(fit.value);
    std::printf(",\"stderr\":");
    print(fit.standardError);
    std::printf(",\"correlation\":[");
    for (std::size_t i = 0; i < fit.correlation.size(); ++i) {
        std::printf("%s[", i ? "," : "");
        for (std::size_t j = 0; j < fit.correlation[i].size(); ++j) {
            std::printf(j ? "," : "");
            PrintNumber(fit.correlation[i][j]);
        }
        std::printf("]");
    }
    std::printf("],\"effectiveCapacitance\":{");
    for (std::size_t k = 0; k < fit.effectiveCapacitance.size(); ++k) {
        std::printf("%s\"%s\":", k ? "," : "", fit.effectiveCapacitance[k].element.c_str());
        PrintNumber(fit.effectiveCapacitance[k].farad);
    }
    std::printf("},\"chi2\":");
    PrintNumber(fit.chi2);
    std::printf(",\"reducedChi2\":");
    PrintNumber(fit.reducedChi2);
    std::printf(",\"noise\":");
    PrintNumber(fit.noise);
    std::printf(",\"points\":%zu,\"poor\":%s,\"warning\":", fit.points, fit.poor ? "true" : "false");
    if (fit.poor) {
        // The text has no quote or backslash to escape.
        std::printf("\"%s\"}\n", potentiostat::EISViewModel::FitWarning(fit, lang).c_str());
        Say(potentiostat::EISViewModel::FitWarning(fit, lang));
        return kPoorFit;
    }
    std::printf("null}\n");
    return 0;
}

int RunKK(const Parsed& p)
{
    const int lang = p.lang;
    const std::string spectrum = p.Value("--spectrum");
    const std::string& path = p.Operands()[0];
    SpectrumChoice chosen;
    if (const int code = ReadSpectrum(path, spectrum, false, lang, chosen))
        return code;
    const std::vector<data::CEISDatenObject>& list = chosen.points;
    if (list.empty())
        return NoPoints(path, lang);
    const potentiostat::KKCheck kk = potentiostat::CheckKramersKronig(potentiostat::ToImpedance(list));
    if (!kk.ok)
        return StationFail(path + TextPair{": die Prüfung braucht mindestens 3 Impedanzpunkte",
                                           ": the check needs at least 3 impedance points"}[lang]);
    auto printList = [](const char* key, const std::vector<double>& v) {
        std::printf("\"%s\":[", key);
        for (std::size_t i = 0; i < v.size(); ++i) {
            std::printf(i ? "," : "");
            PrintNumber(v[i]);
        }
        std::printf("]");
    };
    // Each residual beside its frequency, to be drawn over it.
    std::printf("{\"frequency\":[");
    for (std::size_t i = 0; i < list.size(); ++i)
        std::printf("%s%s", i ? "," : "",
                    std::isfinite(list[i].m_val1)
                        ? potentiostat::ShortestDecimal(list[i].m_val1, false).c_str()
                        : "null");
    std::printf("],");
    printList("residualsReal", kk.residualsReal);
    std::printf(",");
    printList("residualsImag", kk.residualsImag);
    std::printf(",\"flagged\":[");
    for (std::size_t i = 0; i < kk.flagged.size(); ++i)
        std::printf("%s%zu", i ? "," : "", kk.flagged[i] + chosen.offset);
    std::printf("],\"noise\":");
    PrintNumber(kk.noise);
    std::printf(",\"threshold\":");
    PrintNumber(kk.threshold);
    std::printf(",\"elements\":%zu}\n", kk.elements);
    return 0;
}

const Option kSpectrum = Option::Text("--spectrum", "N");

const Registrar kExport({"eis export",
                         {{kSpectrum.Shown("[--spectrum N | --all]"),
                           Option::Flag("--all").Excludes("--spectrum").Shown("-"),
                           Option::Flag("--csv").Excludes("--comma").Shown("[--csv | --comma]"),
                           Option::Flag("--comma").Shown("-")},
                          {"DOC.qo3", "OUT"}},
                         "the table of the impedance window's Export, or CSV",
                         RunExport});
const Registrar kFit({"eis fit",
                      {{kSpectrum, Option::Text("--circuit", "STRING")}, {"DOC.qo3"}},
                      "equivalent-circuit fit, JSON; STRING such as R0-p(R1,CPE1) or L0-R0-p(R1-W1,CPE1),\n"
                      "        randles and randles-w for the first two; exit 3 on a poor fit",
                      RunFit});
const Registrar kKK({"eis kk", {{kSpectrum}, {"DOC.qo3"}}, "linear Kramers-Kronig check, JSON", RunKK});
const Registrar kPlot({"eis plot",
                       {{Option::Text("--png", "OUT.png").Required(), kSpectrum, Option::Flag("--nyquist"),
                         Option::Text("--size", "WxH"), Option::Text("--fit", "CIRCUIT"),
                         Option::Flag("--fit-residuals").Needs({"--fit"}), Option::Flag("--kk")},
                        {"DOC.qo3"}},
                       "the impedance window's graphs",
                       RunEisPlot});

}  // namespace
}  // namespace qor::cli
