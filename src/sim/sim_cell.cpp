#include "sim/sim_cell.h"

#include <algorithm>
#include <cmath>

namespace qor::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Beyond this many decades the exponential stops growing, so no value overflows.
constexpr double kMaxDecades = 250.0;

double Decades(double x)
{
    return std::pow(10.0, std::min(x, kMaxDecades));
}
}  // namespace

const char* CellParams::Check() const
{
    if (!(rsOhm >= 0.0 && rsOhm <= 1e9))
        return "the solution resistance must lie in 0 .. 1e9 Ohm";
    if (!(eCorrMv >= -12000.0 && eCorrMv <= 12000.0))
        return "the corrosion potential must lie in -12000 .. 12000 mV";
    if (!(iCorrUa > 0.0 && iCorrUa <= 1e6))
        return "the corrosion current must lie above 0 and up to 1e6 uA";
    if (!(betaAnodicMv >= 1.0 && betaAnodicMv <= 10000.0 && betaCathodicMv >= 1.0 &&
          betaCathodicMv <= 10000.0))
        return "the Tafel slopes must lie in 1 .. 10000 mV per decade";
    if (!(cdlUf >= 0.0 && cdlUf <= 1e6))
        return "the double-layer capacitance must lie in 0 .. 1e6 uF";
    if (!(currentNoise >= 0.0 && currentNoise < 1.0 && potentialNoiseMv >= 0.0 && potentialNoiseMv <= 1000.0))
        return "the noise must lie in 0 .. 1 (current) and 0 .. 1000 mV (potential)";
    if (!(cpeN >= 0.5 && cpeN <= 1.0))
        return "the double layer's exponent must lie in 0.5 .. 1";
    return "";
}

SimCell::SimCell(const CellParams& params, std::uint32_t seed) : m_p(params), m_rng(seed)
{
    Relax();
}

void SimCell::SetParams(const CellParams& params)
{
    m_p = params;
    m_currentA = 0.0;
    Relax();
}

double SimCell::FaradaicA(double v) const
{
    const double etaMv = v * 1000.0 - m_p.eCorrMv;
    return m_p.iCorrUa * 1e-6 * (Decades(etaMv / m_p.betaAnodicMv) - Decades(-etaMv / m_p.betaCathodicMv));
}

double SimCell::SlopeAPerV(double v) const
{
    const double etaMv = v * 1000.0 - m_p.eCorrMv;
    const double perV = std::log(10.0) * 1000.0;
    return m_p.iCorrUa * 1e-6 * perV *
           (Decades(etaMv / m_p.betaAnodicMv) / m_p.betaAnodicMv +
            Decades(-etaMv / m_p.betaCathodicMv) / m_p.betaCathodicMv);
}

double SimCell::ChargeTransferOhm(double interfaceMv) const
{
    return 1.0 / SlopeAPerV(interfaceMv / 1000.0);
}

std::complex<double> SimCell::ImpedanceOhm(double hz, double interfaceMv) const
{
    const double rct = ChargeTransferOhm(interfaceMv);
    const std::complex<double> jw(0.0, 2.0 * kPi * hz);
    return m_p.rsOhm + rct / (1.0 + rct * m_p.cdlUf * 1e-6 * std::pow(jw, m_p.cpeN));
}

double SimCell::Solve(double c, double e0, double k, double eApp, double iApp) const
{
    auto g = [&](double e) { return c * (e - e0) + k * (e - eApp) + FaradaicA(e) - iApp; };
    // g rises with e, so a bracket exists; widen it until it holds the root.
    const double corr = m_p.eCorrMv / 1000.0;
    double lo = std::min(e0, corr), hi = std::max(e0, corr);
    if (k > 0.0) {
        lo = std::min(lo, eApp);
        hi = std::max(hi, eApp);
    }
    for (double step = 0.01; g(lo) > 0.0 && lo > -1e6; step *= 2.0)
        lo -= step;
    for (double step = 0.01; g(hi) < 0.0 && hi < 1e6; step *= 2.0)
        hi += step;
    double e = std::clamp(e0, lo, hi);
    for (int i = 0; i < 200; ++i) {
        const double ge = g(e);
        if (ge == 0.0)
            break;
        (ge > 0.0 ? hi : lo) = e;
        double next = e - ge / (c + k + SlopeAPerV(e));
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);  // Newton left the bracket: bisect instead
        if (std::fabs(next - e) < 1e-13)
            return next;
        e = next;
    }
    return e;
}

double SimCell::HoldPotential(double appliedMv, double seconds)
{
    const double eApp = appliedMv / 1000.0;
    const double c = seconds > 0.0 ? m_p.cdlUf * 1e-6 / seconds : 0.0;
    const double e0 = m_interfaceV;
    if (m_p.rsOhm <= 0.0) {
        m_interfaceV = eApp;
        m_currentA = FaradaicA(eApp) + c * (eApp - e0);
    } else if (seconds <= 0.0) {
        m_currentA = (eApp - e0) / m_p.rsOhm;  // the double layer has no time to charge
    } else {
        m_interfaceV = Solve(c, e0, 1.0 / m_p.rsOhm, eApp, 0.0);
        m_currentA = (eApp - m_interfaceV) / m_p.rsOhm;
    }
    return CurrentUa();
}

double SimCell::HoldCurrent(double currentUa, double seconds)
{
    m_currentA = currentUa * 1e-6;
    if (seconds > 0.0 || m_p.cdlUf <= 0.0) {
        const double c = seconds > 0.0 ? m_p.cdlUf * 1e-6 / seconds : 0.0;
        m_interfaceV = Solve(c, m_interfaceV, 0.0, 0.0, m_currentA);
    }
    return ElectrodeMv();
}

double SimCell::Jitter(double relative)
{
    if (relative <= 0.0)
        return 1.0;
    std::uniform_real_distribution<double> d(-relative, relative);
    return 1.0 + d(m_rng);
}

double SimCell::MeasureCurrentUa(double ua)
{
    // A floor of 1 nA full noise keeps a zero current from reading as exactly zero.
    return ua + (Jitter(m_p.currentNoise) - 1.0) * (std::fabs(ua) + 0.001);
}

double SimCell::MeasurePotentialMv(double mv)
{
    if (m_p.potentialNoiseMv <= 0.0)
        return mv;
    std::uniform_real_distribution<double> d(-m_p.potentialNoiseMv, m_p.potentialNoiseMv);
    return mv + d(m_rng);
}

}  // namespace qor::sim
