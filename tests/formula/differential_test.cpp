#include "formula/formel_interpreter.h"
#include "formula/formula_program.h"
#include "text_oracle.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using qor::formula::CFormelInterpreter;
using qor::formula::FormulaProgram;

namespace {

class Generator {
public:
    explicit Generator(std::uint64_t seed) : m_rng(seed) {}

    int Pick(int n) { return static_cast<int>(m_rng() % static_cast<std::uint64_t>(n)); }

    std::string Expr(int depth)
    {
        std::string s = Term(depth);
        const int n = Pick(depth > 0 ? 4 : 2);
        for (int i = 0; i < n; ++i) {
            s += "^/*+-"[Pick(5)];
            s += Term(depth);
        }
        return s;
    }

    std::string Term(int depth)
    {
        std::string s;
        const int minus = Pick(10);
        if (minus >= 7)
            s += '-';
        if (minus == 9)
            s += '-';
        const int k = Pick(depth > 0 ? 10 : 6);
        static const char* kNumbers[] = {"2", "0.5", "100", "3", ".5", "1.", "0", "10", "0.001", "7.25", "1"};
        static const char* kFunctions[] = {"sin", "cos", "tan", "asin", "acos", "atan", "ln", "log", "exp"};
        if (k < 2)
            return s + "y";
        if (k < 4)
            return s + "z";
        if (k < 6)
            return s + kNumbers[Pick(11)];
        if (k < 8)
            return s + "(" + Expr(depth - 1) + ")";
        std::string f = kFunctions[Pick(9)];
        if (Pick(3) == 0)
            f += '-';
        if (Pick(2) == 0)
            return s + f + "(" + Expr(depth - 1) + ")";
        return s + f + (Pick(2) ? "y" : "z");
    }

    // A formula a user might type, now and then with a slip of the keyboard.
    std::string Formula()
    {
        std::string s = Expr(Pick(3));
        if (Pick(8) == 0) {
            static const char kNoise[] = "yz0123456789.()-+*/^ sinlogex";
            const std::size_t at = static_cast<std::size_t>(Pick(static_cast<int>(s.size()) + 1));
            if (Pick(2) == 0 && !s.empty())
                s.erase(at == s.size() ? at - 1 : at, 1);
            else
                s.insert(at, 1, kNoise[Pick(static_cast<int>(sizeof kNoise) - 1)]);
        }
        return s;
    }

    double Value()
    {
        static const double kSpecial[] = {0.0,        -0.0, 1.0,       -1.0, 2.5,  -2.5, 100.0, 0.0000004,
                                          -0.0000004, 1e-7, 0.9999995, 1e12, -3.0, 0.5,  1e300};
        const int k = Pick(10);
        if (k < 3)
            return kSpecial[Pick(15)];
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        if (k < 6)
            return u(m_rng) * 120.0;
        if (k < 8)
            return u(m_rng);
        return u(m_rng) * std::pow(10.0, Pick(12) - 4);
    }

private:
    std::mt19937_64 m_rng;
};

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

// The compiled programme and the literal rewriting must give the same bits and the same
// error flag for every formula and every pair of values, one at a time and four at a time.
TEST(FormulaDifferential, ProgramEqualsTextRewriting)
{
    Generator gen(20240601);
    int compiled = 0;
    // Four of like signs, four mixed, and one left over, so lanes both stay together and part.
    std::vector<double> y(9), z(9), many(9);
    std::vector<std::uint8_t> errors(9);
    for (int f = 0; f < 20000; ++f) {
        const std::string formula = gen.Formula();
        FormulaProgram program(formula);
        compiled += program.IsCompiled();
        for (std::size_t i = 0; i < y.size(); ++i) {
            y[i] = i < 4 ? std::fabs(gen.Value()) : gen.Value();
            z[i] = i < 4 ? std::fabs(gen.Value()) + 1 : gen.Value();
        }
        program.EvaluateMany(y.data(), z.data(), many.data(), y.size(), errors.data());
        SCOPED_TRACE(formula);
        for (std::size_t i = 0; i < y.size(); ++i) {
            bool error = false;
            const double got = program.Evaluate(y[i], z[i], &error);
            const oracle::Result want = oracle::Channel(formula, y[i], z[i]);
            const auto at = [&] {
                return testing::Message() << "y=" << y[i] << " z=" << z[i] << " want " << want.value;
            };
            ASSERT_EQ(error, want.error) << at();
            ASSERT_TRUE(SameBits(got, want.value)) << at() << " got " << got;
            ASSERT_EQ(errors[i] != 0, want.error) << at() << " four at a time";
            ASSERT_TRUE(SameBits(many[i], want.value)) << at() << " four at a time got " << many[i];
        }
    }
    // Most generated formulas must take the fast route, or the test proves little.
    EXPECT_GT(compiled, 20000 * 3 / 4);
}

// The interpreter on plain texts, including the ones that never reach the compiled route: texts
// outside the usual arrangement first (numbers may run together), then generated ones.
TEST(FormulaDifferential, InterpreterEqualsTextRewriting)
{
    std::vector<std::string> texts = {"2(3)",       "(1)5",  "sin(1)sin", "2sin(1)",   "1e5*2",
                                      "1e-5*2",     "0x10",  "2*---3",    "5----3",    "sinsin(1)",
                                      "(1)+()+(1)", "1.5.5", "3(-2)^2",   "-sin(-1)^2"};
    Generator gen(77);
    for (int i = 0; i < 20000; ++i) {
        std::string plain;
        for (const char c : gen.Formula())
            plain += c == 'y' ? std::string("1.25") : c == 'z' ? std::string("-0.75") : std::string(1, c);
        texts.push_back(plain);
    }
    for (const std::string& plain : texts) {
        CFormelInterpreter ip(plain);
        const oracle::Result want = oracle::Run(plain);
        ASSERT_EQ(ip.HasError() != 0, want.syntaxError) << plain;
        if (want.syntaxError)
            continue;
        const double got = ip.Evaluate();
        ASSERT_EQ(ip.HasError() != 0, want.error) << plain;
        ASSERT_TRUE(SameBits(got, want.value)) << plain << " got " << got << " want " << want.value;
    }
}
