// qortool eis plot: the impedance window's graphs drawn offscreen into a PNG.
#include "cli/cmd_eis_plot.h"

#include "cli/command.h"
#include "cli/gui_app.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"
#include "potentiostat/eis_fit.h"
#include "ui/potentiostat/eis_graph.h"

#include <QImage>
#include <cstdio>
#include <memory>

namespace qor::cli {

int RunEisPlot(Args& args, int lang)
{
    const std::string png = args.Take("--png");
    const std::string size = args.Take("--size", "1200x800");
    const std::string fit = args.Take("--fit");
    const bool nyquist = args.Flag("--nyquist");
    const bool kk = args.Flag("--kk");
    const bool fitResiduals = args.Flag("--fit-residuals");
    const std::string spectrum = args.Take("--spectrum");
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    const int l = lang == 1 ? 1 : 0;
    if (args.Rest().size() != 1 || png.empty())
        return Fail(std::string("usage: qortool eis plot ") + kEisPlotUsage);
    if (fitResiduals && fit.empty())
        return Fail(
            TextPair{"--fit-residuals verlangt --fit CIRCUIT", "--fit-residuals takes --fit CIRCUIT"}[l]);
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(size.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') || w < 100 ||
        h < 100 || w > 20000 || h > 20000)
        return Fail(Format(TextPair{"falsche --size '%s' (BxH, je 100 bis 20000 Pixel)",
                                    "bad --size '%s' (WxH, 100 to 20000 pixels each)"}[l],
                           size.c_str()));
    std::string circuitError;
    if (!fit.empty() &&
        !potentiostat::CircuitModel::Parse(potentiostat::ExpandCircuitName(fit), &circuitError, l))
        return Fail("--fit '" + fit + "': " + circuitError);
    const std::string path = args.Rest()[0];
    CommandDocument d;
    if (const std::string error = d.Read(path, nullptr, l); !error.empty())
        return Fail(error);
    SpectrumChoice chosen;
    if (const int code = ChooseSpectrum(d.doc.Eis(), path, spectrum, false, l, chosen))
        return code;
    if (d.doc.Eis().empty())
        return StationFail(path + TextPair{": das Dokument enthält keine Impedanzpunkte",
                                           ": the document holds no impedance points"}[l]);

    const auto ownApp = OwnGuiApplication();
    ui::CEISGraph window(d.doc.Eis(), SystemClock::Instance(), d.ui, l);
    if (chosen.number)
        window.ShowSpectrum(chosen.number);
    window.ShowNyquist(nyquist);
    if (!fit.empty()) {
        window.SetCircuit(fit);
        const potentiostat::CircuitFit result = window.RunFit();
        if (!result.ok())
            return StationFail(path + ": " + potentiostat::EISViewModel::FitReport(result, l));
    }
    if (fitResiduals)
        window.ShowFitResiduals();
    if (kk)
        window.RunKK();
    if (!window.RenderView(QSize(w, h)).save(QString::fromStdString(png), "PNG"))
        return StationFail(TextPair{"nicht schreibbar: ", "cannot write "}[l] + png);
    std::printf("%s: %zu impedance points, %s -> %s\n", path.c_str(), window.ShownPoints().size(),
                fitResiduals ? "fit residuals"
                : nyquist    ? "Nyquist"
                             : "Bode",
                png.c_str());
    return 0;
}

}  // namespace qor::cli
