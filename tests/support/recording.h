#pragma once

// qorsim started for an end-to-end test, and the samples of a recording as qortool record
// prints them and as qortool dump shows the document.
#include "support/free_port.h"
#include "support/process.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qor::test {

// pH 7.000, 12.34 mS/cm and 95.5 % oxygen at addresses 0 to 2, fixed: every value is known.
inline const std::vector<std::string> kThreeAmplifiers = {"--module", "0=1", "--raw", "0=7000,-1234,251",
                                                          "--module", "1=5", "--raw", "1=1234,567,200",
                                                          "--module", "2=8", "--raw", "2=955,862,180"};

// qorsim with `args` and `more` on a free TCP port (or a pseudo-terminal), and the options
// that reach it.
struct Qorsim {
    explicit Qorsim(std::vector<std::string> args, bool tcp = true, const std::vector<std::string>& more = {})
        : at(tcp ? "127.0.0.1:" + std::to_string(PickFreePort()) : std::string())
    {
        args.insert(args.end(), more.begin(), more.end());
        args.insert(args.begin(), {BinPath("qorsim"), tcp ? "--tcp" : "--pty"});
        if (tcp)
            args.insert(args.begin() + 2, at);
        process = std::make_unique<Process>(args);
        const std::string first = process->ReadLine();
        EXPECT_FALSE(first.empty());
        link = {tcp ? "--tcp" : "--serial", tcp ? at : first};
    }
    // qortool COMMAND on this bus, then `options`.
    std::vector<std::string> Qortool(const std::string& command, std::vector<std::string> options = {}) const
    {
        options.insert(options.begin(), {BinPath("qortool"), command, link[0], link[1]});
        return options;
    }
    std::string at;
    std::vector<std::string> link;
    std::unique_ptr<Process> process;
};

// One sample: its time and value 1, value 2 and temperature of the sixteen addresses (NaN:
// nothing measured).
struct Sample {
    std::int64_t time = 0;
    std::array<std::array<float, 16>, 3> values{};

    bool operator==(const Sample& o) const
    {
        for (std::size_t k = 0; k < 3; ++k)
            for (std::size_t a = 0; a < 16; ++a)
                if (!(values[k][a] == o.values[k][a] ||
                      (std::isnan(values[k][a]) && std::isnan(o.values[k][a]))))
                    return false;
        return time == o.time;
    }
};

// The `sample` lines of qortool record --print-samples.
inline std::vector<Sample> PrintedSamples(const std::string& text)
{
    std::vector<Sample> out;
    std::istringstream lines(text);
    for (std::string line, word; std::getline(lines, line);) {
        std::istringstream in(line);
        Sample s;
        if (line.rfind("sample ", 0) != 0 || !(in >> word >> word >> s.time))
            continue;
        for (auto& values : s.values)
            for (float& v : values)
                v = in >> word ? std::strtof(word.c_str(), nullptr) : NAN;
        out.push_back(s);
    }
    return out;
}

// The samples of a `qortool dump` document.
inline std::vector<Sample> DumpSamples(const std::string& json)
{
    std::vector<Sample> out;
    const auto end = json.find("],\"setup\"");
    for (auto p = json.find("{\"time\":"); p != std::string::npos && p < end;
         p = json.find("{\"time\":", p + 1)) {
        Sample s;
        s.time = std::stoll(json.substr(p + 8, 24));
        std::size_t q = p;
        for (auto& values : s.values) {
            q = json.find('[', q) + 1;
            for (float& v : values) {
                const std::size_t stop = json.find_first_of(",]", q);
                v = json.compare(q, stop - q, "null") == 0 ? NAN : std::strtof(json.c_str() + q, nullptr);
                q = stop + 1;
            }
        }
        out.push_back(s);
    }
    return out;
}

// qortool dump of a document, which must succeed.
inline std::string Dump(const std::string& path)
{
    std::string out;
    EXPECT_EQ(RunProgram({BinPath("qortool"), "dump", path}, &out), 0);
    return out;
}

}  // namespace qor::test
