#include "potentiostat/kk_check.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace qor::potentiostat {
namespace {

// Below this relative residual a fit counts as exact: the floats a point is stored in carry
// about seven digits, and the linear model itself matches a CPE arc to about this.
constexpr double kNoiseFloor = 2e-4;
// A point is flagged when its deviation from what the others predict exceeds this many
// standard deviations (of a chi-square with two degrees of freedom, so sqrt of 16).
constexpr double kSigmas = 4.0;

struct Usable {
    std::size_t index;  // into the input
    double w;
    std::complex<double> z;
};

// The linear model: R0, M RC elements with fixed time constants, optionally a series
// capacitance (as 1/C) and an inductance.
struct Model {
    std::size_t m = 1;
    bool capacitance = false, inductance = false;
    std::vector<double> taus;

    Eigen::Index Columns() const
    {
        return static_cast<Eigen::Index>(1 + m + (capacitance ? 1 : 0) + (inductance ? 1 : 0));
    }
    bool operator==(const Model& o) const
    {
        return m == o.m && capacitance == o.capacitance && inductance == o.inductance;
    }
};

Model MakeModel(std::size_t m, bool c, bool l, double tauMin, double tauMax)
{
    Model model{m, c, l, std::vector<double>(m, tauMin)};
    for (std::size_t k = 0; k < m && m > 1; ++k)
        model.taus[k] =
            tauMin * std::pow(tauMax / tauMin, static_cast<double>(k) / static_cast<double>(m - 1));
    return model;
}

// The weighted rows (real parts, then imaginary parts) of points `pts` and their targets.
void Rows(const Model& model, const std::vector<Usable>& pts, Eigen::MatrixXd& a, Eigen::VectorXd& b)
{
    const auto n = static_cast<Eigen::Index>(pts.size());
    a = Eigen::MatrixXd::Zero(2 * n, model.Columns());
    b.resize(2 * n);
    for (Eigen::Index i = 0; i < n; ++i) {
        const Usable& p = pts[static_cast<std::size_t>(i)];
        const double weight = 1.0 / std::abs(p.z);
        a(i, 0) = weight;
        Eigen::Index col = 1;
        for (double tau : model.taus) {
            const double wt = p.w * tau, den = 1.0 + wt * wt;
            a(i, col) = weight / den;
            a(n + i, col++) = -weight * wt / den;
        }
        if (model.capacitance)
            a(n + i, col++) = -weight / p.w;
        if (model.inductance)
            a(n + i, col++) = weight * p.w;
        b[i] = p.z.real() * weight;
        b[n + i] = p.z.imag() * weight;
    }
}

std::complex<double> At(const Model& model, const Eigen::VectorXd& x, double w)
{
    std::complex<double> z(x[0], 0.0);
    Eigen::Index col = 1;
    for (double tau : model.taus)
        z += x[col++] / std::complex<double>(1.0, w * tau);
    if (model.capacitance)
        z += std::complex<double>(0.0, -x[col++] / w);
    if (model.inductance)
        z += std::complex<double>(0.0, x[col++] * w);
    return z;
}

// The model that describes the points best for its size (the Bayesian information
// criterion). The sum of squares leaves out the worst few points, so that an outlier does not
// buy itself the elements or the inductance that would hide it.
Model ChooseModel(const std::vector<Usable>& pts, double tauMin, double tauMax)
{
    const std::size_t n = pts.size(), trim = std::max<std::size_t>(1, n / 20);
    const double rows = 2.0 * static_cast<double>(n);
    Model best;
    double bestScore = HUGE_VAL;
    Eigen::MatrixXd a;
    Eigen::VectorXd b;
    for (const bool c : {false, true})
        for (const bool l : {false, true}) {
            double localBest = HUGE_VAL;
            for (std::size_t m = 1, bestM = 1; m <= std::max<std::size_t>(1, n / 2); ++m) {
                const Model model = MakeModel(m, c, l, tauMin, tauMax);
                // The criterion has one minimum in M: well past it, more elements only fit noise.
                if (static_cast<double>(model.Columns()) >= rows || m > bestM + 8)
                    break;
                Rows(model, pts, a, b);
                const Eigen::VectorXd r = b - a * a.colPivHouseholderQr().solve(b);
                std::vector<double> pair(n);
                for (std::size_t i = 0; i < n; ++i)
                    pair[i] = r[static_cast<Eigen::Index>(i)] * r[static_cast<Eigen::Index>(i)] +
                              r[static_cast<Eigen::Index>(n + i)] * r[static_cast<Eigen::Index>(n + i)];
                std::sort(pair.begin(), pair.end());
                double ssr = 0.0;
                for (std::size_t i = 0; i + trim < n; ++i)
                    ssr += pair[i];
                ssr = ssr * static_cast<double>(n) / static_cast<double>(n - trim) +
                      rows * kNoiseFloor * kNoiseFloor;
                const double score =
                    rows * std::log(ssr / rows) + static_cast<double>(model.Columns()) * std::log(rows);
                if (score < localBest) {
                    localBest = score;
                    bestM = m;
                }
                if (score < bestScore) {
                    bestScore = score;
                    best = model;
                }
            }
        }
    return best;
}

struct Detection {
    std::vector<bool> kept;
    Eigen::VectorXd x;
    double noise = kNoiseFloor;
};

// Takes out, one at a time, the point whose removal lowers the sum of squares most, while
// that drop is beyond kSigmas standard deviations and the point's deviation from what the
// others predict exceeds `floor`. The drop, e (I - H_ii)^-1 e with the 2 x 2 block of the hat
// matrix, weighs in how freely the model could follow the point, so an error at an end of the
// spectrum is laid on that point and not on its neighbour.
Detection Detect(const std::vector<Usable>& pts, const Model& model, double floor)
{
    Detection d;
    d.kept.assign(pts.size(), true);
    Eigen::MatrixXd a;
    Eigen::VectorXd b;
    for (;;) {
        std::vector<Usable> sub;
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < pts.size(); ++i)
            if (d.kept[i]) {
                sub.push_back(pts[i]);
                at.push_back(i);
            }
        const auto n = static_cast<Eigen::Index>(sub.size());
        Rows(model, sub, a, b);
        const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(a);
        d.x = qr.solve(b);
        const Eigen::VectorXd r = b - a * d.x;
        const Eigen::Index rank = qr.rank();
        const double dof = static_cast<double>(2 * n - rank);
        d.noise = std::max(dof > 0.0 ? std::sqrt(r.squaredNorm() / dof) : 0.0, kNoiseFloor);
        // Too few left to judge another one; at most half the points are ever taken out.
        if (dof < 4.0 || 2 * (sub.size() - 1) < pts.size())
            break;
        const Eigen::MatrixXd q = (qr.householderQ() * Eigen::MatrixXd::Identity(2 * n, rank)).eval();
        std::size_t worst = sub.size();
        double worstDrop = kSigmas * kSigmas;
        for (Eigen::Index j = 0; j < n; ++j) {
            Eigen::Matrix2d h;
            h << q.row(j).dot(q.row(j)), q.row(j).dot(q.row(n + j)), q.row(n + j).dot(q.row(j)),
                q.row(n + j).dot(q.row(n + j));
            const Eigen::Matrix2d free = Eigen::Matrix2d::Identity() - h;
            if (free.determinant() < 1e-9)
                continue;  // the model follows this point whatever it is: it cannot be judged
            const Eigen::Vector2d e(r[j], r[n + j]);
            const Eigen::Vector2d deleted = free.inverse() * e;
            const double drop = e.dot(deleted) / (d.noise * d.noise);
            if (drop > worstDrop && deleted.cwiseAbs().maxCoeff() > floor) {
                worstDrop = drop;
                worst = static_cast<std::size_t>(j);
            }
        }
        if (worst == sub.size())
            break;
        d.kept[at[worst]] = false;
    }
    return d;
}

}  // namespace

KKCheck CheckKramersKronig(const std::vector<ImpedancePoint>& points, double threshold)
{
    KKCheck out;
    std::vector<Usable> pts;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const ImpedancePoint& p = points[i];
        if (std::isfinite(p.hz) && p.hz > 0.0 && std::isfinite(std::abs(p.z)) && std::abs(p.z) > 0.0)
            pts.push_back({i, 2.0 * std::numbers::pi * p.hz, p.z});
    }
    if (pts.size() < 3)
        return out;
    const auto [lo, hi] =
        std::minmax_element(pts.begin(), pts.end(), [](const auto& a, const auto& b) { return a.w < b.w; });
    const double tauMin = 1.0 / hi->w, tauMax = 1.0 / lo->w;

    Model model = ChooseModel(pts, tauMin, tauMax);
    Detection d = Detect(pts, model, threshold);
    // With the outliers known, the model is chosen again from the sound points alone.
    if (std::count(d.kept.begin(), d.kept.end(), false) > 0) {
        std::vector<Usable> sound;
        for (std::size_t i = 0; i < pts.size(); ++i)
            if (d.kept[i])
                sound.push_back(pts[i]);
        if (const Model again = ChooseModel(sound, tauMin, tauMax); !(again == model)) {
            model = again;
            d = Detect(pts, model, threshold);
        }
    }

    out.elements = model.m;
    double positive = 0.0, negative = 0.0;
    for (std::size_t k = 1; k <= model.m; ++k)
        (d.x[static_cast<Eigen::Index>(k)] < 0.0 ? negative : positive) +=
            std::abs(d.x[static_cast<Eigen::Index>(k)]);
    out.mu = positive > 0.0 ? 1.0 - negative / positive : 0.0;
    out.noise = d.noise;
    out.threshold = std::max(threshold, kSigmas * d.noise);
    out.residualsReal.assign(points.size(), 0.0);
    out.residualsImag.assign(points.size(), 0.0);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const Usable& p = pts[i];
        const std::complex<double> r = (p.z - At(model, d.x, p.w)) / std::abs(p.z);
        out.residualsReal[p.index] = r.real();
        out.residualsImag[p.index] = r.imag();
        if (!d.kept[i])
            out.flagged.push_back(p.index);
    }
    std::sort(out.flagged.begin(), out.flagged.end());
    out.ok = true;
    return out;
}

}  // namespace qor::potentiostat
