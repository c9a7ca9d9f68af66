#include "potentiostat/eis_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <unsupported/Eigen/LevenbergMarquardt>

namespace qor::potentiostat {
namespace {

using cd = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr std::size_t kMaxParams = 5;  // Rs, Rct, Q, n, sigma in this order

std::array<double, kMaxParams> AsArray(const CircuitParameters& p)
{
    return {p.rs, p.rct, p.q, p.n, p.sigma};
}

CircuitParameters FromArray(const std::array<double, kMaxParams>& a)
{
    return {a[0], a[1], a[2], a[3], a[4]};
}

bool Usable(const ImpedancePoint& p)
{
    return std::isfinite(p.hz) && p.hz > 0.0 && std::isfinite(p.z.real()) && std::isfinite(p.z.imag()) &&
           std::abs(p.z) > 0.0;
}

// What the model needs of a frequency, worked out once per fit.
struct Frequency {
    explicit Frequency(double hz)
        : w(2.0 * kPi * hz), logW(std::log(w)), warburg(cd(1.0, -1.0) / std::sqrt(w))
    {
    }
    double w, logW;
    cd warburg;  // (1 - j) / sqrt(w)
};

// 1 / z without the overflow guards of the library's complex division: the model's values
// stay far from the limits of a double.
cd Inverse(cd z)
{
    const double d = 1.0 / std::norm(z);
    return {z.real() * d, -z.imag() * d};
}

// The model and its derivatives by each parameter (in the order of AsArray); `rotation` is
// e^(j n pi/2), the phase of (jw)^n, the same for every frequency.
cd Model(Circuit c, const CircuitParameters& p, const Frequency& f, cd rotation,
         std::array<cd, kMaxParams>* d)
{
    const cd cpe = std::exp(p.n * f.logW) * rotation;  // (jw)^n
    const cd branch = c == Circuit::RandlesW ? p.rct + p.sigma * f.warburg : cd(p.rct);
    const cd inverseBranch = Inverse(branch);
    const cd inverseY = Inverse(p.q * cpe + inverseBranch);
    if (d) {
        const cd dzdy = -inverseY * inverseY;
        const cd dzdBranch = -dzdy * inverseBranch * inverseBranch;
        (*d)[0] = 1.0;
        (*d)[1] = dzdBranch;
        (*d)[2] = dzdy * cpe;
        (*d)[3] = dzdy * p.q * cpe * cd(f.logW, kPi / 2.0);
        (*d)[4] = c == Circuit::RandlesW ? dzdBranch * f.warburg : cd(0.0);
    }
    return p.rs + inverseY;
}

cd Rotation(double n)
{
    return std::polar(1.0, n * kPi / 2.0);
}

// The weighted residuals over the log-parameters, for Eigen's Levenberg-Marquardt.
struct Residuals : Eigen::DenseFunctor<double> {
    struct Point {
        Frequency f;
        cd z;
        double weight;  // 1 / |Z|
    };
    std::vector<Point> pts;
    Circuit circuit;

    Residuals(const std::vector<ImpedancePoint>& points, Circuit c)
        : DenseFunctor(static_cast<int>(ParameterCount(c)), static_cast<int>(2 * points.size())), circuit(c)
    {
        pts.reserve(points.size());
        for (const auto& p : points)
            pts.push_back({Frequency(p.hz), p.z, 1.0 / std::abs(p.z)});
    }

    CircuitParameters Params(const InputType& x) const
    {
        std::array<double, kMaxParams> a{0.0, 0.0, 0.0, 1.0, 0.0};
        for (Eigen::Index k = 0; k < x.size(); ++k)
            a[static_cast<std::size_t>(k)] = std::exp(x[k]);
        return FromArray(a);
    }

    int operator()(const InputType& x, ValueType& out) const
    {
        const CircuitParameters p = Params(x);
        const cd rotation = Rotation(p.n);
        const auto n = static_cast<Eigen::Index>(pts.size());
        for (Eigen::Index i = 0; i < n; ++i) {
            const Point& m = pts[static_cast<std::size_t>(i)];
            const cd r = (Model(circuit, p, m.f, rotation, nullptr) - m.z) * m.weight;
            out[i] = r.real();
            out[n + i] = r.imag();
        }
        return 0;
    }

    // d r / d ln(p) = d r / d p * p
    int df(const InputType& x, JacobianType& jac) const
    {
        const CircuitParameters p = Params(x);
        const cd rotation = Rotation(p.n);
        const auto a = AsArray(p);
        const auto n = static_cast<Eigen::Index>(pts.size());
        std::array<cd, kMaxParams> d;
        for (Eigen::Index i = 0; i < n; ++i) {
            const Point& m = pts[static_cast<std::size_t>(i)];
            Model(circuit, p, m.f, rotation, &d);
            for (Eigen::Index k = 0; k < x.size(); ++k) {
                const cd g = d[static_cast<std::size_t>(k)] * a[static_cast<std::size_t>(k)] * m.weight;
                jac(i, k) = g.real();
                jac(n + i, k) = g.imag();
            }
        }
        return 0;
    }
};

// Index of the highest -Z'' among the points that top both neighbours (the arc's apex);
// the highest point overall when no point does.
std::size_t Apex(const std::vector<ImpedancePoint>& byFrequency)
{
    auto height = [&](std::size_t i) { return -byFrequency[i].z.imag(); };
    std::size_t best = 0;
    bool found = false;
    for (std::size_t i = 1; i + 1 < byFrequency.size(); ++i)
        if (height(i) >= height(i - 1) && height(i) >= height(i + 1) &&
            (!found || height(i) > height(best))) {
            best = i;
            found = true;
        }
    if (!found)
        for (std::size_t i = 1; i < byFrequency.size(); ++i)
            if (height(i) > height(best))
                best = i;
    return best;
}

std::vector<ImpedancePoint> UsablePoints(const std::vector<ImpedancePoint>& points)
{
    std::vector<ImpedancePoint> out;
    std::copy_if(points.begin(), points.end(), std::back_inserter(out), Usable);
    return out;
}

// The solver and the standard errors for a circuit of NP parameters (sized at compile time
// for the small matrices of the covariance).
template <int NP> void Solve(const std::vector<ImpedancePoint>& pts, Circuit circuit, CircuitFit& fit)
{
    Residuals f(pts, circuit);
    const auto start = AsArray(fit.start);
    Eigen::VectorXd x(NP);
    for (Eigen::Index k = 0; k < x.size(); ++k)
        x[k] = std::log(start[static_cast<std::size_t>(k)]);
    Eigen::LevenbergMarquardt<Residuals> lm(f);
    lm.setFtol(1e-12);
    lm.setXtol(1e-12);
    lm.setGtol(0.0);
    lm.setMaxfev(2000);
    const auto info = lm.minimize(x);
    fit.iterations = static_cast<int>(lm.nfev());
    fit.value = f.Params(x);

    using namespace Eigen::LevenbergMarquardtSpace;
    const bool settled =
        info != ImproperInputParameters && info != TooManyFunctionEvaluation && info != UserAsked;
    Eigen::VectorXd r(f.values());
    f(x, r);
    fit.chi2 = r.squaredNorm();
    if (!settled || !x.allFinite() || !std::isfinite(fit.chi2)) {
        fit.status = CircuitFit::NoConvergence;
        return;
    }
    fit.status = CircuitFit::Ok;

    // Covariance of the log-parameters; to first order se(p) = p se(ln p). Columns are
    // scaled to unit length first so that parameters of very different size stay accurate.
    Eigen::MatrixXd jac(f.values(), NP);
    f.df(x, jac);
    const Eigen::Matrix<double, NP, 1> norms = jac.colwise().norm().transpose();
    std::array<double, kMaxParams> se{};
    se.fill(std::numeric_limits<double>::infinity());
    if ((norms.array() > 0.0).all()) {
        const Eigen::MatrixXd js = jac * norms.cwiseInverse().asDiagonal();
        const Eigen::LDLT<Eigen::Matrix<double, NP, NP>> ldlt(js.transpose() * js);
        const double s2 = fit.chi2 / static_cast<double>(2 * pts.size() - NP);
        const Eigen::Matrix<double, NP, NP> inv = ldlt.solve(Eigen::Matrix<double, NP, NP>::Identity());
        if (ldlt.info() == Eigen::Success && ldlt.isPositive() && inv.allFinite() &&
            ldlt.vectorD().minCoeff() > 1e-14 * ldlt.vectorD().maxCoeff()) {
            const auto value = AsArray(fit.value);
            for (std::size_t k = 0; k < NP; ++k) {
                const auto kk = static_cast<Eigen::Index>(k);
                se[k] = value[k] * std::sqrt(s2 * inv(kk, kk)) / norms[kk];
            }
        }
    }
    se[4] = circuit == Circuit::RandlesW ? se[4] : 0.0;
    fit.standardError = FromArray(se);
}

}  // namespace

ImpedancePoint ToImpedance(const data::CEISDatenObject& p)
{
    return {double{p.m_val1}, std::polar(double{p.m_val3}, double{p.m_val2} * kPi / 180.0)};
}

std::vector<ImpedancePoint> ToImpedance(const std::vector<data::CEISDatenObject>& list)
{
    std::vector<ImpedancePoint> out;
    out.reserve(list.size());
    for (const auto& p : list)
        out.push_back(ToImpedance(p));
    return out;
}

std::vector<NyquistPoint> NyquistPoints(const std::vector<ImpedancePoint>& points)
{
    std::vector<NyquistPoint> out;
    out.reserve(points.size());
    for (const auto& p : points)
        out.push_back({p.z.real(), -p.z.imag()});
    return out;
}

const char* CircuitName(Circuit c)
{
    return c == Circuit::RandlesW ? "randles-w" : "randles";
}

std::optional<Circuit> CircuitFromName(std::string_view name)
{
    if (name == "randles")
        return Circuit::Randles;
    if (name == "randles-w")
        return Circuit::RandlesW;
    return std::nullopt;
}

std::size_t ParameterCount(Circuit c)
{
    return c == Circuit::RandlesW ? 5 : 4;
}

std::complex<double> CircuitImpedance(Circuit c, const CircuitParameters& p, double hz)
{
    return Model(c, p, Frequency(hz), Rotation(p.n), nullptr);
}

CircuitParameters StartValues(const std::vector<ImpedancePoint>& points, Circuit circuit)
{
    std::vector<ImpedancePoint> pts = UsablePoints(points);
    CircuitParameters s;
    s.n = 0.9;
    if (pts.empty())
        return s;
    std::sort(pts.begin(), pts.end(), [](const auto& a, const auto& b) { return a.hz < b.hz; });
    double maxAbs = 0.0;
    for (const auto& p : pts)
        maxAbs = std::max(maxAbs, std::abs(p.z));
    const double floor = 1e-3 * maxAbs;
    // The arc starts at Rs at high frequencies and ends at Rs + Rct at low ones.
    s.rs = std::max(pts.back().z.real(), floor);
    const ImpedancePoint& low = pts.front();
    const double wLow = 2.0 * kPi * low.hz;
    double rest = low.z.real() - s.rs;
    if (rest <= floor)
        rest = std::max(maxAbs - s.rs, floor);
    if (circuit == Circuit::RandlesW) {
        // At the lowest frequency the Warburg branch dominates: -Z'' ~ sigma / sqrt(w). Half of
        // the real part beyond Rs stays for Rct at least.
        const double sigma = std::max(-low.z.imag(), 0.0) * std::sqrt(wLow);
        s.sigma = std::clamp(sigma, 1e-3 * rest * std::sqrt(wLow), 0.5 * rest * std::sqrt(wLow));
        rest -= s.sigma / std::sqrt(wLow);
    }
    s.rct = rest;
    // The apex of a parallel R-CPE lies where Rct Q w^n = 1.
    const double wApex = 2.0 * kPi * pts[Apex(pts)].hz;
    s.q = 1.0 / (s.rct * std::pow(wApex, s.n));
    return s;
}

CircuitFit FitCircuit(const std::vector<ImpedancePoint>& points, Circuit circuit)
{
    CircuitFit fit;
    fit.circuit = circuit;
    const std::vector<ImpedancePoint> pts = UsablePoints(points);
    fit.points = pts.size();
    const std::size_t np = ParameterCount(circuit);
    if (pts.empty()) {
        fit.status = CircuitFit::NoPoints;
        return fit;
    }
    if (pts.size() < np) {
        fit.status = CircuitFit::TooFewPoints;
        return fit;
    }
    fit.start = StartValues(pts, circuit);

    if (circuit == Circuit::RandlesW)
        Solve<5>(pts, circuit, fit);
    else
        Solve<4>(pts, circuit, fit);
    return fit;
}

}  // namespace qor::potentiostat
