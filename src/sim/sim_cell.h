#pragma once

#include <complex>
#include <cstdint>
#include <random>

namespace qor::sim {

// The simulated cell: solution resistance in series with a charge-transfer reaction
// (anodic and cathodic Tafel branches around the corrosion potential) in parallel with the
// double layer. Potentials in mV against the reference electrode, currents in µA.
struct CellParams {
    double rsOhm = 100.0;           // solution resistance
    double eCorrMv = -50.0;         // corrosion (rest) potential
    double iCorrUa = 0.5;           // corrosion current
    double betaAnodicMv = 80.0;     // anodic Tafel slope, mV per decade
    double betaCathodicMv = 120.0;  // cathodic Tafel slope, mV per decade
    double cdlUf = 20.0;            // double-layer capacitance
    double currentNoise = 0.002;    // relative noise of a measured current (and of |Z|)
    double potentialNoiseMv = 0.3;  // noise of a measured potential
    // Exponent of the double layer as a constant-phase element Q (j w)^n with Q = cdl, as real
    // electrodes show it in their spectra (1: a plain capacitor). Charging in time stays ideal.
    double cpeN = 1.0;

    // A complaint about the first value out of range, or empty.
    const char* Check() const;
};

class SimCell {
public:
    explicit SimCell(const CellParams& params = {}, std::uint32_t seed = 1);

    const CellParams& Params() const { return m_p; }
    // New parameters; the cell starts again at rest.
    void SetParams(const CellParams& params);

    // Charge-transfer resistance at an interface potential (the IR-free electrode potential):
    // the inverse slope of the charge-transfer current.
    double ChargeTransferOhm(double interfaceMv) const;
    // Randles impedance at `hz` around an interface potential (the double layer a CPE).
    std::complex<double> ImpedanceOhm(double hz, double interfaceMv) const;

    // The cell driven for `seconds` (implicit Euler, so any step is stable). Potentiostatic:
    // returns the current; galvanostatic: returns the electrode potential including I Rs.
    double HoldPotential(double appliedMv, double seconds);
    double HoldCurrent(double currentUa, double seconds);
    void Relax() { m_interfaceV = m_p.eCorrMv / 1000.0; }

    double InterfaceMv() const { return m_interfaceV * 1000.0; }
    double CurrentUa() const { return m_currentA * 1e6; }
    double ElectrodeMv() const { return (m_interfaceV + m_currentA * m_p.rsOhm) * 1000.0; }

    // A measured reading: the true value with the cell's noise on it.
    double MeasureCurrentUa(double ua);
    double MeasurePotentialMv(double mv);
    double Jitter(double relative);  // 1 + a relative error of up to `relative`

private:
    double FaradaicA(double v) const;
    double SlopeAPerV(double v) const;
    // Solves c (E - E0) + k (E - Eapp) + i(E) - Iapp = 0 for the interface potential E.
    double Solve(double c, double e0, double k, double eApp, double iApp) const;

    CellParams m_p;
    double m_interfaceV;
    double m_currentA = 0.0;
    std::mt19937 m_rng;
};

}  // namespace qor::sim
