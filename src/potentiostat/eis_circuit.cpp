#include "potentiostat/eis_circuit.h"

#include "common/text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <numbers>
#include <set>

namespace qor::potentiostat {

using cd = std::complex<double>;

struct CircuitModel::Node {
    enum Type { Element, Series, Parallel } type = Element;
    Kind kind = Kind::R;
    std::string name;
    std::size_t param = 0;  // an element's first parameter
    std::size_t position = 0;
    std::vector<std::unique_ptr<Node>> children;
    std::vector<std::size_t> params;  // every parameter of the subtree

    std::unique_ptr<Node> Clone() const
    {
        auto n = std::make_unique<Node>();
        n->type = type;
        n->kind = kind;
        n->name = name;
        n->param = param;
        n->position = position;
        n->params = params;
        for (const auto& c : children)
            n->children.push_back(c->Clone());
        return n;
    }
};

namespace {

using Node = CircuitModel::Node;
using Kind = CircuitModel::Kind;
constexpr double kPi = std::numbers::pi;
constexpr double kInf = std::numeric_limits<double>::infinity();
// Bounds that keep a hostile string from exhausting the stack or the fit.
constexpr std::size_t kMaxLength = 256, kMaxDepth = 12, kMaxParams = 24;

struct Parser {
    std::string_view s;
    int lang = 1;
    std::size_t at = 0;
    std::string error;
    std::vector<CircuitModel::Parameter> params;
    std::set<std::string> names;

    void Skip()
    {
        while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at])))
            ++at;
    }
    bool Peek(char c)
    {
        Skip();
        return at < s.size() && s[at] == c;
    }
    std::unique_ptr<Node> Fail(const std::string& message)
    {
        if (error.empty())
            error = message;
        return nullptr;
    }
    std::size_t Column() const { return at + 1; }

    std::unique_ptr<Node> Series(std::size_t depth)
    {
        auto node = std::make_unique<Node>();
        node->type = Node::Series;
        do {
            auto term = Term(depth);
            if (!term)
                return nullptr;
            node->children.push_back(std::move(term));
            if (!Peek('-'))
                break;
            ++at;
        } while (true);
        if (node->children.size() == 1)
            return std::move(node->children.front());
        return node;
    }

    std::unique_ptr<Node> Term(std::size_t depth)
    {
        Skip();
        if (depth > kMaxDepth)
            return Fail(Format(TextPair{"die Schaltung ist tiefer als %zu Ebenen verschachtelt",
                                        "the circuit nests deeper than %zu levels"}[lang],
                               kMaxDepth));
        if (at >= s.size() || s[at] == '-' || s[at] == ',' || s[at] == ')')
            return Fail(
                Format(TextPair{"bei Zeichen %zu fehlt ein Element (R, C, L, CPE, W oder p(…))",
                                "an element (R, C, L, CPE, W or p(…)) is missing at character %zu"}[lang],
                       Column()));
        if (s[at] == 'p' && s.substr(at, 2) == "p(") {
            const std::size_t open = Column();
            at += 2;
            auto node = std::make_unique<Node>();
            node->type = Node::Parallel;
            node->position = open;
            for (;;) {
                auto branch = Series(depth + 1);
                if (!branch)
                    return nullptr;
                node->children.push_back(std::move(branch));
                Skip();
                if (Peek(',')) {
                    ++at;
                    continue;
                }
                if (Peek(')')) {
                    ++at;
                    break;
                }
                return Fail(
                    Format(TextPair{"bei Zeichen %zu fehlt ',' oder ')' (zu p( bei Zeichen %zu)",
                                    "',' or ')' missing at character %zu (for p( at character %zu)"}[lang],
                           Column(), open));
            }
            if (node->children.size() < 2)
                return Fail(
                    Format(TextPair{"p( bei Zeichen %zu braucht mindestens zwei Zweige, durch ',' getrennt",
                                    "p( at character %zu needs at least two branches separated by ','"}[lang],
                           open));
            return node;
        }
        return Element();
    }

    std::unique_ptr<Node> Element()
    {
        const std::size_t start = at;
        static constexpr std::pair<const char*, Kind> kinds[] = {
            {"CPE", Kind::CPE}, {"R", Kind::R}, {"C", Kind::C}, {"L", Kind::L}, {"W", Kind::W}};
        const std::pair<const char*, Kind>* found = nullptr;
        for (const auto& k : kinds)
            if (s.substr(at).starts_with(k.first)) {
                found = &k;
                break;
            }
        if (!found) {
            std::size_t end = at;
            while (end < s.size() && std::isalnum(static_cast<unsigned char>(s[end])))
                ++end;
            const std::string word(s.substr(at, std::max<std::size_t>(end - at, 1)));
            return Fail(
                Format(TextPair{"unbekanntes Element '%s' bei Zeichen %zu (R, C, L, CPE, W oder p(…))",
                                "unknown element '%s' at character %zu (R, C, L, CPE, W or p(…))"}[lang],
                       word.c_str(), Column()));
        }
        at += std::string_view(found->first).size();
        const std::size_t digits = at;
        while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])))
            ++at;
        if (at == digits) {
            if (at < s.size() && std::isalpha(static_cast<unsigned char>(s[at])))
                return Fail(Format(
                    TextPair{"unbekanntes Element bei Zeichen %zu: nach %s gehört eine Nummer, z. B. %s1",
                             "unknown element at character %zu: %s takes a number, e.g. %s1"}[lang],
                    start + 1, found->first, found->first));
            return Fail(Format(TextPair{"%s bei Zeichen %zu braucht eine Nummer, z. B. %s1",
                                        "%s at character %zu needs a number, e.g. %s1"}[lang],
                               found->first, start + 1, found->first));
        }
        auto node = std::make_unique<Node>();
        node->kind = found->second;
        node->name = std::string(s.substr(start, at - start));
        node->position = start + 1;
        if (!names.insert(node->name).second)
            return Fail(Format(TextPair{"%s kommt zweimal vor (bei Zeichen %zu)",
                                        "%s appears twice (at character %zu)"}[lang],
                               node->name.c_str(), start + 1));
        node->param = params.size();
        switch (node->kind) {
        case Kind::R:
            params.push_back({node->name, "Ω", false});
            break;
        case Kind::C:
            params.push_back({node->name, "F", false});
            break;
        case Kind::L:
            params.push_back({node->name, "H", false});
            break;
        case Kind::W:
            params.push_back({node->name, "Ω·s^-½", false});
            break;
        case Kind::CPE:
            params.push_back({node->name + "_Q", "S·s^n", false});
            params.push_back({node->name + "_n", "", true});
            break;
        }
        if (params.size() > kMaxParams)
            return Fail(Format(TextPair{"die Schaltung hat mehr als %zu Parameter",
                                        "the circuit has more than %zu parameters"}[lang],
                               kMaxParams));
        return node;
    }
};

void CollectParams(Node& n)
{
    n.params.clear();
    if (n.type == Node::Element) {
        n.params.push_back(n.param);
        if (n.kind == Kind::CPE)
            n.params.push_back(n.param + 1);
        return;
    }
    for (auto& c : n.children) {
        CollectParams(*c);
        n.params.insert(n.params.end(), c->params.begin(), c->params.end());
    }
}

// 1 / z without the overflow guards of the library's complex division: the model's values
// stay far from the limits of a double.
cd Inverse(cd z)
{
    const double d = 1.0 / std::norm(z);
    return {z.real() * d, -z.imag() * d};
}

// d must hold zeros at the subtree's parameters on entry.
cd Eval(const Node& n, const std::vector<double>& p, double w, cd* d)
{
    switch (n.type) {
    case Node::Element: {
        const double a = p[n.param];
        switch (n.kind) {
        case Kind::R:
            if (d)
                d[n.param] = 1.0;
            return a;
        case Kind::C: {
            const cd z(0.0, -1.0 / (w * a));
            if (d)
                d[n.param] = -z / a;
            return z;
        }
        case Kind::L:
            if (d)
                d[n.param] = cd(0.0, w);
            return cd(0.0, w * a);
        case Kind::W: {
            const cd unit = cd(1.0, -1.0) / std::sqrt(w);
            if (d)
                d[n.param] = unit;
            return a * unit;
        }
        case Kind::CPE: {
            const double e = p[n.param + 1];
            const cd z = std::polar(std::pow(w, -e) / a, -e * kPi / 2.0);
            if (d) {
                d[n.param] = -z / a;
                d[n.param + 1] = -z * cd(std::log(w), kPi / 2.0);
            }
            return z;
        }
        }
        return 0.0;
    }
    case Node::Series: {
        cd z = 0.0;
        for (const auto& c : n.children)
            z += Eval(*c, p, w, d);
        return z;
    }
    case Node::Parallel: {
        cd y = 0.0;
        cd zs[64];
        const std::size_t count = std::min<std::size_t>(n.children.size(), 64);
        for (std::size_t i = 0; i < count; ++i) {
            zs[i] = Eval(*n.children[i], p, w, d);
            y += Inverse(zs[i]);
        }
        const cd z = Inverse(y);
        if (d)
            for (std::size_t i = 0; i < count; ++i) {
                const cd ratio = z * Inverse(zs[i]);
                const cd scale = ratio * ratio;
                for (std::size_t k : n.children[i]->params)
                    d[k] *= scale;
            }
        return z;
    }
    }
    return 0.0;
}

double Combine(const std::vector<double>& rs, bool parallel)
{
    if (!parallel) {
        double s = 0.0;
        for (double r : rs)
            s += r;
        return s;
    }
    double g = 0.0;
    for (double r : rs) {
        if (r == 0.0)
            return 0.0;
        g += 1.0 / r;  // an infinite branch adds nothing
    }
    return g > 0.0 ? 1.0 / g : kInf;
}

// The resistance of a subtree at high frequency (capacitive elements short, `skip` short
// too) or at low frequency (capacitive elements open); inductances and the Warburg element
// add no resistance in either.
double Resistance(const Node& n, const std::vector<double>& p, bool high, const Node* skip)
{
    if (&n == skip)
        return 0.0;
    if (n.type == Node::Element) {
        switch (n.kind) {
        case Kind::R:
            return p[n.param];
        case Kind::C:
        case Kind::CPE:
            return high ? 0.0 : kInf;
        default:
            return 0.0;
        }
    }
    std::vector<double> rs;
    for (const auto& c : n.children)
        rs.push_back(Resistance(*c, p, high, skip));
    return Combine(rs, n.type == Node::Parallel);
}

void FindCpes(const Node& n, const Node* parent, std::vector<std::pair<const Node*, const Node*>>& out)
{
    if (n.type == Node::Element) {
        if (n.kind == Kind::CPE)
            out.push_back({&n, parent});
        return;
    }
    for (const auto& c : n.children)
        FindCpes(*c, &n, out);
}

// Visits every element with the top-level parallel block it belongs to (-1: none).
template <typename F> void ForElements(const Node& n, int block, F&& f)
{
    if (n.type == Node::Element)
        return f(n, block);
    for (const auto& c : n.children)
        ForElements(*c, block, f);
}

std::vector<const Node*> TopTerms(const Node& root)
{
    std::vector<const Node*> t;
    if (root.type == Node::Series)
        for (const auto& c : root.children)
            t.push_back(c.get());
    else
        t.push_back(&root);
    return t;
}

}  // namespace

CircuitModel::CircuitModel() = default;
CircuitModel::~CircuitModel() = default;
CircuitModel::CircuitModel(const CircuitModel& other)
    : m_text(other.m_text), m_params(other.m_params), m_root(other.m_root ? other.m_root->Clone() : nullptr)
{
}
CircuitModel& CircuitModel::operator=(const CircuitModel& other)
{
    if (this != &other) {
        m_text = other.m_text;
        m_params = other.m_params;
        m_root = other.m_root ? other.m_root->Clone() : nullptr;
    }
    return *this;
}

std::optional<CircuitModel> CircuitModel::Parse(std::string_view text, std::string* error, int lang)
{
    lang = lang == 1 ? 1 : 0;
    auto fail = [&](const std::string& message) -> std::optional<CircuitModel> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    if (text.size() > kMaxLength)
        return fail(Format(TextPair{"die Schaltung ist länger als %zu Zeichen",
                                    "the circuit is longer than %zu characters"}[lang],
                           kMaxLength));
    Parser parser;
    parser.s = text;
    parser.lang = lang;
    parser.Skip();
    if (parser.at == text.size())
        return fail(TextPair{"die Schaltung ist leer", "the circuit is empty"}[lang]);
    std::unique_ptr<Node> root = parser.Series(0);
    if (root) {
        parser.Skip();
        if (parser.at < text.size())
            return fail(Format(
                TextPair{"unerwartetes '%c' bei Zeichen %zu", "unexpected '%c' at character %zu"}[lang],
                text[parser.at], parser.Column()));
    }
    if (!root)
        return fail(parser.error);
    CollectParams(*root);
    CircuitModel m;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            m.m_text += c;
    m.m_params = std::move(parser.params);
    m.m_root = std::move(root);
    return m;
}

std::complex<double> CircuitModel::Impedance(const std::vector<double>& p, double hz,
                                             std::vector<std::complex<double>>* d) const
{
    if (!m_root || p.size() < m_params.size())
        return {std::numeric_limits<double>::quiet_NaN(), 0.0};
    if (d)
        d->assign(m_params.size(), cd(0.0));
    return Eval(*m_root, p, 2.0 * kPi * hz, d ? d->data() : nullptr);
}

std::vector<CircuitModel::EffectiveCapacitance>
CircuitModel::EffectiveCapacitances(const std::vector<double>& p) const
{
    std::vector<EffectiveCapacitance> out;
    if (!m_root || p.size() < m_params.size())
        return out;
    std::vector<std::pair<const Node*, const Node*>> cpes;
    FindCpes(*m_root, nullptr, cpes);
    for (const auto& [cpe, parent] : cpes) {
        EffectiveCapacitance e;
        e.element = cpe->name;
        if (parent && parent->type == Node::Parallel) {
            std::vector<double> beside;
            for (const auto& c : parent->children)
                if (c.get() != cpe)
                    beside.push_back(Resistance(*c, p, false, nullptr));
            e.rp = Combine(beside, true);
            e.rs = Resistance(*m_root, p, true, parent);
        } else {
            e.rp = kInf;
            e.rs = Resistance(*m_root, p, true, nullptr);
        }
        const double q = p[cpe->param], n = p[cpe->param + 1];
        const double g = (e.rs > 0.0 && std::isfinite(e.rs) ? 1.0 / e.rs : 0.0) +
                         (e.rp > 0.0 && std::isfinite(e.rp) ? 1.0 / e.rp : 0.0);
        if (n == 1.0)
            e.farad = q;
        else if (g > 0.0 && n > 0.0)
            e.farad = std::pow(q, 1.0 / n) * std::pow(g, (n - 1.0) / n);
        else
            e.farad = std::numeric_limits<double>::quiet_NaN();
        out.push_back(e);
    }
    return out;
}

std::size_t CircuitModel::Blocks() const
{
    std::size_t k = 0;
    if (m_root)
        for (const Node* t : TopTerms(*m_root))
            k += t->type == Node::Parallel;
    return k;
}

std::vector<double> CircuitModel::StartValues(const std::vector<double>& w, const std::vector<cd>& z,
                                              const std::vector<std::size_t>& order) const
{
    std::vector<double> s(m_params.size(), 1.0);
    for (std::size_t k = 0; k < m_params.size(); ++k)
        if (m_params[k].exponent)
            s[k] = 0.9;
    if (!m_root || w.empty() || w.size() != z.size())
        return s;
    double maxAbs = 0.0;
    for (const cd& v : z)
        maxAbs = std::max(maxAbs, std::abs(v));
    const double floor = 1e-3 * maxAbs;
    const double wLow = w.front(), wHigh = w.back();
    const cd zLow = z.front(), zHigh = z.back();
    // The arc starts at the series resistance at high frequencies and ends at the whole at low.
    const double rHigh = std::max(zHigh.real(), floor);
    double span = zLow.real() - rHigh;
    if (span <= floor)
        span = std::max(maxAbs - rHigh, floor);

    const std::vector<const Node*> terms = TopTerms(*m_root);
    const std::size_t blocks = Blocks();
    // Each block's characteristic frequency: the apex for one, else log-spaced, the first
    // block of the string highest.
    std::vector<double> wBlock(blocks);
    if (blocks == 1) {
        std::size_t apex = 0;
        bool found = false;
        for (std::size_t i = 1; i + 1 < z.size(); ++i)
            if (-z[i].imag() >= -z[i - 1].imag() && -z[i].imag() >= -z[i + 1].imag() &&
                (!found || -z[i].imag() > -z[apex].imag())) {
                apex = i;
                found = true;
            }
        if (!found)
            for (std::size_t i = 1; i < z.size(); ++i)
                if (-z[i].imag() > -z[apex].imag())
                    apex = i;
        wBlock[0] = w[apex];
    }
    for (std::size_t k = 0; blocks > 1 && k < blocks; ++k) {
        const std::size_t slot = k < order.size() ? order[k] % blocks : k;
        const double t = (static_cast<double>(slot) + 0.5) / static_cast<double>(blocks);
        wBlock[k] = std::exp(std::log(wHigh) - t * (std::log(wHigh) - std::log(wLow)));
    }

    const double spanBlock = span / static_cast<double>(std::max<std::size_t>(blocks, 1));
    std::size_t topR = 0;
    for (const Node* t : terms)
        topR += t->type == Node::Element && t->kind == Kind::R;
    const double sigmaLow = std::max(-zLow.imag(), floor) * std::sqrt(wLow);
    std::size_t block = 0;
    for (const Node* t : terms) {
        if (t->type != Node::Parallel) {
            // Top-level elements, or a series group of them.
            ForElements(*t, -1, [&](const Node& e, int) {
                switch (e.kind) {
                case Kind::R:
                    s[e.param] = rHigh / static_cast<double>(std::max<std::size_t>(topR, 1));
                    break;
                case Kind::C:
                    s[e.param] = 1.0 / (wLow * std::max(-zLow.imag(), floor));
                    break;
                case Kind::CPE:
                    s[e.param] = 1.0 / (std::pow(wLow, s[e.param + 1]) * std::max(-zLow.imag(), floor));
                    break;
                case Kind::L:
                    s[e.param] = std::max(zHigh.imag(), floor) / wHigh;
                    break;
                case Kind::W:
                    s[e.param] = 0.5 * sigmaLow;
                    break;
                }
            });
            continue;
        }
        // A parallel block: its resistances share the block's part of the arc, less what a
        // Warburg element takes at the lowest frequency; its capacitances set the time constant.
        const double wk = wBlock[block++];
        std::size_t rCount = 0;
        double rest = spanBlock;
        ForElements(*t, 0, [&](const Node& e, int) {
            rCount += e.kind == Kind::R;
            if (e.kind == Kind::W) {
                s[e.param] = std::clamp(sigmaLow, 1e-3 * spanBlock * std::sqrt(wLow),
                                        0.5 * spanBlock * std::sqrt(wLow));
                rest -= s[e.param] / std::sqrt(wLow);
            }
        });
        ForElements(*t, 0, [&](const Node& e, int) {
            switch (e.kind) {
            case Kind::R:
                s[e.param] = rest / static_cast<double>(rCount);
                break;
            case Kind::C:
                s[e.param] = 1.0 / (rest * wk);
                break;
            case Kind::CPE:
                s[e.param] = 1.0 / (rest * std::pow(wk, s[e.param + 1]));
                break;
            case Kind::L:
                s[e.param] = 1e-3 * rest / wk;
                break;
            case Kind::W:
                break;
            }
        });
    }
    return s;
}

std::string_view ExpandCircuitName(std::string_view name)
{
    if (name == "randles")
        return "R0-p(R1,CPE1)";
    if (name == "randles-w")
        return "R0-p(R1-W1,CPE1)";
    return name;
}

}  // namespace qor::potentiostat
