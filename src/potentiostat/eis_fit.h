#pragma once

#include "data/eis_daten_object.h"
#include "potentiostat/eis_circuit.h"

#include <complex>
#include <cstddef>
#include <optional>
#include <string>
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

// The fitted circuit, its parameters with their standard errors and what they mean.
struct CircuitFit {
    enum Status {
        Ok,
        NoPoints,       // the spectrum holds no point with a frequency and |Z| above zero
        TooFewPoints,   // fewer usable points than the circuit has parameters
        NoConvergence,  // the solver gave up before the fit settled
        BadCircuit      // the circuit string did not parse; `error` says why
    };
    Status status = NoPoints;
    std::string error;
    CircuitModel circuit;
    // In the order of circuit.Parameters().
    std::vector<double> value;
    // One standard error per parameter, from cov = s^2 (J^T J)^-1 with J = d r / d p at the
    // solution and s^2 the reduced chi2; infinite when the spectrum does not determine it.
    std::vector<double> standardError;
    // cov_ij / sqrt(cov_ii cov_jj), row by row; NaN where a parameter is not determined.
    std::vector<std::vector<double>> correlation;
    std::vector<double> start;  // the start values the best fit came from
    std::vector<CircuitModel::EffectiveCapacitance> effectiveCapacitance;
    double chi2 = 0.0;         // sum of the squared weighted residuals
    double reducedChi2 = 0.0;  // chi2 / (2 N - p)
    // The relative noise of the spectrum, from the Kramers-Kronig check's residuals: what
    // sqrt(reducedChi2) comes to when the circuit describes the cell.
    double noise = 0.0;
    // sqrt(reducedChi2) above kPoorFactor times the noise (at least kNoiseFloor): the circuit
    // misses the data by more than the data scatter.
    bool poor = false;
    std::size_t points = 0;  // usable points fitted
    int iterations = 0;      // model evaluations the solver needed
    // (Z_meas - Z_fit) / |Z_meas| of the real and imaginary parts at each usable point.
    std::vector<double> residualHz, residualReal, residualImag;

    static constexpr double kPoorFactor = 3.0;
    static constexpr double kNoiseFloor = 1e-3;

    bool ok() const { return status == Ok; }
    // The fitted model at any frequency, for drawing it over the data.
    std::complex<double> Impedance(double hz) const { return circuit.Impedance(value, hz); }
};

// Complex non-linear least squares, modulus weighted: the residuals are
// (Z_model - Z_meas) / |Z_meas|, real and imaginary parts stacked. Points with a frequency or
// |Z| not above zero (or not finite) are left out. Parameters are fitted as logarithms, so
// they stay positive, and a CPE's n as sin^2 of a free variable, so it stays within 0..1.
// A circuit with several parallel blocks is started from each order of their time constants
// and the best fit kept.
// The fit is judged against the spectrum's noise: `noise` when given (relative, as
// KKCheck::noise), else the Kramers-Kronig check is run on the points for it.
CircuitFit FitCircuit(const std::vector<ImpedancePoint>& points, const CircuitModel& circuit,
                      std::optional<double> noise = std::nullopt);

}  // namespace qor::potentiostat
