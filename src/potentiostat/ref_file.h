#pragma once

#include "data/pot_qor_daten_object.h"
#include "data/pot_ref_daten_object.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qor::potentiostat {

// Reference curves (.ref): one CPotRefDatenObject per potentiostat sample, written as one
// list of the document's object stream.

// One reference point per sample: one entry with the range byte, I (µA), U and Us (mV),
// stamped `now`.
std::vector<data::CPotRefDatenObject> ReferenceList(const std::vector<data::CPotQORDatenObject>& samples,
                                                    std::int64_t now);
// The file's bytes.
std::vector<std::uint8_t> ReferenceFileBytes(const std::vector<data::CPotRefDatenObject>& list);
// True for a name with the extension "ref" (any case).
bool IsReferenceFileName(const std::string& path);

// Writes the samples as a reference file. Empty when written, else the message to show
// ("keine Daten vorhanden." without samples; nothing is written then).
std::string SaveReferenceFile(const std::string& path, const std::vector<data::CPotQORDatenObject>& samples,
                              std::int64_t now, int language);
// Reads a reference file. Empty when read (`list` replaced), else the message to show
// (`list` unchanged). The file holds no sample to take a format version from: it is read
// as version 3.
std::string LoadReferenceFile(const std::string& path, std::vector<data::CPotRefDatenObject>& list,
                              int language);

}  // namespace qor::potentiostat
