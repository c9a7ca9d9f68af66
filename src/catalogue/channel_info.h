#pragma once

#include <string>

namespace qor::catalogue {

// What the catalogue says about the three values of one module.
struct ChannelInfo {
    std::string unit1, unit2, unit3;
    std::string name1, name2, name3;  // in the record's language
    // Meter ranges; a linear amplifier's value 1 ends at its calibration.
    float max1 = 0.0f, min1 = 0.0f;
    float max2 = 0.0f, min2 = 0.0f;
    int decimals1 = 0;  // also the decimal exponent of raw value 1
    int decimals2 = 0;
    float factor = 1.0f;  // value 1 x factor = value in the base unit
    std::string baseUnit;
};

}  // namespace qor::catalogue
