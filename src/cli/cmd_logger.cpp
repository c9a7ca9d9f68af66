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

constexpr const char* kUsage = "dump FILE [--lang de|en] | export FILE OUT.txt | "
                               "plot FILE (--png OUT.png | --pdf OUT.pdf) [--size WxH] [--lang de|en]";

bool Load(const std::string& path, std::string& bytes)
{
    std::string error;
    if (data::LoggerFile::ReadBytes(path, bytes, &error))
        return true;
    Fail(path + ": " + error);
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

bool ParseSize(const std::string& s, int& w, int& h)
{
    char x = 0, rest = 0;
    if (std::sscanf(s.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X'))
        return false;
    return w >= 100 && h >= 100 && w <= 20000 && h <= 20000;
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
        return Fail("cannot write " + (png.empty() ? pdf : png));
    std::printf("%s: %zu samples, %d curves -> %s\n", path.c_str(), file.Samples().size(),
                graph->GetGraphCount(), (png.empty() ? pdf : png).c_str());
    return 0;
}

int RunLogger(const std::vector<std::string>& argv)
{
    Args args(argv);
    const std::string png = args.Take("--png");
    const std::string pdf = args.Take("--pdf");
    const std::string size = args.Take("--size", "1200x800");
    const int lang = TakeLanguage(args);
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (lang < 0)
        return Fail("--lang takes de or en");
    const std::vector<std::string>& rest = args.Rest();
    const std::string action = rest.empty() ? "" : rest[0];
    const bool dump = action == "dump" && rest.size() == 2;
    const bool exportTable = action == "export" && rest.size() == 3;
    const bool plot = action == "plot" && rest.size() == 2 && png.empty() != pdf.empty();
    if (!dump && !exportTable && !plot)
        return Fail(std::string("usage: qortool logger ") + kUsage);
    int w = 0, h = 0;
    if (plot && !ParseSize(size, w, h))
        return Fail("bad --size '" + size + "' (WxH, 100 to 20000 pixels each)");
    std::string bytes;
    if (!Load(rest[1], bytes))
        return 1;
    if (!data::LoggerFile::HoldsSamples(bytes)) {
        Fail(rest[1] + TextPair{": keine Messwerte eines Datenloggers (keine .tx3-Datei?)",
                                ": holds no data logger samples (not a .tx3 file?)"}[lang]);
        return 1;
    }
    if (exportTable) {
        std::string error;
        if (data::WriteLoggerExport(rest[2], bytes, &error))
            return 0;
        Fail("cannot write " + rest[2] + ": " + error);
        return 1;
    }
    const data::LoggerFile file = data::LoggerFile::Parse(bytes);
    return dump ? Dump(file, lang) : Plot(rest[1], file, lang, png, pdf, w, h);
}

const Registrar kLogger({"logger", kUsage, RunLogger});

}  // namespace
}  // namespace qor::cli
