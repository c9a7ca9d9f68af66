#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor::formula {

// A virtual-channel formula parsed once and evaluated for many pairs (y, z) with exactly the
// result of substituting "%f" of y and z into the text and interpreting it (CFormelInterpreter).
//
// Formulas made of numbers, y, z, functions, operators and brackets in the usual arrangement
// are compiled: the rewriting is replayed on tokens, and the sequence of operations it performs
// (which depends only on the signs of the sub-results) is recorded once per sign pattern and
// then replayed with the same rounding. Anything else (adjacent numbers, stray letters, empty
// brackets, ...) is evaluated through the text. Not thread-safe: evaluation may record.
class FormulaProgram {
public:
    explicit FormulaProgram(std::string formula = {});

    const std::string& Formula() const { return m_formula; }
    bool IsCompiled() const { return m_compiled; }

    // The virtual channel's value: 0.0 when the formula is wrong or the evaluation fails.
    // *error (if given) tells which.
    double Evaluate(double y, double z, bool* error = nullptr);
    // Evaluate for n pairs at once (errors[i], if given, gets 1 for a failed value). Up to
    // eight values are taken side by side while they follow the same way through the formula.
    void EvaluateMany(const double* y, const double* z, double* out, std::size_t n,
                      std::uint8_t* errors = nullptr);

    struct Step {
        char kind = 0;  // operator character, 'F' function, 'G' bracket result, 'R' final value
        std::uint8_t function = 0;
        std::uint8_t negA = 0;
        std::uint8_t negB = 0;
        std::uint16_t a = 0;
        std::uint16_t b = 0;
        std::uint16_t dst = 0;
    };
    struct TemplateToken {
        char kind = 0;  // 'N' number, 'y', 'z', 'F' function, '(' , ')', or an operator character
        std::uint8_t function = 0;
        std::uint16_t slot = 0;
        std::int32_t match = -1;  // index of the matching bracket
    };

private:
    friend class Engine;
    friend bool EvaluateCompiled(std::string_view text, double* value, bool* error);

    bool Compile(bool allowVariables);
    double RunEngine(bool record, int root, double y, double z, bool* error);
    double EvaluateByText(double y, double z, bool* error) const;
    // Rounds y and z as "%f" does and fills the slots; false when the value is decided already.
    bool Prepare(double y, double z, double* slots, int* root, bool* error) const;
    static constexpr std::size_t kLanes = 8;
    // Evaluates the listed lanes from `node` side by side (EvaluateMany).
    void Lockstep(std::int32_t node, std::uint8_t* lanes, int count, double* const* slots, const double* y,
                  const double* z, double* out, bool* err);
    // Follows the recorded steps from `node`; false when the way is not recorded yet.
    bool Replay(std::int32_t node, double* slots, double* value, bool* error) const;

    struct Node {
        Step step;
        std::int32_t next[2] = {-1, -1};
    };

    std::string m_formula;
    bool m_compiled = false;
    bool m_syntaxError = false;
    bool m_usesY = false;
    bool m_usesZ = false;
    bool m_ySign = false;
    bool m_zSign = false;
    std::vector<TemplateToken> m_tokens;
    std::vector<double> m_slots;  // 0: zero, 1: |y|, 2: |z|, then numbers, then sub-results
    std::uint16_t m_fixedSlots = 3;
    std::vector<Node> m_nodes;
    std::vector<double> m_laneSlots;
    std::int32_t m_root[4] = {-1, -1, -1, -1};
};

// Evaluates a formula without variables through the compiled route. Returns false (and
// leaves the outputs alone) when the text is outside the compiled subset.
bool EvaluateCompiled(std::string_view text, double* value, bool* error);

}  // namespace qor::formula
