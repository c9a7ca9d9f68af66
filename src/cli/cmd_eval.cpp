// qortool eval: the formula interpreter and the virtual channel evaluation from the shell.
#include "cli/command.h"
#include "formula/formel_interpreter.h"
#include "formula/formula_program.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qor::cli {
namespace {

void AppendG17(std::string& out, double v)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
    out.append(buf, res.ptr);
}

// The interpreter's value, or "error" when the flag is set after construction or evaluation.
void AppendInterpreted(std::string& out, const std::string& formula)
{
    formula::CFormelInterpreter ip(formula);
    if (ip.HasError()) {
        out += "error";
        return;
    }
    const double v = ip.Evaluate();
    if (ip.HasError())
        out += "error";
    else
        AppendG17(out, v);
}

bool ParseNumber(const std::string& text, double* v)
{
    if (text.empty())
        return false;
    const double n = formula::CFormelInterpreter::LeadingNumber(text);
    char* end = nullptr;
    std::strtod(text.c_str(), &end);  // only to see that the whole text is a number
    if (end == nullptr || *end != '\0')
        return false;
    *v = n;
    return true;
}

// Many lines: one formula per line, or FORMULA<TAB>Y<TAB>Z. Programmes are kept per formula.
int RunBatch()
{
    std::unordered_map<std::string, formula::FormulaProgram> programs;
    std::string out;
    out.reserve(1 << 20);
    std::string line;
    char buf[1 << 16];
    bool pendingLine = false;
    auto handle = [&](std::string& l) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        const std::size_t tab = l.find('\t');
        if (tab == std::string::npos) {
            AppendInterpreted(out, l);
        } else {
            const std::string f = l.substr(0, tab);
            const std::size_t tab2 = l.find('\t', tab + 1);
            const std::string ys =
                l.substr(tab + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab - 1);
            const std::string zs = tab2 == std::string::npos ? std::string() : l.substr(tab2 + 1);
            double y = 0.0, z = 0.0;
            if (!ParseNumber(ys, &y) || (!zs.empty() && !ParseNumber(zs, &z))) {
                out += "error";
            } else {
                if (programs.size() > 4096)
                    programs.clear();
                auto it = programs.find(f);
                if (it == programs.end())
                    it = programs.emplace(f, formula::FormulaProgram(f)).first;
                AppendG17(out, it->second.Evaluate(y, z));
            }
        }
        out += '\n';
        if (out.size() >= (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    };
    while (std::fgets(buf, sizeof buf, stdin)) {
        std::string_view piece(buf);
        const bool complete = !piece.empty() && piece.back() == '\n';
        if (complete)
            piece.remove_suffix(1);
        line.append(piece);
        pendingLine = true;
        if (complete) {
            handle(line);
            line.clear();
            pendingLine = false;
        }
    }
    if (pendingLine)
        handle(line);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int RunEval(const Parsed& p)
{
    const bool hasY = p.Has("--y");
    const bool hasZ = p.Has("--z");
    const std::string ys = p.Value("--y");
    const std::string zs = p.Value("--z");
    if (p.Has("--batch") ? hasY || hasZ || !p.Operands().empty() : p.Operands().empty())
        return UsageFault(p);
    if (p.Has("--batch"))
        return RunBatch();
    const std::string& f = p.Operands()[0];
    std::string out;
    if (hasY || hasZ) {
        double y = 0.0, z = 0.0;
        if ((hasY && !ParseNumber(ys, &y)) || (hasZ && !ParseNumber(zs, &z)))
            return Fail(TextPair{"--y und --z verlangen Zahlen wie 2.5 oder -1e3",
                                 "--y and --z take numbers, such as 2.5 or -1e3"}[p.lang]);
        formula::FormulaProgram p(f);
        AppendG17(out, p.Evaluate(y, z));
    } else {
        AppendInterpreted(out, f);
    }
    std::printf("%s\n", out.c_str());
    return 0;
}

// A formula may start with "--" (such as --3): such a word is the formula.
const Registrar kEval(
    {"eval",
     {{Option::Text("--y", "Y"), Option::Text("--z", "Z"), Option::Flag("--batch")}, {"FORMULA"}, 1, true},
     "a formula's value; with y and z a virtual channel's; --batch: one per stdin line,\n"
     "        FORMULA or FORMULA<TAB>Y<TAB>Z",
     RunEval});

}  // namespace
}  // namespace qor::cli
