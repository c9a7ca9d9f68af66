// qortool eis plot: the impedance window's graphs drawn offscreen into a PNG.
#include "cli/cmd_eis_plot.h"

#include "cli/command.h"
#include "cli/gui_app.h"
#include "cli/silent_document_ui.h"
#include "common/text.h"
#include "potentiostat/eis_fit.h"
#include "ui/potentiostat/eis_graph.h"

#include <QComboBox>
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
    const std::string spectrum = args.Take("--spectrum");
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    const int l = lang == 1 ? 1 : 0;
    if (args.Rest().size() != 1 || png.empty())
        return Fail(std::string("usage: qortool eis plot ") + kEisPlotUsage);
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(size.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') || w < 100 ||
        h < 100 || w > 20000 || h > 20000)
        return Fail(Format(TextPair{"falsche --size '%s' (BxH, je 100 bis 20000 Pixel)",
                                    "bad --size '%s' (WxH, 100 to 20000 pixels each)"}[l],
                           size.c_str()));
    const std::optional<potentiostat::Circuit> circuit = potentiostat::CircuitFromName(fit);
    if (!fit.empty() && !circuit)
        return Fail(Format(TextPair{"unbekannte Schaltung '%s' (randles oder randles-w)",
                                    "unknown circuit '%s' (randles or randles-w)"}[l],
                           fit.c_str()));
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
    if (circuit) {
        window.CircuitChoice()->setCurrentIndex(*circuit == potentiostat::Circuit::RandlesW ? 1 : 0);
        const potentiostat::CircuitFit result = window.RunFit();
        if (!result.ok())
            return StationFail(path + ": " + potentiostat::EISViewModel::FitReport(result, l));
    }
    if (kk)
        window.RunKK();
    if (!window.RenderView(QSize(w, h)).save(QString::fromStdString(png), "PNG"))
        return StationFail(TextPair{"nicht schreibbar: ", "cannot write "}[l] + png);
    std::printf("%s: %zu impedance points, %s -> %s\n", path.c_str(), window.ShownPoints().size(),
                nyquist ? "Nyquist" : "Bode", png.c_str());
    return 0;
}

}  // namespace qor::cli
