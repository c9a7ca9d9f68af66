#pragma once

#include "data/pot_qor_daten_object.h"

#include <string>
#include <vector>

namespace qor::potentiostat {

// The run window's two diagnostic harmonic analyses of the stored samples. Both work on
// blocks of 200 consecutive samples (a trailing partial block is dropped), transform 128
// samples of the voltage and of the current series of each block and return the text as
// it is written to its file: "\n\r" line ends, every "." turned into ",".

// "Analyse DFT" (file "eis_daten.txt"): direct transform of samples 10 … 137 of a block,
// bins 0 … 3; per block the bin-1 magnitudes and phases of U and I, then the impedance
// from the magnitudes less the means, and the phase difference.
std::string DftAnalysisText(const std::vector<data::CPotQORDatenObject>& list);

// "Analyse FFT" (file "eis_fftdaten.txt"): radix-2 transform of samples 5 … 132 of a
// block; per block bin-0 and bin-1 magnitudes and bin-1 phases of U and I, then the
// impedance and the phase difference.
std::string FftAnalysisText(const std::vector<data::CPotQORDatenObject>& list);

}  // namespace qor::potentiostat
