#include "potentiostat/harmonic_analysis.h"

#include "potentiostat/xy_graph_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

namespace qor::potentiostat {

namespace {

constexpr std::size_t kBlock = 200;
constexpr std::size_t kWindow = 128;
constexpr std::size_t kDftStart = 10;
constexpr std::size_t kFftStart = 5;
constexpr double kDeg = 180.0 / std::numbers::pi;

using Window = std::array<double, kWindow>;

// The voltage and current series of `count` samples from `first`.
void Series(const std::vector<data::CPotQORDatenObject>& list, std::size_t first, Window& u, Window& i)
{
    for (std::size_t n = 0; n < kWindow; ++n) {
        const PotValues v = ConvertSample(list[first + n]);
        u[n] = v.potential;
        i[n] = v.current;
    }
}

double WrapPhase(double d)
{
    if (d > 180.0)
        return d - 360.0;
    if (d < -180.0)
        return d + 360.0;
    return d;
}

struct Harmonic {
    double magnitude = 0.0, phase = 0.0, mean = 0.0;
};

// Bin 1 of the direct transform (bins 0 … 3 are computed, only bin 1 is kept).
Harmonic Dft(const Window& x)
{
    Harmonic h;
    for (int k = 0; k < 4; ++k) {
        double s = 0.0, c = 0.0;
        for (std::size_t n = 0; n < kWindow; ++n) {
            const double a = 2.0 * std::numbers::pi * k * static_cast<double>(n) / kWindow;
            s += x[n] * -1.0 * std::sin(a);
            c += x[n] * std::cos(a);
        }
        const double m = std::sqrt(s * s + c * c);
        if (k == 1) {
            h.magnitude = m;
            h.phase = std::abs(m) >= 0.001 ? std::atan2(s, c) * kDeg : 0.0;
        }
    }
    double sum = 0.0;
    for (double v : x)
        sum += v;
    h.mean = sum / kWindow;
    return h;
}

// In-place radix-2 decimation-in-time transform with sign +1; the twiddle factor advances
// by the trigonometric recurrence rather than a sine per butterfly.
void Fft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (std::size_t half = 1; half < n; half <<= 1) {
        const double theta = std::numbers::pi / static_cast<double>(half);
        const double st = std::sin(0.5 * theta);
        const double wpr = -2.0 * st * st, wpi = std::sin(theta);
        double wr = 1.0, wi = 0.0;
        for (std::size_t m = 0; m < half; ++m) {
            for (std::size_t i = m; i < n; i += 2 * half) {
                const std::size_t j = i + half;
                const std::complex<double> t(wr * a[j].real() - wi * a[j].imag(),
                                             wr * a[j].imag() + wi * a[j].real());
                a[j] = a[i] - t;
                a[i] += t;
            }
            const double w = wr;
            wr = w * wpr - wi * wpi + wr;
            wi = wi * wpr + w * wpi + wi;
        }
    }
}

struct Spectrum {
    double dc = 0.0, magnitude = 0.0, phase = 0.0;
};

Spectrum FftBins(const Window& x)
{
    std::vector<std::complex<double>> a(x.begin(), x.end());
    Fft(a);
    Spectrum s;
    s.dc = std::abs(a[0]);
    s.magnitude = std::abs(a[1]);
    s.phase = std::abs(s.magnitude) < 0.001 ? 0.0 : std::atan2(a[1].real(), a[1].imag()) * kDeg;
    return s;
}

void Append(std::string& out, const char* fmt, auto... args)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, args...);
    out += buf;
}

std::string Commas(std::string text)
{
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

}  // namespace

std::string DftAnalysisText(const std::vector<data::CPotQORDatenObject>& list)
{
    std::string out;
    Window u{}, i{};
    for (std::size_t first = 0; first + kBlock <= list.size(); first += kBlock) {
        Series(list, first + kDftStart, u, i);
        const Harmonic hu = Dft(u), hi = Dft(i);
        Append(out, "M%.2f M%.2f P%.2f P%.2f\n\r", hu.magnitude, hi.magnitude, hu.phase, hi.phase);
        Append(out, "m_count=%u Z=%.2f P=%.2f\n\r", 64u, (hu.magnitude - hu.mean) / (hi.magnitude - hi.mean),
               WrapPhase(hu.phase - hi.phase));
    }
    return Commas(std::move(out));
}

std::string FftAnalysisText(const std::vector<data::CPotQORDatenObject>& list)
{
    std::string out;
    Window u{}, i{};
    for (std::size_t first = 0; first + kBlock <= list.size(); first += kBlock) {
        Series(list, first + kFftStart, u, i);
        const Spectrum su = FftBins(u), si = FftBins(i);
        Append(out, "G%.2f G%.2f M%.2f M%.2f P%.2f P%.2f\n\r", su.dc, si.dc, su.magnitude, si.magnitude,
               su.phase, si.phase);
        Append(out, "Z=%.2f P=%.2f\n\r", su.magnitude / si.magnitude, WrapPhase(su.phase - si.phase));
    }
    return Commas(std::move(out));
}

}  // namespace qor::potentiostat
