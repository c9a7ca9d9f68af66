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

int RunExport(const Parsed& p)
{
    const std::string out = p.Value("--out");
    const bool point = p.Has("--point");
    const bool separate = p.Has("--separate");
    const bool withVirtual = p.Has("--virtual");
    const bool noVirtual = p.Has("--no-virtual");
    const int precision =
        p.Has("--precision") ? static_cast<int>(p.Number("--precision", 0)) : ConfiguredPrecision();
    const int language = p.lang;
    const std::string path = p.Operands()[0];
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

const Registrar
    kExport({"export",
             {{Option::Text("--out", "FILE.txt").Required(),
               Option::Flag("--comma").Excludes("--point").Shown("[--comma | --point]"),
               Option::Flag("--point").Shown("-"),
               Option::Flag("--together").Excludes("--separate").Shown("[--together | --separate]"),
               Option::Flag("--separate").Shown("-"),
               Option::Number("--precision", "P", 0, 20, {"Dezimalstellen", "decimals"}),
               Option::Flag("--virtual").Excludes("--no-virtual").Shown("[--virtual | --no-virtual]"),
               Option::Flag("--no-virtual").Shown("-")},
              {"FILE.qo3"}},
             "the samples as a tab-separated table",
             RunExport});

}  // namespace
}  // namespace qor::cli
