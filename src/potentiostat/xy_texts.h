#pragma once

#include "common/text.h"

#include <array>

// The XY window's texts (German, English).
namespace qor::potentiostat::xytext {

inline constexpr TextPair kTitle{"XY Grafik", "XY graphic"};
inline constexpr TextPair kMenuCommand{"XY Grafik anzeigen", "Display XY-Graphic window"};

// Controls.
inline constexpr TextPair kOrientationPotentialX{"mV/µA", "mV/µA"};
inline constexpr TextPair kOrientationCurrentX{"µA/mV", "µA/mV"};
inline constexpr std::array<const char*, 3> kUnitTexts{"nA", "µA", "mA"};
inline constexpr TextPair kLin{"lin", "lin"};
inline constexpr TextPair kLog{"log", "log"};
inline constexpr TextPair kUmess{"Umess", "Umess"};
inline constexpr TextPair kUsoll{"Usoll", "Usoll"};
inline constexpr std::array<const char*, 4> kGraphBoxes{"G1", "G2", "G3", "G4"};
inline constexpr std::array<const char*, 4> kReferenceBoxes{"REF1", "REF2", "REF3", "REF4"};
inline constexpr TextPair kTafel{"TAFEL", "TAFEL"};
inline constexpr TextPair kCurveNameLabel{"Kurvenname:", "Curve name:"};
inline constexpr TextPair kZoom{"Zoom", "Zoom"};
inline constexpr TextPair kZoomIn{"Zoom +", "Zoom +"};
inline constexpr TextPair kZoomOut{"Zoom -", "Zoom -"};
inline constexpr TextPair kFitAll{"Alles", "All"};
inline constexpr TextPair kClear{"Clear", "Clear"};
inline constexpr TextPair kInfo{"Info", "Info"};
inline constexpr TextPair kSaveRef{"Save Ref", "Save Ref"};
inline constexpr TextPair kLoadRef{"Load Ref", "Load Ref"};
inline constexpr TextPair kExport{"Export", "Export"};
inline constexpr TextPair kPrint{"Drucken", "Print"};
inline constexpr TextPair kClose{"Beenden", "Close"};

// Graph engine feed.
inline constexpr const char* kXAxis = "X-Axis";
inline constexpr const char* kYAxis = "Y-Axis";
inline constexpr const char* kPotentialUnit = "mV";
// The measured curve's name when the window's name field is empty; the bus address follows.
inline constexpr const char* kCurveNameFormat = "Pot/Gal Slave %u mV / µA";
inline constexpr const char* kPrintTitle = "QOremote xy-Plot";
// Day, month, year, hour, minute.
inline constexpr const char* kPrintHeaderName = "XY_Plot";  // then day and time

// The graph choice dialog (CGraphAuswahlDlg): buttons "%s 1" … "%s 4".
inline constexpr TextPair kChoiceTitle{"Auswahlfenster", "Select Graph"};
inline constexpr TextPair kChoiceGraph{"Graf", "Graph"};
inline constexpr TextPair kChoiceReference{"Referenz", "Reference"};

// File dialogs.
inline constexpr const char* kRefExtension = "ref";
inline constexpr const char* kRefFilter = "Reference (*.ref)|*.ref|Alle Dateien (*.*)|*.*||";
inline constexpr const char* kExportExtension = "txt";
inline constexpr const char* kExportFilter = "Tabellen (*.txt) | *.txt | Alle Dateien (*.*)|*.*||";

// Messages.
inline constexpr TextPair kOnlyTwoLines{"Nur 2 Geraden sind möglich!", "Only 2 lines are possible!"};
inline constexpr TextPair kGraphNotEnabled{"Graf ist nicht freigegeben!", "Graph is not enable!"};
inline constexpr TextPair kAreaTooSmall{"Kalkulation nicht möglich! Selektierter Bereich zu klein.",
                                        "Calculation not possible! Selected area to small."};
inline constexpr TextPair kNoLines{"Keine Tafelgerade(n) eingezeichnet!", "No  Tafel line(s) available!"};
inline constexpr TextPair kNoData{"keine Daten vorhanden.", "No data available."};
// A reference file that cannot be read or written; the system's reason follows after ": ".
inline constexpr TextPair kRefUnreadable{"Die Referenzdatei kann nicht gelesen werden",
                                         "The reference file cannot be read"};
inline constexpr TextPair kRefUnwritable{"Die Referenzdatei kann nicht geschrieben werden",
                                         "The reference file cannot be written"};
inline constexpr TextPair kExportUnwritable{"Die Datei kann nicht geschrieben werden.",
                                            "The file cannot be written."};

// Tafel report.
inline constexpr TextPair kAnodic{"Anodisch", "Anodic"};
inline constexpr TextPair kCathodic{"Kathodisch", "Cathodic"};
inline constexpr TextPair kIntersection{"Schnittpunkt", "intersection"};
// The line's heading, then one row per figure, each with its unit.
inline constexpr const char* kAnodicLineFormat = "\n%s:\n";
inline constexpr const char* kCathodicLineFormat = "%s:\n";
// 10^b: the line's current at 0 mV (at the corrosion potential only when that is 0 mV).
inline constexpr TextPair kAtZeroFormat{"I bei 0 mV=%.6g %s\n", "I at 0 mV=%.6g %s\n"};
// "a" or "c", then 1/m and its standard error in mV per decade of current.
inline constexpr TextPair kSlopeFormat{"β%s=%s mV/Dek.\n", "β%s=%s mV/dec\n"};
inline constexpr TextPair kQualityFormat{"Qualität=%f %%\n", "Quality=%f %%\n"};
inline constexpr TextPair kPointsFormat{"Punkte=%d", "Points=%d"};
// The marks over samples whose current sits at the end of its range.
inline constexpr TextPair kOverloadCurve{"Übersteuert", "Overload"};
inline constexpr TextPair kOverloadedFormat{" (%d übersteuert, nicht verwendet)",
                                            " (%d overloaded, left out)"};
inline constexpr const char* kIntersectionFormat = "\n%s: %fmV %f%s";

// The statistics block after the report: least-squares errors of each line and the
// corrosion point of two lines.
inline constexpr TextPair kStatsHeading{"\n\n--- Statistik (kleinste Quadrate) ---\n",
                                        "\n\n--- Statistics (least squares) ---\n"};
// Line number, points used.
inline constexpr TextPair kStatsLine{"Gerade %d (n=%d):\n", "Line %d (n=%d):\n"};
// Slope and its standard error (log10 current per mV), intercept and its standard error.
inline constexpr TextPair kStatsSlope{"  Steigung m = %.6g ± %.2g 1/mV\n", "  slope m = %.6g ± %.2g 1/mV\n"};
inline constexpr TextPair kStatsIntercept{"  Achsenabschnitt b = %.6g ± %.2g\n",
                                          "  intercept b = %.6g ± %.2g\n"};
inline constexpr TextPair kStatsCorrosion{"Korrosionspunkt (Schnittpunkt):\n",
                                          "Corrosion point (intersection):\n"};
inline constexpr TextPair kStatsEcorr{"  Ecorr = %.3f ± %.2g mV\n", "  Ecorr = %.3f ± %.2g mV\n"};
inline constexpr TextPair kStatsLogI{"  log10 Icorr = %.5f ± %.2g\n", "  log10 Icorr = %.5f ± %.2g\n"};
inline constexpr TextPair kStatsIcorr{"  Icorr = %.6g ± %.2g %s\n", "  Icorr = %.6g ± %.2g %s\n"};
inline constexpr TextPair kStatsParallel{"Die Geraden sind parallel: kein Schnittpunkt.\n",
                                         "The lines are parallel: no intersection.\n"};

// Polarisation resistance: band (mV), open-circuit potential (mV), points.
inline constexpr TextPair kRpHeading{"\n\n--- Polarisationswiderstand (±%.4g mV um %.3f mV, n=%d) ---\n",
                                     "\n\n--- Polarisation resistance (±%.4g mV around %.3f mV, n=%d) ---\n"};
inline constexpr TextPair kRpTooFewPoints{
    "\n\nPolarisationswiderstand: zu wenige Punkte (±%.4g mV um %.3f mV, n=%d).",
    "\n\nPolarisation resistance: too few points (±%.4g mV around %.3f mV, n=%d)."};
inline constexpr TextPair kRpNoZeroCrossing{
    "\n\nPolarisationswiderstand: der Strom wechselt nirgends das Vorzeichen.",
    "\n\nPolarisation resistance: the current nowhere changes its sign."};
inline constexpr TextPair kRpIrCorrected{"  iR-korrigiert mit Rs=%.6g Ω\n",
                                         "  iR corrected with Rs=%.6g Ω\n"};
// Rp ± its standard error, to the error's second digit.
inline constexpr TextPair kRpValue{"  Rp=%s Ω\n", "  Rp=%s Ω\n"};
inline constexpr TextPair kRpNoB{"  B, icorr: eine anodische und eine kathodische Tafelgerade nötig\n",
                                 "  B, icorr: an anodic and a cathodic Tafel line are needed\n"};
// βa, βc and B in mV (Stern–Geary).
inline constexpr TextPair kRpB{"  βa=%.4g mV/Dek., βc=%.4g mV/Dek., B=%.4g mV\n",
                               "  βa=%.4g mV/dec, βc=%.4g mV/dec, B=%.4g mV\n"};
inline constexpr TextPair kRpIcorr{"  icorr=B/Rp=%.6g µA\n", "  icorr=B/Rp=%.6g µA\n"};
// Area, Rp·A, icorr/A.
inline constexpr TextPair kRpArea{"  Fläche=%.6g cm²: Rp·A=%.6g Ω·cm², icorr/A=%.6g µA/cm²\n",
                                  "  area=%.6g cm²: Rp·A=%.6g Ω·cm², icorr/A=%.6g µA/cm²\n"};
// Equivalent weight, density, corrosion rate.
inline constexpr TextPair kRpRate{
    "  Äquivalentgewicht=%.6g g, Dichte=%.6g g/cm³: Korrosionsrate=%.4g mm/Jahr\n",
    "  equivalent weight=%.6g g, density=%.6g g/cm³: corrosion rate=%.4g mm/year\n"};

// The window's dialog of the Rp options: its button and title, the fields, the refusals.
inline constexpr TextPair kRpButton{"Rp …", "Rp …"};
inline constexpr TextPair kRpTitle{"Polarisationswiderstand", "Polarisation resistance"};
inline constexpr TextPair kRpFields[5] = {
    {"Band ± [mV]", "Band ± [mV]"},
    {"Elektrodenfläche [cm²]", "Electrode area [cm²]"},
    {"Äquivalentgewicht [g]", "Equivalent weight [g]"},
    {"Dichte [g/cm³]", "Density [g/cm³]"},
    {"Rs für die iR-Korrektur [Ω]", "Rs for the iR correction [Ω]"},
};
inline constexpr TextPair kRpCancel{"Abbrechen", "Cancel"};
inline constexpr TextPair kRpBadNumber{"%s: '%s' ist keine positive Zahl (leer: keine Angabe)",
                                       "%s: '%s' is not a positive number (empty: none)"};
inline constexpr TextPair kRpEwDensity{"Äquivalentgewicht und Dichte gehören zusammen.",
                                       "Equivalent weight and density go together."};
inline constexpr TextPair kRpRateArea{"Die Korrosionsrate braucht die Elektrodenfläche.",
                                      "The corrosion rate needs the electrode area."};

// Charge report: the heading word, then Q+, Q− and the total.
inline constexpr TextPair kCharge{"Ladungsmenge", "Charge"};
inline constexpr TextPair kTotal{"Gesamt", "Total"};
// The heading word, then the sign word ("Positiv" / "positive") and Q+.
inline constexpr const char* kChargeHeadFormat = "%s\n\n%s: %.2f %s\n";
// The sign word ("Negativ" / "negative") and Q-.
inline constexpr const char* kChargeNegativeFormat = "%s: %.2f %s\n";
inline constexpr TextPair kPositive{"Positiv", "positive"};
inline constexpr TextPair kNegative{"Negativ", "negative"};
inline constexpr const char* kChargeTotalFormat = "%s: %.2f %s";
inline constexpr const char* kChargeFieldFormat = "%.2f %s";
inline constexpr std::array<const char*, 7> kChargeUnits{"nQ", "µQ", "mQ", "Q", "kQ", "MQ", "TQ"};

}  // namespace qor::potentiostat::xytext
