// The one command-line parser of qortool and the one way its commands speak on stderr.
#include "cli/command.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qor::cli {
namespace {

const Option kLang = Option::Choice("--lang", {"de", "en"});

std::string Join(const std::vector<std::string>& words, int lang)
{
    std::string s;
    for (std::size_t i = 0; i < words.size(); ++i)
        s += (i == 0 ? "" : i + 1 < words.size() ? ", " : TextPair{" oder ", " or "}[lang]) + words[i];
    return s;
}

std::string Shown(const Option& o)
{
    if (!o.shown.empty())
        return o.shown == "-" ? std::string() : o.shown;
    std::string s = o.name;
    if (!o.choices.empty()) {
        s += ' ';
        for (std::size_t i = 0; i < o.choices.size(); ++i)
            s += (i ? "|" : "") + o.choices[i];
    } else if (!o.value.empty()) {
        s += ' ' + o.value;
    }
    if (o.repeats)
        s += "...";
    return o.required ? s : "[" + s + "]";
}

// The message of a value its option does not take; empty when it is taken.
std::string CheckValue(const Option& o, const std::string& v, int lang)
{
    long n = 0;
    if (o.lo <= o.hi && !ParseLong(v, o.lo, o.hi, n))
        return Format(TextPair{"%s verlangt %s von %ld bis %ld", "%s needs %s from %ld to %ld"}[lang],
                      o.name.c_str(), o.noun[lang], o.lo, o.hi);
    if (!o.choices.empty() && std::find(o.choices.begin(), o.choices.end(), v) == o.choices.end())
        return Format(TextPair{"%s verlangt %s", "%s needs %s"}[lang], o.name.c_str(),
                      Join(o.choices, lang).c_str());
    return {};
}

// What is wrong with a line whose every word was taken: an option missing, or one given
// without the one it needs or with the one it excludes.
std::string CheckTogether(const Syntax& s, const Parsed& p)
{
    for (const Option& o : s.options) {
        if (o.required && !p.Has(o.name))
            return Format(TextPair{"%s %s fehlt", "%s %s is required"}[p.lang], o.name.c_str(),
                          o.value.c_str());
        if (!p.Has(o.name))
            continue;
        if (!o.needs.empty() &&
            std::none_of(o.needs.begin(), o.needs.end(), [&](const std::string& n) { return p.Has(n); }))
            return Format(TextPair{"%s gilt nur mit %s", "%s goes with %s only"}[p.lang], o.name.c_str(),
                          Join(o.needs, p.lang).c_str());
        if (!o.excludes.empty() && p.Has(o.excludes))
            return Format(TextPair{"entweder %s oder %s angeben", "give either %s or %s"}[p.lang],
                          o.name.c_str(), o.excludes.c_str());
    }
    return {};
}

}  // namespace

std::string Wrap(const std::string& text)
{
    constexpr std::size_t kWidth = 100;
    // Words are split at spaces outside brackets, so "[--out FILE]" stays on one line.
    std::vector<std::string> words(1);
    int depth = 0;
    for (char c : text) {
        depth += (c == '[' || c == '(') - (c == ']' || c == ')');
        if (c == ' ' && depth == 0)
            words.emplace_back();
        else
            words.back() += c;
    }
    std::string out, line;
    for (const std::string& word : words) {
        if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
            out += line + "\n";
            line = "       ";
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
}

std::vector<Command>& Commands()
{
    static std::vector<Command> commands;
    return commands;
}

Option Option::Text(std::string name, std::string value)
{
    Option o;
    o.name = std::move(name);
    o.value = std::move(value);
    return o;
}

Option Option::Number(std::string name, std::string value, long lo, long hi, TextPair noun)
{
    Option o = Text(std::move(name), std::move(value));
    o.lo = lo;
    o.hi = hi;
    if (noun.de)
        o.noun = noun;
    return o;
}

Option Option::Choice(std::string name, std::vector<std::string> choices)
{
    Option o = Text(std::move(name), "X");
    o.choices = std::move(choices);
    return o;
}

Option Option::Required() const
{
    Option o = *this;
    o.required = true;
    return o;
}

Option Option::Repeats() const
{
    Option o = *this;
    o.repeats = true;
    return o;
}

Option Option::Needs(std::vector<std::string> names) const
{
    Option o = *this;
    o.needs = std::move(names);
    return o;
}

Option Option::Excludes(std::string name) const
{
    Option o = *this;
    o.excludes = std::move(name);
    return o;
}

Option Option::Shown(std::string text) const
{
    Option o = *this;
    o.shown = std::move(text);
    return o;
}

bool Parsed::Has(const std::string& name) const
{
    return std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == name; });
}

std::string Parsed::Value(const std::string& name, const std::string& fallback) const
{
    for (auto it = given.rbegin(); it != given.rend(); ++it)
        if (it->first == name)
            return it->second;
    return fallback;
}

long Parsed::Number(const std::string& name, long fallback) const
{
    return Has(name) ? std::strtol(Value(name).c_str(), nullptr, 10) : fallback;
}

std::vector<std::string> Parsed::Values(const std::string& name) const
{
    std::vector<std::string> v;
    for (const auto& g : given)
        if (g.first == name)
            v.push_back(g.second);
    return v;
}

std::string Synopsis(const Syntax& syntax)
{
    std::string s;
    for (std::size_t i = 0; i < syntax.operands.size(); ++i) {
        const bool optional = i + syntax.optional >= syntax.operands.size();
        s += (s.empty() ? "" : " ") + (optional ? "[" + syntax.operands[i] + "]" : syntax.operands[i]);
    }
    for (const Option& o : syntax.options)
        if (const std::string shown = Shown(o); !shown.empty())
            s += (s.empty() ? "" : " ") + shown;
    return s + (s.empty() ? "" : " ") + Shown(kLang);
}

std::optional<int> Parse(const Command& c, const std::vector<std::string>& argv, Parsed& out)
{
    out = Parsed{};
    out.command = &c;
    // The messages speak the language asked for, wherever --lang stands.
    for (std::size_t i = 0; i + 1 < argv.size(); ++i)
        if (argv[i] == "--lang" && (argv[i + 1] == "en" || argv[i + 1] == "1"))
            out.lang = 1;
    const int l = out.lang;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "--help") {
            std::printf("%s\n", Wrap("usage: qortool " + c.name + " " + Synopsis(c.syntax)).c_str());
            if (!c.help.empty())
                std::printf("        %s\n", c.help.c_str());
            return 0;
        }
        const auto o = std::find_if(c.syntax.options.begin(), c.syntax.options.end(),
                                    [&](const Option& x) { return x.name == a; });
        const Option* option = a == kLang.name ? &kLang : o == c.syntax.options.end() ? nullptr : &*o;
        if (!option) {
            if (a.size() > 2 && a.rfind("--", 0) == 0 && !c.syntax.dashOperands)
                return Fail(TextPair{"unbekannte Option ", "unknown option "}[l] + a);
            out.operands.push_back(a);
            continue;
        }
        if (option->value.empty()) {
            out.given.emplace_back(a, std::string());
            continue;
        }
        if (i + 1 >= argv.size() || argv[i + 1].empty())
            return Fail(
                Format(TextPair{"%s verlangt %s", "%s needs %s"}[l], a.c_str(),
                       option->choices.empty() ? option->value.c_str() : Join(option->choices, l).c_str()));
        // The old numbers of the languages, 0 and 1, are still taken.
        std::string v = argv[++i];
        if (option == &kLang && (v == "0" || v == "1"))
            v = v == "1" ? "en" : "de";
        if (const std::string bad = CheckValue(*option, v, l); !bad.empty())
            return Fail(bad);
        out.given.emplace_back(a, v);
    }
    out.lang = out.Value("--lang", "de") == "en" ? 1 : 0;
    if (const std::string bad = CheckTogether(c.syntax, out); !bad.empty())
        return Fail(bad);
    const std::size_t n = out.operands.size(), most = c.syntax.operands.size();
    if (n > most || n + c.syntax.optional < most)
        return UsageFault(out);
    return std::nullopt;
}

int Run(const Command& c, const std::vector<std::string>& argv)
{
    Parsed p;
    if (const auto code = Parse(c, argv, p))
        return *code;
    return c.run(p);
}

int UsageFault(const Parsed& p)
{
    return Fail(TextPair{"Aufruf: qortool ", "usage: qortool "}[p.lang] + p.command->name + " " +
                Synopsis(p.command->syntax));
}

bool ParseLong(const std::string& s, long lo, long hi, long& out)
{
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && !*end && out >= lo && out <= hi;
}

std::optional<int> TakeSize(const Parsed& p, int& w, int& h)
{
    const std::string s = p.Value("--size", "1200x800");
    char x = 0, rest = 0;
    if (std::sscanf(s.c_str(), "%d%c%d%c", &w, &x, &h, &rest) == 3 && (x == 'x' || x == 'X') && w >= 100 &&
        h >= 100 && w <= 20000 && h <= 20000)
        return std::nullopt;
    return Fail(Format(TextPair{"falsche --size '%s' (BxH, je 100 bis 20000 Pixel)",
                                "bad --size '%s' (WxH, 100 to 20000 pixels each)"}[p.lang],
                       s.c_str()));
}

Syntax PictureSyntax(std::vector<Option> more, std::vector<std::string> operands)
{
    more.insert(more.begin(),
                {Option::Text("--png", "OUT.png").Excludes("--pdf").Shown("(--png OUT.png | --pdf OUT.pdf)"),
                 Option::Text("--pdf", "OUT.pdf").Shown("-"), Option::Text("--size", "WxH")});
    return {std::move(more), std::move(operands)};
}

void Say(const std::string& message)
{
    std::fprintf(stderr, "qortool: %s\n", message.c_str());
}

int Fail(const std::string& message)
{
    Say(message);
    return 2;
}

int StationFail(const std::string& message)
{
    Say(message);
    return 1;
}

}  // namespace qor::cli
