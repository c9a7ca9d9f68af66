#pragma once

#include "data/eis_daten_object.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qor::potentiostat {

// One spectrum: the impedance points one run of one program step produced. A program may
// hold several EIS steps, or run one again in a later pass; their points sit one after the
// other in the document's list and must never be analysed or drawn as one sweep.
struct SpectrumRange {
    std::size_t first = 0;  // index of its first point in the list
    std::size_t count = 0;
    std::uint8_t step = 0;  // the step number (m_flag1)
    double fMin = 0.0, fMax = 0.0;

    std::size_t end() const { return first + count; }
};

// The spectra of the list in arrival order: a new one starts where the step number changes
// or a frequency of the spectrum comes again (the same step run again in a later pass).
std::vector<SpectrumRange> Spectra(const std::vector<data::CEISDatenObject>& list);

// The points of one spectrum.
std::vector<data::CEISDatenObject> SpectrumPoints(const std::vector<data::CEISDatenObject>& list,
                                                  const SpectrumRange& s);

// "Spektrum 2: Schritt 3, 21 Punkte, 1 … 10000 Hz" (`number` counted from 1; UTF-8).
std::string SpectrumLabel(const SpectrumRange& s, std::size_t number, int lang);

}  // namespace qor::potentiostat
