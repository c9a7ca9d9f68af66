#pragma once

#include "data/eis_daten_object.h"

#include <string>
#include <vector>

namespace qor::cli {

struct Parsed;

// The spectrum a command works on (see potentiostat::Spectra).
struct SpectrumChoice {
    std::vector<data::CEISDatenObject> points;
    std::size_t offset = 0;  // index of its first point in the document's list
    std::size_t number = 0;  // 1 = the first; 0: the whole list
};

// `spectrum` is the text of --spectrum N (1 = the first) or empty; `all` takes the whole list.
// Without either, a list of more than one spectrum is refused with a message listing them
// (exit code 2, as a wrong option); so is a number that names none.
int ChooseSpectrum(const std::vector<data::CEISDatenObject>& list, const std::string& path,
                   const std::string& spectrum, bool all, int lang, SpectrumChoice& out);
// The same after reading the document at `path` (a file that cannot be read: 2).
int ReadSpectrum(const std::string& path, const std::string& spectrum, bool all, int lang,
                 SpectrumChoice& out);

// qortool eis plot: the impedance window's Bode plot (or its Nyquist view) as a picture.
int RunEisPlot(const Parsed& p);

}  // namespace qor::cli
