// qortool dump: a document file as one JSON object.
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/clock.h"
#include "data/document_json.h"
#include "data/qor_doc.h"

#include <cstdio>
#include <filesystem>

namespace qor::cli {
namespace {

int RunDump(const std::vector<std::string>& argv)
{
    Args args(argv);
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (args.Rest().size() != 1)
        return Fail("usage: qortool dump FILE");
    const std::string path = args.Rest()[0];
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return Fail("no such file: " + path);
    SilentDocumentUi ui;
    data::Logbook logbook;
    data::CQORDoc doc(SystemClock::instance(), logbook, ui);
    const data::Layout layout = data::CQORDoc::LayoutOf(path).value_or(data::Layout::Qo3);
    data::IoResult r = doc.ReadFile(path, layout);
    data::WriteDocumentJson(doc, stdout);
    std::fflush(stdout);
    if (!r.ok)
        return Fail(path + ": " + r.error);
    return 0;
}

const Registrar kDump({"dump", "FILE   (a .qo3, .qrv or .xrv file as JSON on stdout)", RunDump});

}  // namespace
}  // namespace qor::cli
