#pragma once

#include "potentiostat/eis_fit.h"

#include <cstddef>
#include <vector>

namespace qor::potentiostat {

// The linear Kramers-Kronig check: the spectrum is fitted by a series resistance and M RC
// elements whose time constants lie log-spaced from 1/w_max to 1/w_min (w = 2 pi f), and a
// series capacitance and inductance where they help, by linear least squares on the real and
// imaginary parts with modulus weighting. A spectrum that obeys causality and linearity is
// matched to the noise; points that do not stand out from what the others predict.
struct KKCheck {
    // The smallest deviation ever flagged: 1 % of |Z|.
    static constexpr double kDefaultThreshold = 0.01;

    // Per point of the input, (Z - Z_KK) / |Z| of the real and of the imaginary part, against
    // the fit of the sound points (for a flagged point: against what they predict there).
    std::vector<double> residualsReal, residualsImag;
    // Indexes (into the input, rising) of the points that deviate beyond the noise.
    std::vector<std::size_t> flagged;
    std::size_t elements = 0;  // M, the RC elements used
    double mu = 0.0;           // the over-fit measure at that M (see docs/impedance.md)
    double noise = 0.0;        // the relative residual noise of the sound points
    // About the deviation beyond which a point is flagged: four times the noise, at least the
    // floor given (it is larger where the model follows a point easily, at the ends).
    double threshold = 0.0;
    bool ok = false;  // false: fewer than 3 usable points; the lists are empty
};

// Points with a frequency or |Z| not above zero get residuals 0 and are not flagged.
// `threshold` is the floor: a smaller deviation is never flagged, however low the noise.
KKCheck CheckKramersKronig(const std::vector<ImpedancePoint>& points,
                           double threshold = KKCheck::kDefaultThreshold);

}  // namespace qor::potentiostat
