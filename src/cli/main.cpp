// qortool: drives the station without a window.
#include "cli/command.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Every command with its usage line and what it does, from their declarations.
void Usage(std::FILE* to)
{
    auto cmds = qor::cli::Commands();
    std::sort(cmds.begin(), cmds.end(), [](auto& a, auto& b) { return a.name < b.name; });
    std::fprintf(to,
                 "usage: qortool COMMAND [options]   (qortool COMMAND --help: one command)\n\ncommands:\n");
    for (const auto& c : cmds) {
        std::fprintf(to, "  %s\n", qor::cli::Wrap(c.name + " " + qor::cli::Synopsis(c.syntax)).c_str());
        if (!c.help.empty())
            std::fprintf(to, "        %s\n", c.help.c_str());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    using qor::cli::Commands;
    if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
        Usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string name = argv[1];
    // A command of a group ("pot analyse") before the group's own ("pot").
    if (argc > 2)
        for (const auto& c : Commands())
            if (c.name == name + " " + argv[2])
                return qor::cli::Run(c, std::vector<std::string>(argv + 3, argv + argc));
    for (const auto& c : Commands())
        if (c.name == name)
            return qor::cli::Run(c, std::vector<std::string>(argv + 2, argv + argc));
    std::string group;
    for (const auto& c : Commands())
        if (c.name.rfind(name + " ", 0) == 0)
            group += (group.empty() ? "" : "|") + c.name.substr(name.size() + 1);
    if (!group.empty())
        return qor::cli::Fail("usage: qortool " + name + " " + group + " ...   (qortool " + name + " " +
                              group.substr(0, group.find('|')) + " --help: one of them)");
    qor::cli::Say("unknown command '" + name + "'");
    Usage(stderr);
    return 2;
}
