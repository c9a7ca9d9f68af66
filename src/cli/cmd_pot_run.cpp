// qortool pot export-run | run-graph: what the potentiostat run window exports and shows,
// read from a document.
#include "cli/cmd_pot_run.h"

#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"
#include "potentiostat/xy_graph_model.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace qor::cli {

using potentiostat::XYGraphModel;

std::string ChooseRun(const std::vector<data::CPotQORDatenObject>& list, const std::string& number, int lang,
                      std::vector<data::CPotQORDatenObject>& out)
{
    const auto runs = potentiostat::SplitRuns(list);
    long n = static_cast<long>(runs.size());
    if (!number.empty() && !ParseLong(number, 1, std::max(1L, n), n))
        return Format(TextPair{"--run verlangt eine Lauf-Nummer von 1 bis %zu",
                               "--run needs a run number from 1 to %zu"}[lang],
                      runs.size());
    out = potentiostat::RunSamples(list, n - 1);
    return {};
}

namespace {

std::string Num(double v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

int ExportRun(const std::vector<data::CPotQORDatenObject>& list, const std::string& doc,
              const std::string& out, bool comma, int lang)
{
    if (list.empty())
        Say(doc + TextPair{": keine Potentiostat-Messwerte, nur die Kopfzeile geschrieben",
                           ": no potentiostat samples, only the header written"}[lang]);
    if (!potentiostat::WriteExportFile(out, potentiostat::RunExportText(list, comma)))
        return Fail(TextPair{"nicht schreibbar: ", "cannot write "}[lang] + out);
    return 0;
}

void PrintRunGraph(const std::vector<data::CPotQORDatenObject>& list)
{
    XYGraphModel model;
    const XYGraphModel::Rebuilt r = model.Rebuild(list);
    std::string json = "{\"samples\": [";
    const auto& times = r.points[XYGraphModel::CurrentTime];
    for (std::size_t i = 0; i < list.size(); ++i) {
        const potentiostat::PotValues v = potentiostat::ConvertSample(list[i]);
        json += i ? ",\n  " : "\n  ";
        json += "{\"time\": " + Num(times[i].x) + ", \"current\": " + Num(v.current) +
                ", \"potential\": " + Num(v.potential) + ", \"target\": " + Num(v.target) + "}";
    }
    json += list.empty() ? "],\n" : "\n],\n";
    json += " \"time_limit\": " + Num(r.ranges[XYGraphModel::CurrentTime].xTo) + ",\n \"graphs\": [";
    for (std::size_t g = 0; g < XYGraphModel::GraphCount; ++g) {
        const potentiostat::AxisRange& a = r.ranges[g];
        json += (g ? ", " : "") + std::string("{\"x\": [") + Num(a.xFrom) + ", " + Num(a.xTo) +
                "], \"y\": [" + Num(a.yFrom) + ", " + Num(a.yTo) + "]}";
    }
    json += "]}\n";
    std::fwrite(json.data(), 1, json.size(), stdout);
}

// export-run and run-graph.
int RunPotRun(const Parsed& p)
{
    const int lang = p.lang;
    const bool oneRun = p.Has("--run");
    const std::string run = p.Value("--run");
    const std::vector<std::string>& files = p.Operands();
    const bool exporting = p.command->name == "pot export-run";
    CommandDocument d;
    if (const std::string error = d.Read(files[0], nullptr, lang); !error.empty())
        return Fail(error);
    // The export holds every run unless one is asked for; the graphs show one run, the last
    // by default, as a second run's counter starts again.
    std::vector<data::CPotQORDatenObject> samples;
    if (!exporting || oneRun)
        if (std::string bad = ChooseRun(d.doc.Pot(), run, lang, samples); !bad.empty())
            return Fail(bad);
    const std::vector<data::CPotQORDatenObject>& chosen = exporting && !oneRun ? d.doc.Pot() : samples;
    if (exporting)
        return ExportRun(chosen, files[0], files[1], p.Has("--comma"), lang);
    PrintRunGraph(chosen);
    return 0;
}

const Registrar
    kExportRun({"pot export-run",
                {{Option::Flag("--comma"), Option::Text("--run", "N")}, {"FILE.qo3", "OUT.txt"}},
                "the run window's table of the potentiostat samples (Windows-1252; every run, or run N)",
                RunPotRun});
const Registrar kRunGraph({"pot run-graph",
                           {{Option::Text("--run", "N")}, {"FILE.qo3"}},
                           "the samples and graph sections of one run (the last, or run N) as JSON",
                           RunPotRun});

}  // namespace
}  // namespace qor::cli
