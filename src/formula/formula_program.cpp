#include "formula/formula_program.h"

#include "formula/decimal_round.h"
#include "formula/formel_interpreter.h"
#include "formula/formula_ops.h"
#include "formula/shape_check.h"

#include <bit>
#include <cmath>
#include <utility>

namespace qor::formula {

namespace {

constexpr std::size_t kMaxCompiledLength = 1024;
constexpr std::size_t kMaxRecordedNodes = 4096;
constexpr std::uint16_t kZeroSlot = 0;
constexpr std::uint16_t kYSlot = 1;
constexpr std::uint16_t kZSlot = 2;

using Step = FormulaProgram::Step;
using TemplateToken = FormulaProgram::TemplateToken;

inline double Negate(double v, std::uint8_t neg)
{
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(v) ^ (static_cast<std::uint64_t>(neg) << 63));
}

// One step of the rewriting on numbers: the operands come from slots (magnitudes; the
// signs are the '-' characters that stood in front of them), the result goes back rounded.
// Same arithmetic as ApplyOperator/ApplyFunction, kept inline for the replay loop.
[[gnu::always_inline]] inline double ExecStep(const Step& s, double* slots, bool* error)
{
    const double a = Negate(slots[s.a], s.negA);
    double r;
    switch (s.kind) {
    case '*':
        r = a * Negate(slots[s.b], s.negB);
        break;
    case '+':
        r = a + Negate(slots[s.b], s.negB);
        break;
    case '-':
        r = a - Negate(slots[s.b], s.negB);
        break;
    case '/': {
        const double b = Negate(slots[s.b], s.negB);
        if (b == 0.0) {
            *error = true;
            r = 0.0;
        } else {
            r = a / b;
        }
        break;
    }
    case '^':
        r = std::pow(a, Negate(slots[s.b], s.negB));
        break;
    case 'F':
        r = ApplyFunction(s.function, a, error);
        break;
    case 'G':
        r = a;
        break;
    default:  // 'R': the final text is read back as it stands
        if (!std::isfinite(a)) {
            *error = true;
            return 0.0;
        }
        return a;
    }
    if (!std::isfinite(r)) [[unlikely]] {
        *error = true;
        r = 0.0;
    }
    r = RoundToDecimals(r, 12);
    slots[s.dst] = std::fabs(r);
    return r;
}

// ExecStep for several independent values at once: the same arithmetic, arranged so that
// the values' dependency chains overlap.
void ExecLanes(const Step& s, const std::uint8_t* lanes, int count, double* const* slots, double* r,
               bool* err)
{
    switch (s.kind) {
    case '*':
        for (int i = 0; i < count; ++i)
            r[i] = Negate(slots[lanes[i]][s.a], s.negA) * Negate(slots[lanes[i]][s.b], s.negB);
        break;
    case '+':
        for (int i = 0; i < count; ++i)
            r[i] = Negate(slots[lanes[i]][s.a], s.negA) + Negate(slots[lanes[i]][s.b], s.negB);
        break;
    case '-':
        for (int i = 0; i < count; ++i)
            r[i] = Negate(slots[lanes[i]][s.a], s.negA) - Negate(slots[lanes[i]][s.b], s.negB);
        break;
    case '/':
        for (int i = 0; i < count; ++i) {
            const double b = Negate(slots[lanes[i]][s.b], s.negB);
            if (b == 0.0) {
                err[lanes[i]] = true;
                r[i] = 0.0;
            } else {
                r[i] = Negate(slots[lanes[i]][s.a], s.negA) / b;
            }
        }
        break;
    case 'F':
        for (int i = 0; i < count; ++i)
            r[i] = ApplyFunction(s.function, Negate(slots[lanes[i]][s.a], s.negA), &err[lanes[i]]);
        break;
    case 'G':
        for (int i = 0; i < count; ++i)
            r[i] = Negate(slots[lanes[i]][s.a], s.negA);
        break;
    case 'R':
        for (int i = 0; i < count; ++i) {
            r[i] = Negate(slots[lanes[i]][s.a], s.negA);
            if (!std::isfinite(r[i])) {
                err[lanes[i]] = true;
                r[i] = 0.0;
            }
        }
        return;
    default:
        for (int i = 0; i < count; ++i)
            r[i] = ExecStep(s, slots[lanes[i]], &err[lanes[i]]);
        return;
    }
    for (int i = 0; i < count; ++i) {
        double v = r[i];
        if (!std::isfinite(v)) [[unlikely]] {
            err[lanes[i]] = true;
            v = 0.0;
        }
        v = RoundToDecimals(v, 12);
        slots[lanes[i]][s.dst] = std::fabs(v);
        r[i] = v;
    }
}

bool IsOperatorToken(char k)
{
    return IsOperatorChar(k);
}

}  // namespace

// Replays the text rewriting on tokens. Atoms hold slot numbers; a negative value is a '-'
// token in front of its magnitude, exactly as the minus sign stands in the text.
class Engine {
public:
    Engine(FormulaProgram& p, bool record) : m_p(p), m_record(record), m_next(p.m_fixedSlots) {}

    double Run(bool* error)
    {
        std::vector<Tok> t;
        Build(0, m_p.m_tokens.size(), t);
        const Val v = Flat(t);
        if (m_bad)
            return 0.0;
        Step s;
        s.kind = 'R';
        s.a = v.slot;
        s.negA = v.neg;
        return Exec(s, error);
    }

    bool Bad() const { return m_bad; }
    std::vector<std::pair<Step, bool>> trace;

private:
    struct Tok {
        char k;  // 'A' atom, 'F' function or an operator character
        std::uint8_t f;
        std::uint16_t slot;
    };
    struct Val {
        std::uint16_t slot;
        bool neg;
    };

    std::uint16_t NewSlot()
    {
        if (m_next == 0xffff) {
            m_bad = true;
            return kZeroSlot;
        }
        if (m_next >= m_p.m_slots.size()) {
            m_bad = true;
            return kZeroSlot;
        }
        return m_next++;
    }

    double Exec(const Step& s, bool* error)
    {
        const double r = ExecStep(s, m_p.m_slots.data(), error);
        if (m_record)
            trace.emplace_back(s, std::signbit(r));
        return r;
    }

    static void Atom(std::vector<Tok>& out, std::size_t at, double r, std::uint16_t slot)
    {
        if (std::signbit(r)) {
            out.insert(out.begin() + static_cast<long>(at), Tok{'-', 0, 0});
            ++at;
        }
        out.insert(out.begin() + static_cast<long>(at), Tok{'A', 0, slot});
    }

    void Build(std::size_t b, std::size_t e, std::vector<Tok>& out)
    {
        for (std::size_t i = b; i < e && !m_bad; ++i) {
            const TemplateToken& tt = m_p.m_tokens[i];
            switch (tt.kind) {
            case 'N':
                out.push_back({'A', 0, tt.slot});
                break;
            case 'y':
            case 'z':
                if (tt.kind == 'y' ? m_p.m_ySign : m_p.m_zSign)
                    out.push_back({'-', 0, 0});
                out.push_back({'A', 0, tt.kind == 'y' ? kYSlot : kZSlot});
                break;
            case 'F':
                out.push_back({'F', tt.function, 0});
                break;
            case '(': {
                std::vector<Tok> inner;
                const std::size_t close = static_cast<std::size_t>(tt.match);
                Build(i + 1, close, inner);
                const Val v = Flat(inner);
                if (v.slot >= m_p.m_fixedSlots) {
                    // Already a written-back result: reading it and writing it with 12
                    // decimals again gives the same text, so no step is needed.
                    Atom(out, out.size(), v.neg ? -0.0 : 0.0, v.slot);
                    i = close;
                    break;
                }
                Step s;
                s.kind = 'G';
                s.a = v.slot;
                s.negA = v.neg;
                s.dst = NewSlot();
                const double r = Exec(s, &m_error);
                Atom(out, out.size(), r, s.dst);
                i = close;
                break;
            }
            default:
                out.push_back({tt.kind, 0, 0});
                break;
            }
        }
    }

    Val Flat(std::vector<Tok>& t)
    {
        for (int f = 0; f < kFunctionCount && !m_bad; ++f) {
            for (;;) {
                std::size_t pos = 0;
                while (pos < t.size() && !(t[pos].k == 'F' && t[pos].f == f))
                    ++pos;
                if (pos == t.size())
                    break;
                std::size_t j = pos + 1;
                while (j < t.size() && t[j].k == '-')
                    ++j;
                if (j == t.size() || t[j].k != 'A') {
                    m_bad = true;
                    break;
                }
                Step s;
                s.kind = 'F';
                s.function = static_cast<std::uint8_t>(f);
                s.a = t[j].slot;
                s.negA = (j - pos - 1) & 1;
                s.dst = NewSlot();
                const double r = Exec(s, &m_error);
                t.erase(t.begin() + static_cast<long>(pos), t.begin() + static_cast<long>(j) + 1);
                Atom(t, pos, r, s.dst);
            }
        }
        for (const char op : {'^', '/', '*', '+', '-'}) {
            for (;;) {
                if (m_bad)
                    return {kZeroSlot, false};
                const std::size_t n = t.size();
                std::size_t i = 1;
                while (i < n && t[i].k != op)
                    ++i;
                if (i >= n)
                    break;
                std::size_t j = i + 1;
                if (j < n && IsOperatorToken(t[j].k))
                    ++j;
                if (j < n && IsOperatorToken(t[j].k))
                    ++j;
                std::size_t e = j;
                while (e < n && !IsOperatorToken(t[e].k))
                    ++e;
                std::size_t start = 0;
                for (std::size_t q = i; q-- > 0;) {
                    if (IsOperatorToken(t[q].k)) {
                        start = q == 0 ? 0 : q + 1;
                        break;
                    }
                }
                Step s;
                s.kind = op;
                s.a = kZeroSlot;
                s.b = kZeroSlot;
                std::size_t q = start;
                while (q < e && t[q].k == '-')
                    ++q;
                s.negA = (q - start) & 1;
                for (q = start; q < e; ++q)
                    if (t[q].k == 'A') {
                        s.a = t[q].slot;
                        break;
                    }
                q = i + 1;
                while (q < e && t[q].k == '-')
                    ++q;
                s.negB = (q - i - 1) & 1;
                for (q = i + 1; q < e; ++q)
                    if (t[q].k == 'A') {
                        s.b = t[q].slot;
                        break;
                    }
                s.dst = NewSlot();
                const double r = Exec(s, &m_error);
                t.erase(t.begin() + static_cast<long>(start), t.begin() + static_cast<long>(e));
                Atom(t, start, r, s.dst);
            }
        }
        if (t.size() == 1 && t[0].k == 'A')
            return {t[0].slot, false};
        if (t.size() == 2 && t[0].k == '-' && t[1].k == 'A')
            return {t[1].slot, true};
        m_bad = true;
        return {kZeroSlot, false};
    }

    FormulaProgram& m_p;
    bool m_record;
    std::uint16_t m_next;
    bool m_bad = false;

public:
    bool m_error = false;
};

FormulaProgram::FormulaProgram(std::string formula) : m_formula(std::move(formula))
{
    m_compiled = Compile(true);
    if (m_compiled) {
        std::string probe = m_formula;
        for (char& c : probe)
            if (c == 'y' || c == 'z')
                c = '\x01';
        std::string text;
        for (const char c : probe) {
            if (c == '\x01')
                text += "1.000000";
            else
                text += c;
        }
        m_syntaxError = CFormelInterpreter::CheckSyntax(text) != 0;
    }
}

bool FormulaProgram::Compile(bool allowVariables)
{
    static constexpr int kLongestFirst[] = {kAsin, kAcos, kAtan, kExp, kLog, kTan, kCos, kSin, kLn};
    const std::string& f = m_formula;
    if (f.empty() || f.size() > kMaxCompiledLength)
        return false;
    m_tokens.clear();
    m_slots.assign(3, 0.0);
    for (std::size_t i = 0; i < f.size();) {
        const char c = f[i];
        TemplateToken t;
        if (IsNumberChar(c)) {
            std::size_t j = i;
            int points = 0;
            int digits = 0;
            while (j < f.size() && IsNumberChar(f[j])) {
                (f[j] == '.' ? points : digits)++;
                ++j;
            }
            if (points > 1 || digits == 0)
                return false;
            t.kind = 'N';
            t.slot = static_cast<std::uint16_t>(m_slots.size());
            m_slots.push_back(CFormelInterpreter::LeadingNumber(std::string_view(f).substr(i, j - i)));
            i = j;
        } else if ((c == 'y' || c == 'z') && allowVariables) {
            t.kind = c;
            (c == 'y' ? m_usesY : m_usesZ) = true;
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            bool found = false;
            for (const int fn : kLongestFirst) {
                const std::string_view name = FunctionName(fn);
                if (std::string_view(f).substr(i, name.size()) == name) {
                    t.kind = 'F';
                    t.function = static_cast<std::uint8_t>(fn);
                    i += name.size();
                    found = true;
                    break;
                }
            }
            if (!found)
                return false;
        } else if (IsOperatorChar(c) || c == '(' || c == ')') {
            t.kind = c;
            ++i;
        } else {
            return false;
        }
        m_tokens.push_back(t);
    }
    m_fixedSlots = static_cast<std::uint16_t>(m_slots.size());
    // Each step of a rewriting takes one result slot and removes an operator, a function or a
    // bracket pair, putting back at most one minus sign that a later step may take as an
    // operator; so no way through the formula needs more than twice the tokens.
    m_slots.resize(m_slots.size() + 2 * m_tokens.size() + 4, 0.0);
    return CheckShape(m_tokens);
}

double FormulaProgram::RunEngine(bool record, int root, double y, double z, bool* error)
{
    Engine engine(*this, record);
    const double v = engine.Run(error);
    if (engine.m_error)
        *error = true;
    if (engine.Bad()) {
        // Cannot happen for a formula that passed the shape check; stay exact regardless.
        m_compiled = false;
        *error = false;
        return EvaluateByText(y, z, error);
    }
    if (record && m_nodes.size() + engine.trace.size() <= kMaxRecordedNodes) {
        std::int32_t cur = -1;
        bool sign = false;
        for (const auto& [step, resultSign] : engine.trace) {
            std::int32_t next = cur < 0 ? m_root[root] : m_nodes[static_cast<std::size_t>(cur)].next[sign];
            if (next < 0) {
                m_nodes.push_back(Node{step, {-1, -1}});
                next = static_cast<std::int32_t>(m_nodes.size() - 1);
                if (cur < 0)
                    m_root[root] = next;
                else
                    m_nodes[static_cast<std::size_t>(cur)].next[sign] = next;
            }
            cur = next;
            sign = resultSign;
        }
    }
    return v;
}

bool FormulaProgram::Prepare(double y, double z, double* slots, int* root, bool* error) const
{
    const double ry = m_usesY ? RoundToDecimals(y, 6) : 0.0;
    const double rz = m_usesZ ? RoundToDecimals(z, 6) : 0.0;
    if (!std::isfinite(ry) || !std::isfinite(rz)) {
        // "inf" and "nan" in the text never pass the syntax check.
        *error = true;
        return false;
    }
    const bool ySign = std::signbit(ry);
    const bool zSign = std::signbit(rz);
    slots[kYSlot] = std::fabs(ry);
    slots[kZSlot] = std::fabs(rz);
    *root = (ySign ? 2 : 0) + (zSign ? 1 : 0);
    return true;
}

bool FormulaProgram::Replay(std::int32_t n, double* slots, double* value, bool* error) const
{
    bool err = false;
    while (n >= 0) {
        const Node& node = m_nodes[static_cast<std::size_t>(n)];
        const double r = ExecStep(node.step, slots, &err);
        if (node.step.kind == 'R') {
            *value = r;
            if (err)
                *error = true;
            return true;
        }
        n = node.next[std::signbit(r)];
    }
    return false;
}

double FormulaProgram::Evaluate(double y, double z, bool* error)
{
    bool err = false;
    double v = 0.0;
    int root = 0;
    if (!m_compiled) {
        v = EvaluateByText(y, z, &err);
    } else if (m_syntaxError) {
        err = true;
    } else if (Prepare(y, z, m_slots.data(), &root, &err)) {
        if (!Replay(m_root[root], m_slots.data(), &v, &err)) {
            // A sign pattern not met before: rewrite once on tokens and remember the way.
            m_ySign = (root & 2) != 0;
            m_zSign = (root & 1) != 0;
            err = false;
            v = RunEngine(true, root, y, z, &err);
        }
    }
    if (err)
        v = 0.0;
    if (error)
        *error = err;
    return v;
}

void FormulaProgram::Lockstep(std::int32_t node, std::uint8_t* lanes, int count, double* const* slots,
                              const double* y, const double* z, double* out, bool* err)
{
    while (node >= 0) {
        const Node& nd = m_nodes[static_cast<std::size_t>(node)];
        double r[kLanes];
        ExecLanes(nd.step, lanes, count, slots, r, err);
        if (nd.step.kind == 'R') {
            for (int i = 0; i < count; ++i)
                out[lanes[i]] = r[i];
            return;
        }
        // Values whose result has the other sign go their own way, side by side again.
        std::uint8_t negative[kLanes];
        int nNeg = 0;
        int nPos = 0;
        for (int i = 0; i < count; ++i) {
            if (std::signbit(r[i]))
                negative[nNeg++] = lanes[i];
            else
                lanes[nPos++] = lanes[i];
        }
        const std::int32_t next[2] = {nd.next[0], nd.next[1]};
        if (nNeg > 0 && nPos > 0)
            Lockstep(next[1], negative, nNeg, slots, y, z, out, err);
        if (nPos == 0) {
            std::copy(negative, negative + nNeg, lanes);
            count = nNeg;
            node = next[1];
        } else {
            count = nPos;
            node = next[0];
        }
    }
    // Not recorded yet: one at a time (this records the way).
    for (int i = 0; i < count; ++i) {
        const std::uint8_t l = lanes[i];
        err[l] = false;
        out[l] = Evaluate(y[l], z[l], &err[l]);
    }
}

void FormulaProgram::EvaluateMany(const double* y, const double* z, double* out, std::size_t n,
                                  std::uint8_t* errors)
{
    std::size_t i = 0;
    if (m_compiled && !m_syntaxError && n >= kLanes) {
        const std::size_t stride = m_slots.size();  // every way fits: see Compile
        m_laneSlots.resize(stride * kLanes);
        double* lanes[kLanes];
        for (std::size_t l = 0; l < kLanes; ++l) {
            lanes[l] = m_laneSlots.data() + l * stride;
            std::copy(m_slots.begin(), m_slots.begin() + m_fixedSlots, lanes[l]);
        }
        for (; i + kLanes <= n; i += kLanes) {
            bool err[kLanes] = {};
            double r[kLanes] = {};
            std::uint8_t group[4][kLanes];
            int size[4] = {0, 0, 0, 0};
            for (std::uint8_t l = 0; l < kLanes; ++l) {
                int root = 0;
                if (Prepare(y[i + l], z[i + l], lanes[l], &root, &err[l]))
                    group[root][size[root]++] = l;
            }
            for (int g = 0; g < 4; ++g)
                if (size[g] > 0)
                    Lockstep(m_root[g], group[g], size[g], lanes, y + i, z + i, r, err);
            for (std::size_t l = 0; l < kLanes; ++l) {
                out[i + l] = err[l] ? 0.0 : r[l];
                if (errors)
                    errors[i + l] = err[l];
            }
        }
    }
    for (; i < n; ++i) {
        bool e = false;
        out[i] = Evaluate(y[i], z[i], &e);
        if (errors)
            errors[i] = e;
    }
}

double FormulaProgram::EvaluateByText(double y, double z, bool* error) const
{
    std::string ys;
    std::string zs;
    AppendFixed(ys, y, 6);
    AppendFixed(zs, z, 6);
    std::string text;
    text.reserve(m_formula.size() + 16);
    for (const char c : m_formula) {
        if (c == 'y')
            text += ys;
        else
            text += c;
    }
    std::string text2;
    for (const char c : text) {
        if (c == 'z')
            text2 += zs;
        else
            text2 += c;
    }
    CFormelInterpreter interpreter(std::move(text2));
    if (interpreter.HasError()) {
        *error = true;
        return 0.0;
    }
    const double v = interpreter.Evaluate();
    if (interpreter.HasError()) {
        *error = true;
        return 0.0;
    }
    return v;
}

bool EvaluateCompiled(std::string_view text, double* value, bool* error)
{
    FormulaProgram p;
    p.m_formula = std::string(text);
    if (!p.Compile(false))
        return false;
    bool err = false;
    Engine engine(p, false);
    const double v = engine.Run(&err);
    if (engine.Bad())
        return false;
    *value = v;
    *error = err || engine.m_error;
    return true;
}

}  // namespace qor::formula
