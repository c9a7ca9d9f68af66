#pragma once

#include "common/text.h"

#include <array>

// The potentiostat windows' texts (German, English).
namespace qor::potentiostat::text {

inline constexpr TextPair kSetupTitle{"VP5100 Setup", "VP5100 Setup"};
inline constexpr TextPair kEditTitle{"Editieren", "Edit"};
inline constexpr TextPair kManualTitle{"VP5100 manuelle Bedienung", "Manual Operation"};

inline constexpr std::array<TextPair, 16> kColumnTitles{{{"Nr.", "Nr."},
                                                         {"Typ", "Type"},
                                                         {"Vorgabe1", "Target1"},
                                                         {"Einheit", "Unit"},
                                                         {"Vorgabe2", "Target2"},
                                                         {"Einheit", "Unit"},
                                                         {"Limit", "Limit"},
                                                         {"Einheit", "Unit"},
                                                         {"Start", "Start"},
                                                         {"Intervall", "Interval"},
                                                         {"Einheit", "Unit"},
                                                         {"Anz.", "count"},
                                                         {"Next", "Next"},
                                                         {"Slew /Sec", "Slew /Sec"},
                                                         {"Sample /Sec", "Sample/Sec"},
                                                         {"Zykl.", "Cycle"}}};

inline constexpr TextPair kAppend{"Anhängen", "Add"};
inline constexpr TextPair kInsert{"Einfügen", "Insert"};
inline constexpr TextPair kDelete{"Löschen", "Clear"};
inline constexpr TextPair kChange{"Ändern", "Change"};
inline constexpr TextPair kLoadModel{"Vorlage\nÖffnen", "Load\nmodel"};
inline constexpr TextPair kSaveModel{"Vorlage\nSpeichern", "Save\nmodel"};
inline constexpr TextPair kProgram{"Daten Programmieren", "Program\ndata"};
inline constexpr TextPair kReadBack{"Daten Auslesen", "Read data"};
inline constexpr TextPair kTransfer{"Datenübertragung", "Data transmission"};

inline constexpr TextPair kNoSelection{"Kein Schritt ausgewählt!", "No step selected!"};
inline constexpr TextPair kCopied{"Liste in Zwischenablage kopiert.", "Steps copy to clipboard."};
inline constexpr TextPair kWrongType{"Falscher Dateityp!", "Wrong file type."};
inline constexpr TextPair kTooManySteps{"Mehr als 255 Schritte sind nicht möglich.",
                                        "More than 255 steps are not possible."};
inline constexpr TextPair kUnreadable{"Die Vorlage kann nicht gelesen werden.", "The model cannot be read."};
inline constexpr TextPair kUnwritable{"Die Vorlage kann nicht geschrieben werden.",
                                      "The model cannot be written."};
inline constexpr TextPair kTransferError{"Übertragunsfehler!", "Error data transfer!"};
inline constexpr TextPair kUnknownVersion{"Die Vorlage hat eine unbekannte Version (%s).",
                                          "The model has an unknown version (%s)."};
inline constexpr TextPair kTrailingBytes{"Nach dem Ende der Vorlage folgen weitere Daten.",
                                         "More data follows the end of the model."};
inline constexpr TextPair kBadSetting{"Die Vorlage hat eine ungültige Einstellung: %s = %d.",
                                      "The model has an invalid setting: %s = %d."};
inline constexpr TextPair kLimited{"Werte außerhalb der Grenzen des Editors wurden angepasst:",
                                   "Values beyond the limits of the editor were adjusted:"};
inline constexpr TextPair kNotProgrammed{"Nicht programmiert, der Editor lässt diesen Wert nicht zu:",
                                         "Not programmed, the editor does not allow this value:"};
inline constexpr TextPair kStepChange{"Schritt %d: %s %s → %s", "step %d: %s %s → %s"};
inline constexpr TextPair kAmplitude{"Amplitude", "amplitude"};
inline constexpr TextPair kProgrammed{"Programmiert: %d Schritte", "Programmed: %d steps"};
inline constexpr TextPair kReadDone{"Ausgelesen: %d Schritte", "Read: %d steps"};
inline constexpr TextPair kCancelled{"Abgebrochen.", "Cancelled."};
inline constexpr TextPair kSent{"Gesendet: %s, Zelle %s", "Sent: %s, cell %s"};
inline constexpr TextPair kMeasuredNone{"Gemessen: ---", "Measured: ---"};
inline constexpr TextPair kMeasured{"Gemessen: %.*f mV, %.*f µA", "Measured: %.*f mV, %.*f µA"};
inline constexpr TextPair kFirmware{
    "Führen Sie ein Firmwareupdate durch, damit alle Funktionen von QOremote unterstützt werden!",
    "Please download new firmware update for VP 5100 to enable all function of QOremote!"};
inline constexpr TextPair kNextHint{"Folgeschritt=0 bedeutet\nEnde des Programms",
                                    "next step=0 means\nend of program"};

// Editor messages.
inline constexpr TextPair kZeroInterval{"Intervall Zeit von Null ist nicht möglich.",
                                        "Input of zero for interval time is not possible."};
inline constexpr TextPair kZeroSlew{"Slew Rate Eingabe von Null ist nicht möglich.\nBitte verwenden Sie die "
                                    "Eingabemöglichkeit der Intervallzeit.",
                                    "Input of zero for slew rate is not possible.\nPlease use therefor the "
                                    "input window for interval duration "
                                    "time."};
// The range message of a number field: lower and upper bound follow as "%g".
inline constexpr TextPair kRange{"Bitte geben Sie eine Zahl zwischen %g und %g ein.",
                                 "Please enter a number between %g and %g."};

// Editor labels.
inline constexpr TextPair kStepNr{"Schritt Nr.:", "Step nr.:"};
inline constexpr TextPair kFromMomentary{"vom Momentanwert", "from current value"};
inline constexpr TextPair kFromRest{"vom Restpotential", "from rest potential"};
inline constexpr TextPair kCyclic{"zyklischer Betrieb", "cyclical operation"};
inline constexpr TextPair kAbove{"Über", "above"};
inline constexpr TextPair kBelow{"Unter", "below"};
inline constexpr TextPair kVoltage{"Spannung", "voltage"};
inline constexpr TextPair kInterval{"Intervall", "Interval"};
inline constexpr TextPair kPerDecade{"Werte/Dekade", "values/decade"};

// Settings.
inline constexpr TextPair kVoltageRange{"Messbereich Spannung", "Meas. rang potential"};
inline constexpr TextPair kCurrentRange{"Messbereich Strom", "Meas. rang current"};
inline constexpr TextPair kAutomatic{"automatisch", "automatic"};
inline constexpr TextPair kManual{"manuell", "manual"};
inline constexpr TextPair kStability{"Stabilität", "stability"};
inline constexpr TextPair kSoftwareFilter{"Software Filter\nI/U Messung", "Software filter\nI/U measurement"};
inline constexpr TextPair kCompensation{"Kompensation", "Compensation"};
inline constexpr TextPair kNone{"keine", "no"};
inline constexpr TextPair kIntervalMs{"Intervall in mSek", "Interval in mSec"};
inline constexpr TextPair kOffTime{"Unterbrecherzeit in %", "off time in %"};
inline constexpr TextPair kIrFeedback{"iR Rückkopplung von Rs in %", "iR feedback of Rs in %"};
inline constexpr TextPair kDataRate{"Datenrate 10Hz", "Data rate 10Hz"};

inline constexpr std::array<const char*, 2> kVoltageRanges{"±2000 mV", "±12.00  V"};
inline constexpr std::array<const char*, 8> kCurrentRanges{"50   nA", "500 nA",   "5     µA", "50   µA",
                                                           "500 µA",  "5     mA", "50   mA",  "500 mA"};
inline constexpr std::array<TextPair, 6> kCapacitances{{{"automatisch", "automatic"},
                                                        {"100 pF", "100 pF"},
                                                        {"1 nF", "1 nF"},
                                                        {"22 nF", "22 nF"},
                                                        {"220 nF", "220 nF"},
                                                        {"disable", "disable"}}};
inline constexpr std::array<TextPair, 6> kFilters{{{"1 Hz", "1 Hz"},
                                                   {"15 Hz", "15 Hz"},
                                                   {"50 Hz", "50 Hz"},
                                                   {"80 Hz", "80 Hz"},
                                                   {"150Hz", "150Hz"},
                                                   {"ohne/without", "without"}}};

// Manual operation.
inline constexpr TextPair kCell{"Zelle", "Cell"};
inline constexpr TextPair kOff{"Aus", "Off"};
inline constexpr TextPair kOn{"Ein", "On"};
inline constexpr TextPair kType{"Typ", "Type"};
inline constexpr std::array<TextPair, 3> kModes{
    {{"Galvanostat", "Galvanostat"}, {"Potentiostat", "Potentiostat"}, {"Restpotential", "Rest potential"}}};
inline constexpr TextPair kTarget{"Sollwertvorgabe", "Target value"};
inline constexpr TextPair kVoltageFilter{"Hardwarefilter Spannungsmessung",
                                         "Hardware filter voltage measurement"};
inline constexpr TextPair kCurrentFilter{"Hardwarefilter Strommessung",
                                         "Hardware filter current measurement"};
inline constexpr TextPair kFilterDisable{"Filter disable", "Filter disable"};
inline constexpr std::array<const char*, 4> kInputFilters{"100pF", "22nF", "220nF", "1µF"};
inline constexpr std::array<TextPair, 6> kManualCapacitances{{{"automatisch", "automatic"},
                                                              {"100pF", "100pF"},
                                                              {"1nF", "1nF"},
                                                              {"22nF", "22nF"},
                                                              {"220nF", "220nF"},
                                                              {"disable", "disable"}}};
inline constexpr TextPair kCalculate{"Aktuallisieren", "Calculate"};
inline constexpr TextPair kExit{"Beenden", "Exit"};

}  // namespace qor::potentiostat::text
