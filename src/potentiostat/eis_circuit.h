#pragma once

#include <complex>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::potentiostat {

// An equivalent circuit written as a string: elements joined in series by "-", branches in
// parallel as "p(A,B,...)", each element a kind and a number:
//   R  resistance           Z = R                      R in ohm
//   C  capacitance          Z = 1 / (j w C)            C in F
//   L  inductance           Z = j w L                  L in H
//   CPE constant phase      Z = 1 / (Q (j w)^n)        Q in S s^n, n in 0..1
//   W  Warburg (semi-inf.)  Z = sigma (1 - j) / sqrt(w)   sigma in ohm s^-1/2
// with w = 2 pi f, e.g. "R0-p(R1,CPE1)" or "L0-R0-p(R1-W1,CPE1)". Spaces are ignored.
class CircuitModel {
public:
    enum class Kind { R, C, L, CPE, W };
    struct Parameter {
        std::string name;  // "R1", "CPE1_Q", "CPE1_n"
        const char* unit;  // UTF-8
        bool exponent;     // a CPE's n, bounded to 0..1; every other parameter is positive
    };
    // The capacitance a CPE stands for (Brug): C = Q^(1/n) (1/Rs + 1/Rp)^((n-1)/n) with Rs the
    // resistance in series with its parallel block at high frequency and Rp the resistance of
    // the branches beside it (without a series resistance, Rp alone; a blocking CPE, Rs alone).
    struct EffectiveCapacitance {
        std::string element;  // "CPE1"
        double farad = 0.0;   // NaN where no resistance defines it
        double rs = 0.0;      // ohm; infinity: none
        double rp = 0.0;
    };

    CircuitModel();
    CircuitModel(const CircuitModel& other);
    CircuitModel& operator=(const CircuitModel& other);
    ~CircuitModel();

    // The circuit of `text`, or nothing with the reason in `error` (UTF-8, language 0 German,
    // 1 English) naming the character where the string goes wrong.
    static std::optional<CircuitModel> Parse(std::string_view text, std::string* error = nullptr,
                                             int lang = 1);

    // The string without spaces, as it was parsed.
    const std::string& Text() const { return m_text; }
    const std::vector<Parameter>& Parameters() const { return m_params; }
    std::size_t ParameterCount() const { return m_params.size(); }

    // Z at `hz` for the parameters `p` (in the order of Parameters()); with `d`, also dZ/dp_k.
    std::complex<double> Impedance(const std::vector<double>& p, double hz,
                                   std::vector<std::complex<double>>* d = nullptr) const;

    std::vector<EffectiveCapacitance> EffectiveCapacitances(const std::vector<double>& p) const;

    // Start values from a spectrum sorted by rising frequency (w and Z per point): the series
    // resistance from the highest frequency, the arc's width shared by the parallel blocks,
    // each block's time constant at a frequency of its own (`order` says which block takes
    // which of the log-spaced frequencies; a single block takes the arc's apex).
    std::vector<double> StartValues(const std::vector<double>& w, const std::vector<std::complex<double>>& z,
                                    const std::vector<std::size_t>& order) const;
    // The parallel blocks at the top level, whose time constants StartValues places.
    std::size_t Blocks() const;

    struct Node;

private:
    std::string m_text;
    std::vector<Parameter> m_params;
    std::unique_ptr<Node> m_root;
};

// The circuit strings the named shorthands stand for: "randles" R0-p(R1,CPE1) and
// "randles-w" R0-p(R1-W1,CPE1); any other name is returned as it is.
std::string_view ExpandCircuitName(std::string_view name);

}  // namespace qor::potentiostat
