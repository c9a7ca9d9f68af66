// Pictures of the step program window and the step editor for the documentation, German
// and English: pot_screenshots <docs folder>.
#include "potentiostat/pot_edit_model.h"
#include "ui/potentiostat/pot_edit.h"
#include "ui/potentiostat/pot_manuell.h"
#include "ui/potentiostat/pot_step_setup.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTableWidget>
#include <cstdio>
#include <functional>

using namespace qor::potentiostat;

namespace {

// A short corrosion program: rest, a potentiostatic sweep, a galvanostatic hold, an impedance sweep.
void Fill(PotStepSetupModel& m)
{
    const std::function<void(PotEditModel&)> edits[] = {
        [](PotEditModel& e) {
            e.SetType(T_REST);
            e.Values().interval = 10, e.Values().intervalUnit = 1;
        },
        [](PotEditModel& e) {
            e.SetType(T_POT);
            auto& v = e.Values();
            v.value1 = -250, v.value2 = 250, v.slew = 1, v.fromRest = true, v.limit = 50, v.limitUnit = 2;
            v.sampleIndex = 2;
        },
        [](PotEditModel& e) {
            e.SetType(T_GAL_CONST);
            auto& v = e.Values();
            v.value1 = 250, v.unit1 = 1, v.interval = 300, v.limit = 1500, v.passes = 3;
        },
        [](PotEditModel& e) {
            e.SetType(T_EIS);
            auto& v = e.Values();
            v.value1 = 100000, v.value2 = 0.1, v.interval = 10, v.slew = 10, v.fromRest = true;
        },
    };
    for (int i = 0; i < 4; ++i) {
        m.Append();
        m.Select(i);
        std::string message;
        StepText t = *m.BeginChange(message);
        PotEditModel e(t, m.Language());
        edits[i](e);
        e.Accept(t);
        t[F_NEXT] = i < 3 ? std::to_string(i + 2) : "End";
        m.EndChange(t);
    }
    m.Settings() = PotSettings{0, 5, 0, 1, 0, 1, 1, 0, 10, 50, 0, 10, 50, 0, 100, 0};
    m.SetFirmware(1.05f);
    m.Select(1);
}

bool Save(QWidget& w, const QDir& out, const QString& name)
{
    w.adjustSize();
    w.show();
    QApplication::processEvents();
    const bool saved = w.grab().toImage().save(out.filePath(name));
    std::printf("%s %s\n", saved ? "written" : "could not write", qPrintable(out.filePath(name)));
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? argv[1] : ".");
    bool ok = true;
    for (int lang : {0, 1}) {
        const QString suffix = lang ? "_en.png" : "_de.png";
        PotStepSetupModel model(lang);
        Fill(model);
        qor::ui::CPotStepSetup setup(model, nullptr, [](const std::string&) {});
        setup.resize(1150, 560);
        setup.ShowTransfer(false, true);
        setup.show();
        ok &= Save(setup, out, "pot_steps" + suffix);
        StepText step = model.Row(1);
        PotEditModel editModel(step, lang);
        qor::ui::CPotEdit edit(editModel, step, lang, [](const std::string&) {});
        ok &= Save(edit, out, "pot_edit" + suffix);
        PotManuellModel manual;
        manual.SetMode(1), manual.SetRelay(true), manual.SetValue(-250);
        manual.TakeMeasurement(std::pair(std::uint8_t{0x43}, std::array<std::int16_t, 3>{1234, -2503, 0}));
        qor::ui::CPotManuell window(manual, nullptr, lang);
        window.Sent()->setText(QString::fromStdString(PotManuellModel::SentText(manual.SentState(), lang)));
        ok &= Save(window, out, "pot_manual" + suffix);
    }
    return ok ? 0 : 1;
}
