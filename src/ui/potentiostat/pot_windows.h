#pragma once

#include <cstdint>

class QWidget;

namespace qor::station {
class Station;
class StationUi;
}  // namespace qor::station

namespace qor::ui {

// Opens the step program setup ("Define steps") or manual operation on the chosen
// potentiostat. The setup window starts with the range "manual" flags of the module's record
// (`manualFlags` bit 0 current, bit 1 voltage) and reads the module; the data-rate flag it shows
// is kept by the station between openings.
void OpenStepSetup(station::Station& station, station::StationUi& ui, std::uint8_t address, float firmware,
                   std::uint8_t manualFlags, int lang, QWidget* parent);
void OpenManualOperation(station::Station& station, station::StationUi& ui, std::uint8_t address, int lang,
                         QWidget* parent);

}  // namespace qor::ui
