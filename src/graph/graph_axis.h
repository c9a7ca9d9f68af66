#pragma once

#include <string>

namespace qor::graph {

// Name, unit and decimals of an axis, and the three number formats built from them.
struct GraphAxis {
    std::string m_name;
    std::string m_unit;
    int m_decimals = 0;
    std::string m_fmtNumber;  // "%0.<d>f"
    std::string m_fmtUnit;    // "%0.<d>f <unit>"

    GraphAxis() { Set("", "", 0); }
    // Decimals are clamped to 0..10, the range a format can carry.
    void Set(const std::string& name, const std::string& unit, int decimals);

    // A value that is not a number (nothing was measured) reads "---", never "nan" or 0.
    static constexpr const char* kNoValue = "---";
    std::string FormatNumber(double v) const;
    std::string FormatWithUnit(double v) const;
    // "name [unit]", or the name alone.
    std::string Title() const;
};

}  // namespace qor::graph
