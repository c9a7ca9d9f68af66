// qortool pot analyse: what the XY window computes from a document's potentiostat samples
// (Tafel lines, charges, export table, reference file), as text blocks on stdout.
#include "catalogue/catalogue.h"
#include "cli/cmd_pot_run.h"
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/clock.h"
#include "common/text.h"
#include "potentiostat/graph_xy_model.h"
#include "potentiostat/harmonic_analysis.h"
#include "potentiostat/xy_graph_model.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <utility>

namespace qor::cli {

using namespace qor::potentiostat;

namespace {

struct Range {
    double from = 0.0, to = 0.0;
};

std::optional<double> Number(const std::string& s)
{
    double v = 0.0;
    const char* begin = s.data();
    if (!s.empty() && s[0] == '+')
        ++begin;
    const auto r = std::from_chars(begin, s.data() + s.size(), v);
    if (r.ec != std::errc{} || r.ptr != s.data() + s.size() || begin == s.data() + s.size())
        return std::nullopt;
    return v;
}

std::optional<Range> ParseRange(const std::string& s)
{
    // The first ':' after the first character, so that both limits may be negative.
    const std::size_t colon = s.find(':', 1);
    if (colon == std::string::npos)
        return std::nullopt;
    const auto from = Number(s.substr(0, colon)), to = Number(s.substr(colon + 1));
    if (!from || !to)
        return std::nullopt;
    return Range{*from, *to};
}

void Block(const char* kind, const std::string& text)
{
    std::printf("=== %s ===\n%s\n", kind, text.c_str());
}

// The figures of the polarisation resistance (--band, --area, --ew, --density, --rs); the exit
// code when one is wrong.
std::optional<int> TakeRpOptions(const Parsed& p, RpOptions& o)
{
    const int lang = p.lang;
    for (auto [flag, value] :
         {std::pair{"--band", &o.band}, std::pair{"--area", &o.area}, std::pair{"--ew", &o.ew},
          std::pair{"--density", &o.density}, std::pair{"--rs", &o.rs}}) {
        if (!p.Has(flag))
            continue;
        const std::string text = p.Value(flag);
        const auto v = Number(text);
        // Rs may be 0 (no correction); the others need a positive figure.
        if (!v || !std::isfinite(*v) || *v < 0 || (*v == 0 && std::string(flag) != "--rs"))
            return Fail(Format(TextPair{"%s verlangt eine positive Zahl, nicht '%s'",
                                        "%s needs a positive number, not '%s'"}[lang],
                               flag, text.c_str()));
        *value = *v;
    }
    if ((o.ew > 0) != (o.density > 0))
        return Fail(TextPair{"--ew und --density gehören zusammen", "--ew and --density go together"}[lang]);
    if (o.ew > 0 && o.area <= 0)
        return Fail(TextPair{"die Korrosionsrate braucht --area", "the corrosion rate needs --area"}[lang]);
    return std::nullopt;
}

Syntax AnalyseSyntax()
{
    const std::vector<std::string> rp{"--rp"}, xyExport{"--xy-export"};
    return {{Option::Flag("--usoll"), Option::Choice("--unit", {"nA", "µA", "uA", "mA"}),
             Option::Text("--tafel", "FROM:TO").Repeats(), Option::Flag("--charge"), Option::Flag("--dft"),
             Option::Flag("--fft"), Option::Text("--xy-export", "OUT.txt"),
             Option::Choice("--orientation", {"mV/µA", "µA/mV", "mV/uA", "uA/mV"}).Needs(xyExport),
             Option::Flag("--comma").Needs(xyExport),
             Option::Number("--xy-precision", "P", 0, 10, {"Dezimalstellen", "decimals"}).Needs(xyExport),
             Option::Text("--ref-save", "OUT.ref"), Option::Text("--run", "N"), Option::Flag("--rp"),
             Option::Text("--band", "MV").Needs(rp), Option::Text("--area", "CM2").Needs(rp),
             Option::Text("--ew", "G").Needs(rp), Option::Text("--density", "G/CM3").Needs(rp),
             Option::Text("--rs", "OHM").Needs(rp)},
            {"DOC.qo3"}};
}

int RunPotAnalyse(const Parsed& p)
{
    const int lang = p.lang;
    XySettings settings;
    settings.usoll = p.Has("--usoll");
    const std::string u = p.Value("--unit");
    if (u == "nA")
        settings.unit = XyCurrentUnit::NanoAmp;
    else if (u == "µA" || u == "uA")
        settings.unit = XyCurrentUnit::MicroAmp;
    else if (u == "mA")
        settings.unit = XyCurrentUnit::MilliAmp;
    std::vector<Range> ranges;
    for (const std::string& text : p.Values("--tafel")) {
        const auto r = ParseRange(text);
        if (!r)
            return Fail(Format(TextPair{"--tafel verlangt VON:BIS in mV, nicht '%s'",
                                        "--tafel needs FROM:TO in mV, not '%s'"}[lang],
                               text.c_str()));
        ranges.push_back(*r);
    }
    const bool charge = p.Has("--charge");
    const bool dft = p.Has("--dft");
    const bool fft = p.Has("--fft");
    const std::string exportPath = p.Value("--xy-export");
    const std::string orientation = p.Value("--orientation");
    const bool comma = p.Has("--comma");
    const std::string refPath = p.Value("--ref-save");
    const bool rp = p.Has("--rp");
    RpOptions rpOptions;
    if (const auto code = TakeRpOptions(p, rpOptions))
        return *code;
    const bool oneRun = p.Has("--run");
    const std::string run = p.Value("--run");
    const XyOrientation exportOrientation = orientation == "µA/mV" || orientation == "uA/mV"
                                                ? XyOrientation::CurrentX
                                                : XyOrientation::PotentialX;
    const long precision = p.Number("--xy-precision", 2);

    CommandDocument d;
    if (const std::string error = d.Read(p.Operands()[0], nullptr, lang); !error.empty())
        return Fail(error);
    const data::CQORDoc& doc = d.doc;
    // One run at a time: a second run's counter and curve start again.
    std::vector<data::CPotQORDatenObject> samples;
    if (std::string bad = ChooseRun(doc.Pot(), run, lang, samples); !bad.empty())
        return Fail(bad);
    if (const std::size_t runs = SplitRuns(doc.Pot()).size(); runs > 1 && !oneRun)
        Say(Format(TextPair{"%zu Läufe im Dokument, ausgewertet wird Lauf %zu (--run wählt)",
                            "%zu runs in the document, analysing run %zu (--run chooses)"}[lang],
                   runs, runs));

    GraphXYModel model(samples, lang);
    for (unsigned a = 0; a < 16; ++a)
        if (catalogue::IsPotentiostat(doc.GrafikSetup().m_moduleType[a])) {
            model.SetBusAddress(a);
            break;
        }

    std::vector<std::string> messages;
    if (!ranges.empty()) {
        XySettings tafel = settings;
        tafel.log = true;
        model.SetSettings(tafel);
        model.SetTafelMode(true);
        double visibleFrom = 0.0, visibleTo = 0.0;
        model.FittedXRange(visibleFrom, visibleTo);
        for (const Range& r : ranges)
            if (std::string m = model.FinishSelection(r.from, r.to, 0, visibleFrom, visibleTo); !m.empty())
                messages.push_back(std::move(m));
    }
    if (!exportPath.empty()) {
        XySettings lin = settings;
        lin.orientation = exportOrientation;
        model.SetSettings(lin);
        if (std::string m = model.Export(exportPath, static_cast<int>(precision), comma); !m.empty())
            return StationFail(m + ": " + exportPath);
    }
    if (!refPath.empty()) {
        if (std::string m = model.SaveReference(refPath, std::time(nullptr)); !m.empty())
            return StationFail(m);
    }
    // The harmonic analyses work on whole blocks of 200 samples; with fewer there is nothing.
    const bool tooFew = (dft || fft) && samples.size() < 200;
    if (tooFew)
        messages.push_back(Format(TextPair{"Nur %zu Messwerte: die Analysen brauchen mindestens 200.",
                                           "Only %zu samples: the analyses need at least 200."}[lang],
                                  samples.size()));

    RpResult rpResult;
    model.SetRpOptions(rpOptions);
    if (rp) {
        rpResult = model.Rp(rpOptions);
        if (rpResult.status != RpResult::Status::Ok)
            messages.push_back(RpText(rpResult, rpOptions, lang).substr(2));
    }

    for (const std::string& m : messages)
        Block("message", m);
    if (!ranges.empty())
        Block("info", model.TafelInfo());
    if (rp)
        Block("rp", RpJson(rpResult, rpOptions));
    if (charge)
        Block("charge", model.ChargeReport(0));
    if (dft && !tooFew)
        Block("dft", DftAnalysisText(samples));
    if (fft && !tooFew)
        Block("fft", FftAnalysisText(samples));
    // A refused selection or analysis fails the command, though the other results are shown.
    return messages.empty() ? 0 : 1;
}

const Registrar
    kAnalyse({"pot analyse", AnalyseSyntax(),
              "the XY window's analyses of one run (the last, or run N): each --tafel is a range\n"
              "        selection (mV) in TAFEL mode on G1; --rp the polarisation resistance near the\n"
              "        open-circuit potential (JSON), with B and icorr from an anodic and a cathodic "
              "line",
              RunPotAnalyse});

}  // namespace
}  // namespace qor::cli
