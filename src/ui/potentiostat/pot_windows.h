#pragma once

#include <cstdint>

class QWidget;

namespace qor::station {
class Station;
class StationUi;
}  // namespace qor::station

namespace qor::ui {

// Opens the step program setup ("Define steps") or manual operation on the chosen
// potentiostat. The setup window reads the module first; the data-rate flag it shows is
// kept by the station between openings.
void OpenStepSetup(station::Station& station, station::StationUi& ui, std::uint8_t address, float firmware,
                   int lang, QWidget* parent);
void OpenManualOperation(station::Station& station, station::StationUi& ui, std::uint8_t address, int lang,
                         QWidget* parent);

}  // namespace qor::ui
