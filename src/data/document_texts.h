#pragma once

#include "common/text.h"

// Texts more than one part of the document shows.
namespace qor::data::doctext {

inline constexpr TextPair kWriteError = {"Fehler beim Schreiben der Datei %s: %s",
                                         "Error while writing the file %s: %s"};
inline constexpr TextPair kReadOnlyFile = {"schreibgeschützte Datei", "the file is read-only"};

}  // namespace qor::data::doctext
