#pragma once

#include "data/eis_daten_object.h"

#include <complex>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace qor::potentiostat {

// One impedance point as the analyses use it: frequency in Hz and Z = Z' + j Z'' in ohms.
struct ImpedancePoint {
    double hz = 0.0;
    std::complex<double> z;
};

// The stored point (frequency, phase in degrees, |Z|) as Z' = |Z| cos(phase),
// Z'' = |Z| sin(phase): a capacitive cell has a negative phase and a negative Z''.
ImpedancePoint ToImpedance(const data::CEISDatenObject& p);
std::vector<ImpedancePoint> ToImpedance(const std::vector<data::CEISDatenObject>& list);

// A point of the Nyquist plot: x = Z', y = -Z'' (capacitive arcs above the axis).
struct NyquistPoint {
    double x = 0.0, y = 0.0;
};
std::vector<NyquistPoint> NyquistPoints(const std::vector<ImpedancePoint>& points);

// The equivalent circuits the fit knows.
//   Randles:   Z = Rs + 1 / (Q (jw)^n + 1 / Rct)
//   RandlesW:  Z = Rs + 1 / (Q (jw)^n + 1 / (Rct + Zw)),  Zw = sigma (1 - j) / sqrt(w)
// with w = 2 pi f: the constant phase element (Q in S s^n, 0 < n <= 1 for a real interface,
// n = 1 a pure capacitance) parallel to the charge transfer, the semi-infinite Warburg
// diffusion in series with Rct inside that branch.
enum class Circuit { Randles, RandlesW };

// "randles" or "randles-w".
const char* CircuitName(Circuit c);
std::optional<Circuit> CircuitFromName(std::string_view name);
// Rs, Rct, Q, n (and sigma): 4 or 5.
std::size_t ParameterCount(Circuit c);

struct CircuitParameters {
    double rs = 0.0;     // ohm
    double rct = 0.0;    // ohm
    double q = 0.0;      // S s^n
    double n = 1.0;      // CPE exponent
    double sigma = 0.0;  // ohm s^-1/2; used by RandlesW only
};

// The circuit's impedance at `hz`.
std::complex<double> CircuitImpedance(Circuit c, const CircuitParameters& p, double hz);

struct CircuitFit {
    enum Status {
        Ok,
        NoPoints,      // the spectrum holds no point with a frequency and |Z| above zero
        TooFewPoints,  // fewer usable points than the circuit has parameters
        NoConvergence  // the solver gave up before the fit settled
    };
    Status status = NoPoints;
    Circuit circuit = Circuit::Randles;
    CircuitParameters value;
    // One standard error per parameter, from cov = s^2 (J^T J)^-1 at the solution with
    // s^2 = chi2 / (2 N - p); infinite when the spectrum does not determine the parameter.
    CircuitParameters standardError;
    CircuitParameters start;  // the automatic start values
    double chi2 = 0.0;        // sum of the squared weighted residuals
    std::size_t points = 0;   // usable points fitted
    int iterations = 0;       // model evaluations the solver needed

    bool ok() const { return status == Ok; }
    // The fitted model at any frequency, for drawing it over the data.
    std::complex<double> Impedance(double hz) const { return CircuitImpedance(circuit, value, hz); }
};

// Complex non-linear least squares, modulus weighted: the residuals are
// (Z_model - Z_meas) / |Z_meas|, real and imaginary parts stacked. Points with a frequency or
// |Z| not above zero (or not finite) are left out. All parameters are fitted as logarithms,
// so they stay positive.
CircuitFit FitCircuit(const std::vector<ImpedancePoint>& points, Circuit circuit);

// The start values the fit takes from the data (see docs/impedance.md).
CircuitParameters StartValues(const std::vector<ImpedancePoint>& points, Circuit circuit);

}  // namespace qor::potentiostat
