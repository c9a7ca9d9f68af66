// qortool dump: a document file as one JSON object.
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/clock.h"
#include "common/text.h"
#include "data/document_json.h"
#include "data/qor_doc.h"

#include <cstdio>

namespace qor::cli {
namespace {

int RunDump(const Parsed& p)
{
    const int lang = p.lang;
    CommandDocument d;
    d.doc.SetLanguage(lang);
    bool found = false;
    const std::string error = d.Read(p.Operands()[0], &found, lang);
    if (!found)
        return Fail(error);
    // What was read, even of a file that fails part way.
    data::WriteDocumentJson(d.doc, stdout);
    std::fflush(stdout);
    if (!error.empty())
        return Fail(error);
    return 0;
}

const Registrar kDump({"dump", {{}, {"FILE"}}, "a .qo3, .qrv or .xrv file as JSON on stdout", RunDump});

}  // namespace
}  // namespace qor::cli
