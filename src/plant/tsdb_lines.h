#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qor::data {
class CDatenObject;
class CGrafikSetup;
class CGrafikSetupVirtuell;
class VirtualChannels;
}  // namespace qor::data

namespace qor::plant {

// One stored sample as the database gets it. NaN (or any value that is not finite) is "no
// value" and gives no line.
struct TsdbPoint {
    std::int64_t time = 0;                          // seconds since 1970 (UTC)
    std::array<std::array<float, 3>, 16> values{};  // [address][value 1..3 - 1], as stored
    std::array<double, 4> virtualChannels{};        // V1..V4 as the window shows them
};

// The point of a stored sample: its values as the document holds them (value 1 x unit factor),
// and the enabled virtual channels evaluated from it as the window evaluates them.
TsdbPoint PointOf(const data::CDatenObject& sample, const data::CGrafikSetup& setup,
                  const data::CGrafikSetupVirtuell& virtuell, data::VirtualChannels& channels);

// A tag value of the line protocol: comma, equals sign, space and backslash escaped with a
// backslash; control characters, which no line may hold, become spaces (escaped too).
std::string EscapeTag(std::string_view value);

// Appends one line per value of the point:
//   qor,station=STATION,address=A,value=K v=NUMBER UNIX_NANOSECONDS
// (address V1..V4 with value=1 for the virtual channels). `station` is already escaped.
// Returns the number of lines appended.
std::size_t AppendLines(std::string& out, std::string_view station, const TsdbPoint& point);

}  // namespace qor::plant
