// qortool convert: opens or imports a document as the station does and saves it as .qo3.
#include "cli/command.h"
#include "common/clock.h"
#include "common/text.h"
#include "data/qor_doc.h"

#include <cstdio>
#include <filesystem>

namespace qor::cli {
namespace {

// Answers the file dialogs with the two names given and reports messages on stderr.
struct ConvertUi : data::DocumentUi {
    std::string in, out;
    int lang = 0;
    bool failed = false;

    std::optional<std::string> ChooseFile(data::FileDialog kind, const std::string&,
                                          const std::string&) override
    {
        return kind == data::FileDialog::SaveAs ? out : in;
    }
    int AskSave(const std::string&, const std::string&) override { return 3; }
    void ShowMessage(const std::string& text) override
    {
        Say(text);
        failed = true;
    }
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string& path, int) override
    {
        Say(path + TextPair{" ist eine Datenloggerdatei, kein Dokument",
                            " is a data logger file, not a document"}[lang]);
        failed = true;
    }
};

int RunConvert(const Parsed& p)
{
    const int lang = p.lang;
    ConvertUi ui;
    ui.in = p.Operands()[0];
    ui.out = p.Operands()[1];
    ui.lang = lang;
    std::error_code ec;
    // Open would create a missing file; a converter must not.
    if (!std::filesystem::is_regular_file(ui.in, ec))
        return Fail(TextPair{"Datei nicht gefunden: ", "no such file: "}[lang] + ui.in);
    data::Logbook logbook;
    data::CQORDoc doc(SystemClock::Instance(), logbook, ui);
    doc.SetLanguage(lang);
    auto layout = data::LayoutOf(ui.in);
    if (layout == data::Layout::Qrv || layout == data::Layout::Xrv)
        doc.OnFileImport();
    else
        doc.OnFileOpen();
    if (ui.failed || !doc.FileBound())
        return 1;
    doc.OnFileSaveAs();
    if (ui.failed || doc.Path() != ui.out)
        return 1;
    return 0;
}

const Registrar kConvert(
    {"convert", {{}, {"IN", "OUT"}}, "opens or imports IN and saves it as a .qo3 file OUT", RunConvert});

}  // namespace
}  // namespace qor::cli
