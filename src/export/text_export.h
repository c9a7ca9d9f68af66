#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::data {
class CDatenObject;
class CGrafikSetup;
class CGrafikSetupVirtuell;
}  // namespace qor::data

namespace qor::exporter {

// What the export dialog hands back.
struct ExportOptions {
    std::array<std::array<bool, 3>, 16> columns{};  // [channel][value 1..3 as 0..2]
    bool virtualChannels = false;
    int decimalMark = 0;  // 0 comma, 1 point
    int dateTime = 0;     // 0 date and time together, 1 separate
    int precision = 2;    // decimals of values 1 and 2 and of the virtual channels
    int language = 0;
};

// The catalogue's words for one channel, UTF-8.
struct ChannelTexts {
    std::string moduleName;
    std::array<std::string, 3> name;
    std::array<std::string, 3> unit;  // unit 2 as SecondUnit gives it
};

// Everything the table is made from.
struct ExportInput {
    const std::vector<data::CDatenObject>* samples = nullptr;
    const data::CGrafikSetup* setup = nullptr;  // scale factors of the virtual channels' inputs
    const data::CGrafikSetupVirtuell* virtuell = nullptr;
    std::array<ChannelTexts, 16> channels;
};

// The header line as UTF-8 (the file holds it in Windows-1252).
std::string ExportHeader(const ExportInput& in, const ExportOptions& options);

// Produces the whole table in Windows-1252, handing it out in pieces of about a megabyte.
void ProduceTextExport(const ExportInput& in, const ExportOptions& options,
                       const std::function<void(std::string_view)>& sink);
// The same into one string (tests, small documents).
std::string TextExport(const ExportInput& in, const ExportOptions& options);
// Creates (or empties) the file and writes the table. False with the system's reason on failure.
bool WriteTextExport(const std::string& path, const ExportInput& in, const ExportOptions& options,
                     std::string* error = nullptr);

}  // namespace qor::exporter
