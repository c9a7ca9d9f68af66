#pragma once

#include "potentiostat/pot_manuell_model.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qor::station {
class PotProgram;
}

namespace qor::ui {

// "VP5100 manuelle Bedienung": mode, relay, set value, ranges and filters, sent with
// "Aktuallisieren". Without a bus (`program` null) nothing is sent.
class CPotManuell : public QDialog {
    Q_OBJECT
public:
    CPotManuell(potentiostat::PotManuellModel& model, station::PotProgram* program, int lang,
                QWidget* parent = nullptr);

    QRadioButton* ModeRadio(int mode) const { return m_mode[static_cast<std::size_t>(mode)]; }
    QLineEdit* SetValue() const { return m_value; }
    QPushButton* Calculate() const { return m_calculate; }
    QLabel* Measured() const { return m_measured; }
    QLabel* Sent() const { return m_sent; }
    void Refresh();
    // Polls the module once and shows its potential and current; a timer calls it every second.
    void UpdateMeasured();

private:
    void Take();

    potentiostat::PotManuellModel& m_model;
    station::PotProgram* m_program;
    bool m_refreshing = false;
    std::array<QRadioButton*, 2> m_relay{};
    std::array<QRadioButton*, 8> m_current{};
    std::array<QRadioButton*, 2> m_voltage{};
    std::array<QRadioButton*, 3> m_mode{};
    std::array<QRadioButton*, 6> m_capacitance{};
    QComboBox *m_filter, *m_voltageFilter, *m_currentFilter;
    QCheckBox* m_filtersOff;
    QLineEdit* m_value;
    QLabel* m_unit;
    QLabel* m_measured;
    QLabel* m_sent;
    int m_lang;
    QPushButton* m_calculate;
};

}  // namespace qor::ui
