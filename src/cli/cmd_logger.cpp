// qortool logger: a data logger file (.tx3) as the reader sees it, its export, its picture.
#include "cli/command.h"
#include "cli/gui_app.h"
#include "common/codec.h"
#include "common/text.h"
#include "data/document_json.h"
#include "data/logger_file.h"
#include "data/logger_graph.h"
#include "ui/graph/graph_wnd.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace qor::cli {
namespace {

bool Load(const std::string& path, std::string& bytes)
{
    std::string error;
    if (data::LoggerFile::ReadBytes(path, bytes, &error))
        return true;
    Say(path + ": " + error);
    return false;
}

// The shortest text that reads back as the same double (12.345, not 12.345000000000001);
// JSON has no NaN, so a field without a number is null.
void PrintNumber(double v)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v);
    if (std::isfinite(v) && r.ec == std::errc())
        std::printf("%.*s", static_cast<int>(r.ptr - text), text);
    else
        std::printf("null");
}

int Dump(const data::LoggerFile& file, int lang)
{
    std::printf("{\"samples\": [");
    const auto& samples = file.Samples();
    for (std::size_t s = 0; s < samples.size(); ++s) {
        std::printf("%s\n{\"x\": %zu, \"time\": %lld, \"fields\": [", s ? "," : "", s,
                    static_cast<long long>(samples[s].time));
        bool first = true;
        for (const data::LoggerField& f : file.Fields(samples[s])) {
            const std::string tag = Cp1252ToUtf8(std::string_view(f.tag.data(), f.tag.size()));
            std::printf("%s{\"tag\": %s, \"value\": ", first ? "" : ", ", data::JsonString(tag).c_str());
            PrintNumber(f.value);
            std::printf("}");
            first = false;
        }
        std::printf("]}");
    }
    std::printf("],\n\"curves\": [");
    for (int k = 0; k < file.Columns() && k < data::GraphDLModel::kColumns; ++k) {
        const std::string name = Cp1252ToUtf8(data::LoggerColumnName(k, file.ColumnTag(k), lang));
        std::printf("%s\n{\"name\": %s, \"colour\": \"#%06x\"}", k ? "," : "", data::JsonString(name).c_str(),
                    static_cast<unsigned>(data::LoggerColumnColour(k)));
    }
    std::printf("]}\n");
    return 0;
}

int Plot(const std::string& path, const data::LoggerFile& file, int lang, const std::string& png,
         const std::string& pdf, int w, int h)
{
    const auto ownApp = OwnGuiApplication();
    // The graph of the dialog, set up and filled by the same rules.
    data::GraphDLModel model;
    model.m_lang = lang;
    auto graph = std::make_unique<ui::CGraphWnd>(nullptr, data::GraphDLModel::kColumns);
    graph->SetLanguage(lang);
    graph->SetFrameFlags(data::GraphDLModel::FrameFlags());
    model.Prepare(*graph);
    model.Fill(*graph, file, path);
    const bool ok = png.empty() ? graph->SavePdf(QString::fromStdString(pdf))
                                : graph->SavePng(QString::fromStdString(png), QSize(w, h));
    if (!ok)
        return Fail(TextPair{"nicht schreibbar: ", "cannot write "}[lang] + (png.empty() ? pdf : png));
    std::printf("%s: %zu samples, %d curves -> %s\n", path.c_str(), file.Samples().size(),
                graph->GetGraphCount(), (png.empty() ? pdf : png).c_str());
    return 0;
}

// dump, export and plot: the file first, then what the action makes of it.
int RunLogger(const Parsed& p)
{
    const int lang = p.lang;
    const std::vector<std::string>& files = p.Operands();
    const std::string action = p.command->name.substr(p.command->name.find(' ') + 1);
    const std::string png = p.Value("--png"), pdf = p.Value("--pdf");
    int w = 0, h = 0;
    if (action == "plot" && png.empty() && pdf.empty())
        return UsageFault(p);
    if (action == "plot")
        if (const auto code = TakeSize(p, w, h))
            return *code;
    std::string bytes;
    if (!Load(files[0], bytes))
        return 1;
    if (!data::LoggerFile::HoldsSamples(bytes))
        return StationFail(files[0] + TextPair{": keine Messwerte eines Datenloggers (keine .tx3-Datei?)",
                                               ": holds no data logger samples (not a .tx3 file?)"}[lang]);
    if (action == "export") {
        std::string error;
        if (data::WriteLoggerExport(files[1], bytes, &error))
            return 0;
        return StationFail(TextPair{"nicht schreibbar: ", "cannot write "}[lang] + files[1] + ": " + error);
    }
    const data::LoggerFile file = data::LoggerFile::Parse(bytes);
    return action == "dump" ? Dump(file, lang) : Plot(files[0], file, lang, png, pdf, w, h);
}

const Registrar kDump(
    {"logger dump", {{}, {"FILE.tx3"}}, "a data logger file as the reader sees it, as JSON", RunLogger});
const Registrar
    kExport({"logger export", {{}, {"FILE.tx3", "OUT.txt"}}, "the data logger export table", RunLogger});
const Registrar kPlot({"logger plot", PictureSyntax({}, {"FILE.tx3"}), "the data logger graph as a picture",
                       RunLogger});

}  // namespace
}  // namespace qor::cli
