// qortool alarms: the alarm transitions a document holds, as JSON lines.
#include "alarm/alarm_record.h"
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"

#include <cstdio>

namespace qor::cli {
namespace {

int RunAlarms(const Parsed& p)
{
    const int lang = p.lang;
    CommandDocument d;
    d.doc.SetLanguage(lang);
    bool found = false;
    const std::string error = d.Read(p.Operands()[0], &found, lang);
    if (!found)
        return Fail(error);
    // What was read, even of a file that fails part way.
    for (const alarm::AlarmTransition& t : alarm::StoredTransitions(d.doc))
        std::printf("%s\n", alarm::AlarmJsonLine(t).c_str());
    std::fflush(stdout);
    if (!error.empty())
        return Fail(error);
    return 0;
}

const Registrar kAlarms({"alarms",
                         {{}, {"FILE.qo3"}},
                         "the alarm transitions the document holds, one JSON line each:\n"
                         "        {\"time\", \"source\", \"kind\", \"event\", \"value\", \"limit\"}",
                         RunAlarms});

}  // namespace
}  // namespace qor::cli
