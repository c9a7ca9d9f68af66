#pragma once

#include "common/text.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qor::cli {

// One option a command takes. The parser checks what is declared here, with one wording per
// kind of fault; what depends on more than the option itself stays with the command.
struct Option {
    std::string name;      // "--interval"
    std::string value;     // the value's name in the usage line ("S"); empty: a flag
    long lo = 0, hi = -1;  // lo <= hi: a whole number within lo..hi
    TextPair noun{"eine ganze Zahl", "a whole number"};  // what the number is, for the message
    std::vector<std::string> choices;                    // not empty: one of these
    std::vector<std::string> needs;                      // only together with one of these
    std::string excludes;                                // never together with this one
    bool required = false;
    bool repeats = false;  // may come more than once (Parsed::Values)
    std::string shown;     // the usage line's text for it; empty: the default, "-": none

    static Option Flag(std::string name) { return Text(std::move(name), {}); }
    static Option Text(std::string name, std::string value);
    static Option Number(std::string name, std::string value, long lo, long hi, TextPair noun = {});
    static Option Choice(std::string name, std::vector<std::string> choices);
    Option Required() const;
    Option Repeats() const;
    Option Needs(std::vector<std::string> names) const;
    Option Excludes(std::string name) const;
    Option Shown(std::string text) const;
};

// What a command takes: its options (--lang de|en and --help come with every command) and its
// operands, of which the last `optional` may be left out.
struct Syntax {
    Syntax(std::vector<Option> o = {}, std::vector<std::string> names = {}, std::size_t optionalLast = 0,
           bool dash = false)
        : options(std::move(o)), operands(std::move(names)), optional(optionalLast), dashOperands(dash)
    {
    }
    std::vector<Option> options;
    std::vector<std::string> operands;  // their names in the usage line
    std::size_t optional = 0;
    bool dashOperands = false;  // a word starting with "--" that is no option is an operand
};

struct Command;

// The command line as the syntax took it (filled by Parse).
struct Parsed {
    int lang = 0;  // 0 German, 1 English
    bool Has(const std::string& name) const;
    // The value given last, or `fallback`.
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
    // A number option's value (checked by the parser), or `fallback`.
    long Number(const std::string& name, long fallback) const;
    // Every value of a repeated option, in order.
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Operands() const { return operands; }
    const Command* command = nullptr;  // the one parsed for

    std::vector<std::pair<std::string, std::string>> given;  // option and value, in order
    std::vector<std::string> operands;
};

// One command of qortool ("record"), or one of a group ("pot analyse"). Each cmd_*.cpp
// registers its own with a static Registrar.
struct Command {
    std::string name;
    Syntax syntax;
    std::string help;  // what it does, lines after the usage line
    std::function<int(const Parsed&)> run;
};

std::vector<Command>& Commands();

struct Registrar {
    explicit Registrar(Command c) { Commands().push_back(std::move(c)); }
};

// The usage line's arguments, from the declarations.
std::string Synopsis(const Syntax& syntax);
// `text` in lines of at most 100 characters where it has spaces, the later ones indented.
std::string Wrap(const std::string& text);
// Takes `argv` (after the command's name) as `c` declares it. The exit code when the command
// is not to run: 2 with the fault said, 0 after --help.
std::optional<int> Parse(const Command& c, const std::vector<std::string>& argv, Parsed& out);
// Runs the command `c` on `argv`.
int Run(const Command& c, const std::vector<std::string>& argv);
// "usage: qortool NAME SYNOPSIS" as a fault of the command line: 2.
int UsageFault(const Parsed& p);

// A whole decimal number within lo..hi.
bool ParseLong(const std::string& s, long lo, long hi, long& out);
// --size WxH, 100 to 20000 pixels each; the exit code of a bad one.
std::optional<int> TakeSize(const Parsed& p, int& w, int& h);
// A picture's options: --png OUT.png or --pdf OUT.pdf, --size WxH; then `more`.
Syntax PictureSyntax(std::vector<Option> more, std::vector<std::string> operands);

// "qortool: <message>" on stderr: the one way the commands speak there.
void Say(const std::string& message);
// Says `message` and returns 2: the command line was wrong.
int Fail(const std::string& message);
// The same, returning 1: the station (the bus, a module, a file) failed.
int StationFail(const std::string& message);

}  // namespace qor::cli
