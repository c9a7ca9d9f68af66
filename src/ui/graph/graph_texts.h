#pragma once

#include "common/text.h"

namespace qor::ui::graph_texts {

inline constexpr TextPair kClearQuestion{"Wollen Sie wirklich alle Garfiktexte löschen?",
                                         "Do you want delete all graphic text?"};
inline constexpr TextPair kSelectTitle{"Graphauswahl", "Curve selection"};
inline constexpr TextPair kSelectAll{"Alle Auswählen", "Select all"};
inline constexpr TextPair kSelectNone{"Keinen Auswählen", "Select none"};
inline constexpr TextPair kNotAvailable{"nicht Aufgezeichnet", "not available"};
inline constexpr TextPair kXAxis{"X-Achse", "X-Axis"};
inline constexpr TextPair kYAxis{"Y-Achse", "Y-Axis"};
inline constexpr TextPair kInput{"Eingabe", "Input"};
inline constexpr TextPair kUnit{"Einheit", "Unit"};
inline constexpr TextPair kPrecision{"Genauigkeit", "Precision"};
inline constexpr TextPair kColour{"Farbe", "Color"};
inline constexpr TextPair kHide{"Aus", "Hide"};
inline constexpr TextPair kOn{"An", "On"};
inline constexpr TextPair kShowAll{"Alle An", "Show all"};
inline constexpr TextPair kGraphics{"Grafik", "Graphics"};
inline constexpr TextPair kTitle{"Titel", "Title"};
inline constexpr TextPair kProperties{"Eigenschaften", "Properties"};
inline constexpr TextPair kGraphText{"Grafiktext", "Text in graphic"};
inline constexpr TextPair kEditText{"Editieren", "Edit"};
inline constexpr TextPair kClearText{"Text löschen", "Clear text"};
inline constexpr TextPair kFit{"Zoom Seite", "Zoom page"};
inline constexpr TextPair kZoomIn{"Vergrößern", "Enlarge"};
inline constexpr TextPair kZoomOut{"Verkleinern", "Reduce"};
inline constexpr TextPair kZoomOutX{"Verkleinern (nur X)", "Reduce X only"};
inline constexpr TextPair kRedraw{"Neuzeichnen", "Redraw"};
inline constexpr TextPair kZoomRect{"Ausschnitt vergrößern", "Enlarge section"};
inline constexpr TextPair kLeft{"Links", "Left"};
inline constexpr TextPair kRight{"Rechts", "Right"};
inline constexpr TextPair kUp{"Auf", "Up"};
inline constexpr TextPair kDown{"Ab", "Down"};
inline constexpr TextPair kSelection{"Auswahl", "Selection"};
inline constexpr TextPair kScroll{"Bildlauf", "Scroll"};
inline constexpr TextPair kCancel{"Abbrechen", "Cancel"};
inline constexpr TextPair kPoint{"Punkt", "Point"};
inline constexpr TextPair kTime{"Zeit", "Time"};

}  // namespace qor::ui::graph_texts
