// qortool: drives the station without a window.
#include "cli/command.h"
#include "common/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace qor::cli {

std::vector<Command>& Commands()
{
    static std::vector<Command> commands;
    return commands;
}

Args::Args(std::vector<std::string> args) : m_args(std::move(args))
{
    for (std::size_t i = 0; i + 1 < m_args.size(); ++i)
        if (m_args[i] == "--lang" && (m_args[i + 1] == "en" || m_args[i + 1] == "1"))
            m_lang = 1;
}

std::string Args::Take(const std::string& name, const std::string& fallback)
{
    for (std::size_t i = 0; i < m_args.size(); ++i) {
        if (m_args[i] == name && i + 1 < m_args.size()) {
            std::string v = m_args[i + 1];
            m_args.erase(m_args.begin() + static_cast<long>(i), m_args.begin() + static_cast<long>(i) + 2);
            return v;
        }
    }
    return fallback;
}

bool Args::Has(const std::string& name) const
{
    return std::find(m_args.begin(), m_args.end(), name) != m_args.end();
}

bool Args::Flag(const std::string& name)
{
    auto it = std::find(m_args.begin(), m_args.end(), name);
    if (it == m_args.end())
        return false;
    m_args.erase(it);
    return true;
}

std::string Args::Unknown() const
{
    for (const auto& a : m_args)
        if (a.size() > 2 && a.rfind("--", 0) == 0)
            return TextPair{"unbekannte Option ", "unknown option "}[m_lang] + a;
    return {};
}

int TakeLanguage(Args& args)
{
    const std::string lang = args.Take("--lang", "de");
    return lang == "de" ? 0 : lang == "en" ? 1 : -1;
}

std::optional<int> TakeLanguageAndFiles(Args& args, std::size_t files, const char* usage, int& lang)
{
    lang = TakeLanguage(args);
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (lang < 0)
        return Fail(TextPair{"--lang verlangt de oder en", "--lang takes de or en"}[args.Language()]);
    if (args.Rest().size() != files)
        return Fail(usage);
    return std::nullopt;
}

bool ParseLong(const std::string& s, long lo, long hi, long& out)
{
    char* end = nullptr;
    out = std::strtol(s.c_str(), &end, 10);
    return !s.empty() && !*end && out >= lo && out <= hi;
}

std::string Args::Leftover() const
{
    std::string unknown = Unknown();
    if (unknown.empty() && !m_args.empty())
        unknown = TextPair{"unerwartetes Argument ", "unexpected argument "}[m_lang] + m_args.front();
    return unknown;
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

namespace {
void Usage()
{
    auto cmds = qor::cli::Commands();
    std::sort(cmds.begin(), cmds.end(), [](auto& a, auto& b) { return a.name < b.name; });
    std::fprintf(stderr, "usage: qortool COMMAND [options]\n\ncommands:\n");
    for (const auto& c : cmds)
        std::fprintf(stderr, "  %s %s\n", c.name.c_str(), c.usage.c_str());
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        Usage();
        return argc < 2 ? 2 : 0;
    }
    const std::string name = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : qor::cli::Commands())
        if (c.name == name)
            return c.run(args);
    std::fprintf(stderr, "qortool: unknown command '%s'\n", name.c_str());
    Usage();
    return 2;
}
