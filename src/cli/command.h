#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qor::cli {

// One sub-command of qortool. Each cmd_*.cpp registers its own with a static Registrar.
struct Command {
    std::string name;
    std::string usage;  // one line: arguments after the command name
    std::function<int(const std::vector<std::string>& args)> run;
};

std::vector<Command>& Commands();

struct Registrar {
    explicit Registrar(Command c) { Commands().push_back(std::move(c)); }
};

// Small helpers for the commands' argument lists.
class Args {
public:
    // The language of the messages is known from the start: "--lang en" (or 1) anywhere.
    explicit Args(std::vector<std::string> args);
    // 0 German, 1 English.
    int Language() const { return m_lang; }
    // Removes "--name VALUE" and returns VALUE (or `fallback` when absent).
    std::string Take(const std::string& name, const std::string& fallback = {});
    bool Has(const std::string& name) const;
    // Removes a "--flag" without value; true when it was there.
    bool Flag(const std::string& name);
    // What is left once the options were taken.
    const std::vector<std::string>& Rest() const { return m_args; }
    // An error message for the first unknown "--option" left, empty if none.
    std::string Unknown() const;
    // As Unknown(), and also for any other argument left over.
    std::string Leftover() const;

private:
    std::vector<std::string> m_args;
    int m_lang = 0;
};

// A whole decimal number within lo..hi.
bool ParseLong(const std::string& s, long lo, long hi, long& out);

// --lang de (the default) or en: 0 or 1; -1 for anything else.
int TakeLanguage(Args& args);
// --lang into `lang`, no unknown option, and exactly `files` file arguments; the exit code of
// the first that is wrong (`usage` names the command's form).
std::optional<int> TakeLanguageAndFiles(Args& args, std::size_t files, const char* usage, int& lang);

// Prints "qortool: <message>" on stderr and returns 2: a wrong option.
int Fail(const std::string& message);
// The same, returning 1: the station (the bus, a module, a file) failed.
int StationFail(const std::string& message);
// "qortool: <message>" on stderr.
void Say(const std::string& message);

}  // namespace qor::cli
