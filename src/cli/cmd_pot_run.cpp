// qortool pot export-run | run-graph: what the potentiostat run window exports and shows,
// read from a document.
#include "cli/cmd_pot_run.h"

#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"
#include "potentiostat/xy_graph_model.h"

#include <charconv>
#include <cstdio>

namespace qor::cli {

using potentiostat::XYGraphModel;

const char* const kPotRunUsage =
    "pot export-run FILE.qo3 OUT.txt [--comma] | run-graph FILE.qo3 [--lang de|en]\n"
    "        the run window's table of the potentiostat samples (Windows-1252), or its samples and\n"
    "        graph sections as JSON";

bool IsPotRunCommand(const std::string& name)
{
    return name == "export-run" || name == "run-graph";
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

}  // namespace

int RunPotRun(const std::vector<std::string>& argv)
{
    Args args(argv);
    const int lang = TakeLanguage(args);
    if (lang < 0)
        return Fail(TextPair{"--lang verlangt de oder en", "--lang needs de or en"}[args.Language()]);
    const bool comma = args.Flag("--comma");
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    const std::vector<std::string>& rest = args.Rest();
    const bool exporting = rest[0] == "export-run";
    if (rest.size() != (exporting ? 3u : 2u) || (comma && !exporting))
        return Fail(
            TextPair{"Aufruf: qortool ", "usage: qortool "}[lang] +
            std::string(exporting ? "pot export-run FILE.qo3 OUT.txt [--comma]" : "pot run-graph FILE.qo3"));
    CommandDocument d;
    if (const std::string error = d.Read(rest[1], nullptr, lang); !error.empty())
        return Fail(error);
    if (exporting)
        return ExportRun(d.doc.m_pot, rest[1], rest[2], comma, lang);
    PrintRunGraph(d.doc.m_pot);
    return 0;
}

}  // namespace qor::cli
