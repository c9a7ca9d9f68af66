#include "ui/potentiostat/pot_windows.h"

#include "station/pot_program.h"
#include "station/station.h"
#include "ui/potentiostat/pot_manuell.h"
#include "ui/potentiostat/pot_step_setup.h"

#include <QCoreApplication>

namespace qor::ui {

void OpenStepSetup(station::Station& station, station::StationUi& ui, std::uint8_t address, float firmware,
                   std::uint8_t manualFlags, int lang, QWidget* parent)
{
    potentiostat::PotStepSetupModel model(lang);
    model.Settings().dataRate10Hz = station.Config().potRate != 0 ? 1 : 0;
    model.Settings().currentManual = manualFlags & 1;
    model.Settings().voltageManual = (manualFlags >> 1) & 1;
    model.SetFirmware(firmware);
    model.Append();
    station::PotProgram program(station.Link(), ui, lang, address);
    // The window is not up yet: the progress window repaints and timers run (the poll finds
    // the link taken), but no input is taken before the window opens.
    program.SetBetweenExchanges([] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    });
    const bool read = program.ReadBack(model);
    program.SetBetweenExchanges(nullptr);
    CPotStepSetup dlg(
        model, &program, [&ui](const std::string& text) { ui.ShowMessage(text); }, parent);
    dlg.ShowTransfer(false, read);
    dlg.exec();
    station.Config().potRate = model.Settings().dataRate10Hz;
}

void OpenManualOperation(station::Station& station, station::StationUi& ui, std::uint8_t address, int lang,
                         QWidget* parent)
{
    potentiostat::PotManuellModel model;
    station::PotProgram program(station.Link(), ui, lang, address);
    program.ManualRead(model);
    CPotManuell dlg(model, &program, lang, parent);
    dlg.exec();
}

}  // namespace qor::ui
