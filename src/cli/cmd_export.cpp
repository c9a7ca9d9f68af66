// qortool export: a document's samples as the tab-separated table of "Export data to ASCII".
#include "catalogue/slave.h"
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/clock.h"
#include "common/text.h"
#include "data/document_curves.h"
#include "data/qor_doc.h"
#include "export/export_dlg_model.h"
#include "export/text_export.h"
#include "station/config.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace qor::cli {
namespace {

// The graph's decimals come from the configuration (PREC); without a file, the default.
int ConfiguredPrecision()
{
    std::ifstream f(station::ConfigPath(), std::ios::binary);
    if (!f)
        return station::BuiltInDefaults().prec;
    std::stringstream ss;
    ss << f.rdbuf();
    return station::LoadConfig(ss.str()).prec;
}

int RunExport(const std::vector<std::string>& argv)
{
    Args args(argv);
    const std::string out = args.Take("--out");
    const std::string precisionText = args.Take("--precision");
    const std::string langText = args.Take("--lang", "0");
    const bool comma = args.Flag("--comma");
    const bool point = args.Flag("--point");
    const bool together = args.Flag("--together");
    const bool separate = args.Flag("--separate");
    const bool withVirtual = args.Flag("--virtual");
    const bool noVirtual = args.Flag("--no-virtual");
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (args.Rest().size() != 1 || out.empty())
        return Fail(
            "usage: qortool export FILE.qo3 --out FILE.txt [--comma | --point] [--together | --separate] "
            "[--precision P] [--virtual | --no-virtual] [--lang 0|1]");
    const int l = args.Language();
    if ((comma && point) || (together && separate) || (withVirtual && noVirtual))
        return Fail(
            TextPair{"nur eins von --comma/--point, --together/--separate, --virtual/--no-virtual",
                     "choose one of --comma/--point, --together/--separate, --virtual/--no-virtual"}[l]);
    int precision = 0;
    if (precisionText.empty()) {
        precision = ConfiguredPrecision();
    } else {
        char* end = nullptr;
        const long p = std::strtol(precisionText.c_str(), &end, 10);
        if (*end != '\0' || p < 0 || p > 20)
            return Fail(TextPair{"--precision verlangt 0 bis 20 Dezimalstellen",
                                 "--precision takes a number of decimals from 0 to 20"}[l]);
        precision = static_cast<int>(p);
    }
    if (langText != "0" && langText != "1")
        return Fail(TextPair{"--lang verlangt 0 (Deutsch) oder 1 (Englisch)",
                             "--lang takes 0 (German) or 1 (English)"}[l]);
    const int language = langText == "1" ? 1 : 0;

    const std::string path = args.Rest()[0];
    CommandDocument d;
    if (const std::string error = d.Read(path, nullptr, language); !error.empty())
        return Fail(error);
    data::CQORDoc& doc = d.doc;
    // The modules the file recorded.
    const data::ModuleRecords modules = data::DocumentModules(doc.GrafikSetup(), language);
    exporter::ExportDlgModel dlg(modules, doc.GrafikSetup(), doc.Virtuell(), language);
    dlg.SetDecimalMark(point ? 1 : 0);
    dlg.SetDateTime(separate ? 1 : 0);
    if (withVirtual || noVirtual)
        dlg.SetVirtualChecked(withVirtual);

    exporter::ExportInput in;
    in.samples = &doc.Samples();
    in.setup = &doc.GrafikSetup();
    in.virtuell = &doc.Virtuell();
    in.channels = exporter::DescribeChannels(modules);
    std::string error;
    if (!exporter::WriteTextExport(out, in, dlg.Options(precision), &error))
        return Fail(error);
    return 0;
}

const Registrar kExport({"export",
                         "FILE.qo3 --out FILE.txt [--comma|--point] [--together|--separate] [--precision P] "
                         "[--virtual|--no-virtual] [--lang 0|1]   (the samples as a tab-separated table)",
                         RunExport});

}  // namespace
}  // namespace qor::cli
