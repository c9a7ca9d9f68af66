#pragma once

#include "alarm/alarm_definition.h"

#include <optional>
#include <string>
#include <vector>

namespace qor::alarm {

// The rules of the alarm dialog: the definitions as text fields with the decimal mark of the
// window's language, and what OK may store. It refuses what is not a number written with
// that mark, or limits that cannot be met; it never guesses.
class AlarmDlgModel {
public:
    struct Row {
        std::string source, high, low, deadband, onDelay, offDelay;
        bool enabled = true;
    };
    static constexpr int kColumns = 7;

    AlarmDlgModel(const AlarmSettings& settings, int language);

    std::vector<Row> rows;
    std::string commLoss;
    std::string command;
    bool rideThrough = false;

    // A new row: the next value 1 of an address not yet watched, its limits empty.
    void AddRow();
    void RemoveRow(std::size_t row);
    static const char* ColumnTitle(int column, int language);

    // A number in the language's form ("7,20" in German, "7.20" in English); "" is none.
    std::string NumberField(double v) const;
    // The settings the fields say; nothing, and the reason in `error`, when a field is wrong.
    std::optional<AlarmSettings> Accept(std::string& error) const;

private:
    bool ParseField(const std::string& field, double& out) const;

    int m_lang;
};

}  // namespace qor::alarm
