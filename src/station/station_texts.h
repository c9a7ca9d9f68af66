#pragma once

#include "common/text.h"

namespace qor::station::text {

// Status panes 2 and 3.
inline constexpr TextPair kNoTransfer{"keine Datenübertragung", "No data transfer"};
inline constexpr TextPair kTransfer{"Datenübertragung läuft", "Data transfer"};
inline constexpr TextPair kNoModules{"keine Module angemeldet", "no modules recognized"};
inline constexpr TextPair kModules{"Module angemeldet", "modules recognized"};

// Search and release.
inline constexpr TextPair kSearching{"Bitte warten, versuche Module anzusprechen.",
                                     "Please wait, searching for modules."};
inline constexpr TextPair kNoSlave{"Kein Slave am Bus.", "No slave available."};
inline constexpr TextPair kReleaseOfSlaves{"Freigabe Slaves", "Release of slaves"};
inline constexpr TextPair kReadModuleData{"Lese Daten ein!", "Read data of modules!"};
inline constexpr TextPair kCheckSlave{
    "Prüfen Sie ob dieser Slave am Bus ist\nund ob alle Einstellungen(Schnittstelle)\nkorrekt sind.",
    "Please check if the slave is available\nand all adjustments (interface) are correct."};
inline constexpr TextPair kOnlyFourPots{"Nur 4 Potentiostaten sind erlaubt!",
                                        "Only 4 potentiostats are possible!"};
inline constexpr TextPair kWaitTitle{"Information", "Information"};

// Release dialog.
inline constexpr TextPair kReleaseCaption{"Freigabe Dialog", "Release Dialog"};
inline constexpr TextPair kNotReleasedLabel{"Nicht freigegebene Slaves", "Not released slaves"};
inline constexpr TextPair kReleasedLabel{"Freigegebene Slaves", "Released slaves"};
inline constexpr TextPair kAdd{"Hinzufügen>>", "Add>>"};
inline constexpr TextPair kRemove{"<<Entfernen", "<<Remove"};
inline constexpr TextPair kSelectAll{"Alle Auswählen", "Select all"};
inline constexpr TextPair kRemoveAll{"Alle Entfernen", "Remove all"};
inline constexpr TextPair kCancel{"Abbrechen", "Cancel"};

// Module selection.
inline constexpr TextPair kSelectCaption{"Modulauswahl", "Select module"};
inline constexpr TextPair kSelectPrompt{"Bitte wählen Sie einen Slave aus.", "Please select one slave."};
inline constexpr TextPair kNoMatchingSlave{"Kein entsprechender Slave am Bus.",
                                           "No necessary slave available"};

// The serial port (device, then the reason).
inline constexpr TextPair kPortNotOpened{"Die Schnittstelle %s lässt sich nicht öffnen: %s",
                                         "The port %s cannot be opened: %s"};
inline constexpr TextPair kPortLost{"Verbindung über %s unterbrochen: %s", "Link through %s lost: %s"};
inline constexpr TextPair kNoSuchDevice{"Gerät nicht vorhanden", "no such device"};
inline constexpr TextPair kPermissionDenied{"keine Zugriffsberechtigung", "permission denied"};
inline constexpr TextPair kPortBusy{"von einem anderen Programm belegt", "in use by another program"};
inline constexpr TextPair kPortUnusable{"nicht verwendbar", "not usable"};
// Status pane 1 on the simulated bus.
inline constexpr TextPair kSimulatedGateway{"Simulierter Bus (Gateway)", "Simulated bus (gateway)"};
inline constexpr TextPair kSimulatedSerial{"Simulierter Bus (seriell)", "Simulated bus (serial)"};

// Recording.
inline constexpr TextPair kLoggingStarted{"Aufzeichnung gestartet aller ", "Start for logging every "};
inline constexpr TextPair kLoggingEnded{"Aufzeichnung beendet", "End of logging"};
inline constexpr TextPair kOutageRidden{
    "Verbindung zu den Modulen unterbrochen; die Aufzeichnung läuft weiter",
    "Link to the modules lost; the recording goes on"};
inline constexpr TextPair kOutageEnded{"Verbindung zu den Modulen wieder da nach %d s",
                                       "Link to the modules back after %d s"};
inline constexpr TextPair kModuleMissing{"Slave %d antwortet nicht; erste Messung ohne seine Werte",
                                         "Slave %d does not answer; first sample without its values"};

// Read-outs.
inline constexpr TextPair kReadDataLogger{"Datenlogger auslesen", "Read data logger"};
inline constexpr TextPair kDataNotAvailable{"Daten nicht verfügbar!", "Data not available!"};
inline constexpr TextPair kTransferInterrupted{"Datenübertragung unterbrochen!",
                                               "Data transfer interrupted!"};
inline constexpr TextPair kTransmissionTitle{"Datenübertragung", "Data transmission"};
inline constexpr TextPair kTransmissionText{"Datenübertragung läuft.", "Wait for data transmission."};
inline constexpr TextPair kReadingData{"Bitte warten, lese Daten.", "Please wait, reading data."};
inline constexpr TextPair kLogbookHeading{"Logbuch", "log book"};
inline constexpr const char* kLoggerFilter = "QOR (*.tx3)|*.tx3|Alle Dateien (*.*)|*.*||";

// Potentiostat.
inline constexpr TextPair kStartPotGal{"Start POT/GAL", "Start POT/GAL"};
inline constexpr TextPair kStartRefused{"Start nicht möglich!", "Start not possible!"};
inline constexpr TextPair kStopRefused{"Stopp nicht möglich!", "Stop not possible!"};
inline constexpr TextPair kTransferError{"Übertragunsfehler!", "Error data transfer!"};
inline constexpr TextPair kStillRunning{"VP 5100 läuft noch, Schrittmodus beenden?",
                                        "VP 5100 is still running. Finish step control mode?"};

}  // namespace qor::station::text
