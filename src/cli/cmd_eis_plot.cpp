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

int RunEisPlot(const Parsed& p)
{
    const std::string png = p.Value("--png");
    const std::string fit = p.Value("--fit");
    const bool nyquist = p.Has("--nyquist");
    const bool kk = p.Has("--kk");
    const bool fitResiduals = p.Has("--fit-residuals");
    const std::string spectrum = p.Value("--spectrum");
    const int l = p.lang;
    int w = 0, h = 0;
    if (const auto code = TakeSize(p, w, h))
        return *code;
    std::string circuitError;
    if (!fit.empty() &&
        !potentiostat::CircuitModel::Parse(potentiostat::ExpandCircuitName(fit), &circuitError, l))
        return Fail("--fit '" + fit + "': " + circuitError);
    const std::string path = p.Operands()[0];
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
