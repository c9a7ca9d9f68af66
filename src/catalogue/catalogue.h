#pragma once

#include "catalogue/channel_info.h"
#include "catalogue/slave.h"

#include <array>
#include <cstdint>
#include <string>

namespace qor::catalogue {

// Codes 64..127, and the same with bit 7 set (a potentiostat whose program has ended).
bool IsPotentiostat(std::uint8_t type);
// Types whose measurement answer carries the conductivity display mode in data[4] bits 6-7.
bool HasDisplayMode(std::uint8_t type);

ChannelInfo DescribeModule(const CSlave& slave);
std::string ModuleName(const CSlave& slave);
std::string SecondUnit(const CSlave& slave);

// Turns the three raw words of a measurement answer into values 1..3 of the record.
// `status` is the answer's type/status code; it also becomes the record's type code.
void DecodeValues(CSlave& slave, std::uint8_t status, std::array<std::int16_t, 3> raw);

}  // namespace qor::catalogue
