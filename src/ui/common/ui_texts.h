#pragma once

#include "common/text.h"
#include "station/station_texts.h"

#include <QString>

namespace qor::ui {

inline QString Tr(const TextPair& pair, int lang)
{
    return QString::fromUtf8(pair[lang]);
}

// Every text the window shows, German and English (the station's own texts are shared).
namespace txt {

// Dialog buttons and captions.
inline constexpr TextPair kOk{"OK", "OK"};
inline constexpr const TextPair& kCancel = station::text::kCancel;
inline constexpr TextPair kYes{"Ja", "Yes"};
inline constexpr TextPair kNo{"Nein", "No"};
inline constexpr TextPair kErrorDialog{"Fehlerdialog", "Error dialog"};
inline constexpr const TextPair& kInformation = station::text::kWaitTitle;
inline constexpr TextPair kProgress{"Fortschritt", "Progress"};

// Main window.
inline constexpr TextPair kAppName{"QORremote", "QORremote"};
inline constexpr TextPair kStartOfProgram{"Programmstart", "Start of program"};
inline constexpr TextPair kEndOfProgram{"Programm beendet", "End of program"};
inline constexpr TextPair kAbout{"QORremote\nMessstation für bis zu sechzehn Messmodule.",
                                 "QORremote\nMeasurement station for up to sixteen measuring modules."};

// Port setup.
inline constexpr TextPair kSetupCaption{"Setup", "Setup"};
inline constexpr TextPair kSaveInterval{"Sicherungsintervall", "Save interval"};
inline constexpr TextPair kMaxModuleId{"max. Modul ID", "max. module ID"};
inline constexpr TextPair kAutoEnable{"Auto Enable", "Auto Enable"};
inline constexpr TextPair kComPort{"COM PORT", "COM PORT"};
inline constexpr TextPair kLan{"LAN TCP/IP", "LAN TCP/IP"};
inline constexpr TextPair kIp{"IP", "IP"};
inline constexpr TextPair kName{"Name", "Name"};
inline constexpr TextPair kPortNumber{"COM", "COM"};
inline constexpr TextPair kDevice{"Gerät", "Device"};
inline constexpr TextPair kDeviceDefault{"(Standard für COM-Nummer)", "(default for the COM number)"};
inline constexpr TextPair kTcpPort{"TCP Port", "TCP port"};
inline constexpr TextPair kBaud{"Baudrate", "Baud rate"};
inline constexpr TextPair kHardware{"Schnittstelle", "Interface"};
inline constexpr TextPair kStation{"Station", "Station"};

// Release dialog and module selection.
inline constexpr const TextPair& kReleaseCaption = station::text::kReleaseCaption;
inline constexpr const TextPair& kNotReleased = station::text::kNotReleasedLabel;
inline constexpr const TextPair& kReleased = station::text::kReleasedLabel;
inline constexpr const TextPair& kAdd = station::text::kAdd;
inline constexpr const TextPair& kRemove = station::text::kRemove;
inline constexpr const TextPair& kSelectAll = station::text::kSelectAll;
inline constexpr const TextPair& kRemoveAll = station::text::kRemoveAll;
inline constexpr const TextPair& kSelectCaption = station::text::kSelectCaption;
inline constexpr const TextPair& kSelectPrompt = station::text::kSelectPrompt;

// Manual logbook entry.
inline constexpr TextPair kTextInput{"Texteingabe", "Input text"};

// Save prompt.
inline constexpr TextPair kSaveCaption{"Speichern", "Save"};
inline constexpr TextPair kSaveQuestion{"Datei wurde geändert! Sollen die Daten gespeichert werden?",
                                        "File is changed! Save the changed data?"};

// Panes and views.
inline constexpr const TextPair& kLogbookPane = station::text::kLogbookHeading;
inline constexpr TextPair kGraphPane{"Grafik", "graphic"};
inline constexpr TextPair kRun{"Run:", "Run:"};
inline constexpr const TextPair& kNoTransfer = station::text::kNoTransfer;
inline constexpr const TextPair& kTransfer = station::text::kTransfer;
inline constexpr const TextPair& kNoModules = station::text::kNoModules;
inline constexpr const TextPair& kModules = station::text::kModules;
inline constexpr TextPair kSamples{"Messwerte: %1", "Samples: %1"};

// Menus.
inline constexpr TextPair kMenuFile{"&Datei", "&File"};
inline constexpr TextPair kMenuStation{"&Station", "&Station"};
inline constexpr TextPair kMenuPotentiostat{"&Potentiostat", "&Potentiostat"};
inline constexpr TextPair kMenuView{"&Ansicht", "&View"};
inline constexpr TextPair kMenuWindow{"&Fenster", "&Window"};
inline constexpr TextPair kMenuLanguage{"&Sprache", "&Language"};
inline constexpr TextPair kMenuHelp{"&Hilfe", "&Help"};
inline constexpr TextPair kToolbar{"Symbolleiste", "Toolbar"};
// The potentiostat's result windows, reopened after they were closed.
inline constexpr TextPair kMenuShowEis{"Anzeige der Grafik", "Show EIS graphic"};
inline constexpr TextPair kMenuShowRun{"Messlauf-Grafik anzeigen", "Show run graphic"};

inline constexpr TextPair kFileNew{"&Neu", "&New"};
inline constexpr TextPair kFileOpen{"Ö&ffnen...", "&Open..."};
inline constexpr TextPair kFileClose{"S&chließen", "&Close"};
inline constexpr TextPair kFileSave{"&Speichern", "&Save"};
inline constexpr TextPair kFileSaveAs{"Speichern &unter...", "Save &As..."};
inline constexpr TextPair kFileExport{"&Export...", "&Export..."};
inline constexpr TextPair kFileImport{"&Import...", "&Import..."};
inline constexpr TextPair kFileExit{"&Beenden", "E&xit"};
inline constexpr TextPair kFileNotFound{"Die Datei wurde nicht gefunden.", "The file was not found."};
inline constexpr TextPair kNewPrompt{"Ein neues Dokument anlegen", "Create a new document"};
inline constexpr TextPair kOpenPrompt{"Ein Dokument öffnen oder anlegen", "Open or create a document"};
inline constexpr TextPair kClosePrompt{"Das Dokument schließen", "Close the document"};
inline constexpr TextPair kSavePrompt{"Das Dokument speichern", "Save the document"};
inline constexpr TextPair kSaveAsPrompt{"Das Dokument unter einem neuen Namen speichern",
                                        "Save the document under a new name"};
inline constexpr TextPair kExportPrompt{"Daten als ASCII exportieren", "Export data to ASCII"};
inline constexpr TextPair kImportPrompt{"Daten aus xrv-Dateien importieren", "Import data xrv-files"};

inline constexpr TextPair kMenuPortSetup{"Schnittstelle &einstellen...", "Adjust &interface..."};
inline constexpr TextPair kMenuSearch{"Module &suchen...", "&Search modules..."};
inline constexpr TextPair kMenuStartMeasuring{"&Messung starten", "Start &measurement"};
inline constexpr TextPair kMenuShowMeters{"Mess&geräte anzeigen", "Dis&play meters"};
inline constexpr TextPair kMenuStartRecording{"&Aufzeichnung starten...", "Start data &logging..."};
inline constexpr TextPair kMenuStop{"Aufzeichnung &beenden", "&End data logging"};
inline constexpr TextPair kMenuNewScale{"Neue S&kalierfaktoren...", "New s&cale for graphic..."};
inline constexpr TextPair kMenuLogbookEntry{"Logbuch&eintrag...", "Log book &entry..."};
inline constexpr TextPair kMenuToggleLogbook{"&Logbuch anzeigen", "Show log &book"};
inline constexpr TextPair kMenuReadLogger{"&Datenlogger auslesen", "Read &data logger"};
inline constexpr TextPair kMenuReadDeviceLogbook{"Logbuch aus&lesen", "&Read log book"};
inline constexpr TextPair kMenuStartPot{"Schrittablauf &starten", "&Start step program"};
inline constexpr TextPair kMenuStopPot{"Schrittablauf manuell s&toppen", "S&top step program manually"};
inline constexpr TextPair kMenuDefineSteps{"&Ablaufschritte definieren...", "&Define steps..."};
inline constexpr TextPair kMenuManual{"&Manuell bedienen...", "&Manual operation..."};
inline constexpr TextPair kMenuStartPotRec{"Start Potentiostat und Auf&zeichnung",
                                           "Start Potentiostat and &Logging"};
inline constexpr TextPair kMenuGerman{"&Deutsch", "&German"};
inline constexpr TextPair kMenuEnglish{"&Englisch", "&English"};
inline constexpr TextPair kMenuCascade{"Ü&berlappend", "&Cascade"};
inline constexpr TextPair kMenuTile{"&Nebeneinander", "&Tile"};
inline constexpr TextPair kMenuAbout{"&Info über QORremote...", "&About QORremote..."};
inline constexpr TextPair kCopy{"&Kopieren", "&Copy"};

// Status prompts of the commands (status tip before the line feed, tool tip after it).
inline constexpr TextPair kPromptPortSetup{"Einstellen der Schnittstelle", "Adjust Interface"};
inline constexpr TextPair kPromptSearch{"Freigeben der Module\nModule suchen",
                                        "Release modules\nSearch modules"};
inline constexpr TextPair kPromptStartMeasuring{"Messung der freigegebenen Module starten.\nMessgeräte",
                                                "Start measurement.\nInstruments"};
inline constexpr TextPair kPromptShowMeters{"Messgeräte für freigegebene Slaves anzeigen",
                                            "Display meters for measuring points"};
inline constexpr TextPair kPromptStartRecording{"Starten der Aufzeichnung\nAufzeichnung",
                                                "Start data logging\nData logging"};
inline constexpr TextPair kPromptStop{"Beenden der Datenaufzeichnung\nStop", "End data logging\nStop"};
inline constexpr TextPair kPromptNewScale{"Neue Skalierfaktoren vergeben", "New Scale for graphic"};
inline constexpr TextPair kPromptLogbookEntry{"Texteingabe eines Logbucheintrages.\n Texteingabe",
                                              "Input a log book entry.\n Text input"};
inline constexpr TextPair kPromptToggleLogbook{"Logbuch anzeigen.\n Logbuch", "Show log book.\n Log book"};
inline constexpr TextPair kPromptStartPot{"Schrittablauf starten", "Start step program"};
inline constexpr TextPair kPromptStopPot{"Schrittablauf manuell stoppen", "Stop step program manually"};
inline constexpr TextPair kPromptDefineSteps{"Definieren der Ablaufschritte.", "Define steps"};
inline constexpr TextPair kPromptManual{"Potentiostat manuell bedienen", "manual operation"};
inline constexpr TextPair kPromptStartPotRec{"Start Potentiostat und Aufzeichnung",
                                             "Start Potentiostat and Logging"};
inline constexpr const TextPair& kPromptReadLogger = station::text::kReadDataLogger;
inline constexpr TextPair kPromptReadDeviceLogbook{"Logbuch auslesen", "Read log book"};
inline constexpr TextPair kPromptCopy{"Kopieren eines markierten Logbuchabschnittes",
                                      "Copy of a selected log book section"};
inline constexpr TextPair kPromptLanguage{"Sprache der Oberfläche umschalten",
                                          "Switch the window's language"};

// Document messages.
inline constexpr TextPair kWrongType{"Falscher Dateityp!", "Wrong file type."};

// The document graph on paper, in PDF, and its point list.
inline constexpr TextPair kFilePrint{"&Drucken...", "&Print..."};
inline constexpr TextPair kFilePreview{"Seiten&ansicht", "Print pre&view"};
inline constexpr TextPair kFileExportPdf{"Als PDF e&xportieren...", "Export as P&DF..."};
inline constexpr TextPair kPromptPrint{"Die Grafik drucken", "Print the graphic"};
inline constexpr TextPair kPromptPreview{"Die Druckseite der Grafik ansehen",
                                         "Show the printed page of the graphic"};
inline constexpr TextPair kPromptExportPdf{"Die Grafik als PDF-Datei speichern",
                                           "Save the graphic as a PDF file"};
inline constexpr TextPair kPdfNotWritten{"Die PDF-Datei kann nicht geschrieben werden:\n%1",
                                         "The PDF file cannot be written:\n%1"};
inline constexpr TextPair kMenuPointList{"&Punkteliste", "&Point list"};
inline constexpr TextPair kPromptPointList{"Die Punkte einer Kurve auflisten", "List the points of a curve"};

// The graph pane's following of the newest sample.
inline constexpr TextPair kMenuAutoScroll{"Automatischer &Bildlauf", "&Automatic scrolling"};
inline constexpr TextPair kPromptAutoScroll{"Der Ausschnitt folgt dem neuesten Messwert",
                                            "The section follows the newest sample"};

}  // namespace txt

}  // namespace qor::ui
