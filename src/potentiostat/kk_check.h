#pragma once

#include "potentiostat/eis_fit.h"

#include <cstddef>
#include <vector>

namespace qor::potentiostat {

// The linear Kramers-Kronig check: the spectrum is fitted by a series resistance and M RC
// elements whose time constants lie log-spaced from 1/w_max to 1/w_min (w = 2 pi f), by
// linear least squares on the real and imaginary parts with modulus weighting. A spectrum
// that obeys causality and linearity is matched to the noise; points that do not stand out.
struct KKCheck {
    static constexpr double kDefaultThreshold = 0.01;  // 1 % of |Z|

    // Per point of the input, (Z - Z_KK) / |Z| of the real and of the imaginary part.
    std::vector<double> residualsReal, residualsImag;
    // Indexes (into the input) where either residual exceeds the threshold in magnitude.
    std::vector<std::size_t> flagged;
    std::size_t elements = 0;  // M, the RC elements used
    double mu = 0.0;           // the over-fit measure at that M (see docs/impedance.md)
    bool ok = false;           // false: fewer than 3 usable points; the lists are empty
};

// Points with a frequency or |Z| not above zero get residuals 0 and are not flagged.
KKCheck CheckKramersKronig(const std::vector<ImpedancePoint>& points,
                           double threshold = KKCheck::kDefaultThreshold);

}  // namespace qor::potentiostat
