#pragma once

#include "catalogue/slave.h"
#include "data/grafik_setup.h"

#include <array>
#include <optional>
#include <string>

namespace qor::data {

// The rules of the "graphic setup" dialog: per module which values are drawn and by which
// factor, the recording interval and the Y range. The widget shows what this model holds and
// hands the user's input back before OK.
class GrafikSetupGlgModel {
public:
    struct Row {
        std::string label;  // "%2d: " and the module name, or "not released"
        bool released = false;
        std::array<std::string, 3> captions;  // units of values 1..3, empty when not released
        std::array<bool, 3> show{};
        std::array<std::string, 3> factor;  // as edited
    };
    // A field that is not a number: address 0..15 and value 0..2, or address -1 and value
    // 0 for "Y from", 1 for "Y to".
    struct Field {
        int address = -1;
        int value = 0;
        bool operator==(const Field&) const = default;
    };

    // Opening: rows from the station's module records and the setup. Only released modules can
    // be switched on; the interval is editable only when a recording starts.
    GrafikSetupGlgModel(const CGrafikSetup& setup, const std::array<catalogue::CSlave, 16>& slaves,
                        bool intervalEditable, int language);

    const Row& GetRow(int address) const { return m_rows[static_cast<std::size_t>(address & 15)]; }
    bool IntervalEditable() const { return m_intervalEditable; }
    CGrafikSetup::Hms Interval() const { return m_interval; }
    const std::string& YFrom() const { return m_yFrom; }
    const std::string& YTo() const { return m_yTo; }

    void SetShow(int address, int value, bool on);
    void SetFactor(int address, int value, const std::string& text);
    // Ignored unless editable; each part is kept to a time of day.
    void SetInterval(int hours, int minutes, int seconds);
    void SetYFrom(const std::string& text) { m_yFrom = text; }
    void SetYTo(const std::string& text) { m_yTo = text; }

    // OK: the first field that is not a number, and nothing is stored; otherwise Result()
    // holds the new setup (show flags, factors, interval, Y range and the module types found).
    std::optional<Field> OnOK();
    const CGrafikSetup& Result() const { return m_result; }
    // What the user is told about a field OnOK refused; it names the field.
    std::string NotANumberText(const Field& field) const;

    std::string Title() const;
    std::string ColumnCaption(int column) const;  // 0 row labels, 1..3 values 1..3
    std::string IntervalText() const;
    std::string YFromText() const;
    std::string YToText() const;
    std::string VirtualChannelsText() const;

    // A number as the edits take it: the decimal mark of the language (German ',', English
    // '.'), no group marks, an optional exponent, blanks around it allowed, finite. Text
    // with the other mark is refused rather than read one way or the other.
    static std::optional<float> ParseNumber(const std::string& text, int language);
    static std::string NumberText(float value, int language);

private:
    CGrafikSetup m_result;
    std::array<std::uint8_t, 16> m_types{};
    std::array<Row, 16> m_rows;
    CGrafikSetup::Hms m_interval;
    bool m_intervalEditable;
    int m_language;
    std::string m_yFrom, m_yTo;
};

}  // namespace qor::data
