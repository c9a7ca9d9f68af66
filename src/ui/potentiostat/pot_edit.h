#pragma once

#include "potentiostat/pot_edit_model.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace qor::ui {

// "Editieren": one step of the program. On OK the model's rules rewrite the step; a
// message keeps the editor open.
class CPotEdit : public QDialog {
    Q_OBJECT
public:
    using Messages = std::function<void(const std::string&)>;
    CPotEdit(potentiostat::PotEditModel& model, potentiostat::StepText& step, int lang, Messages messages,
             QWidget* parent = nullptr);

    // The controls, for tests and screenshots.
    QComboBox* TypeBox() const { return m_type; }
    QLineEdit* Value1() const { return m_value1; }
    QLineEdit* Value2() const { return m_value2; }
    QLineEdit* IntervalEdit() const { return m_interval; }
    QLineEdit* SlewEdit() const { return m_slew; }
    QComboBox* LimitUnit() const { return m_limitUnit; }
    QRadioButton* IntervalRadio() const { return m_intervalRadio; }
    QRadioButton* SlewRadio() const { return m_slewRadio; }
    QCheckBox* MomentaryBox() const { return m_momentary; }
    QCheckBox* RestBox() const { return m_rest; }
    QLabel* SlewLabel() const { return m_slewLabel; }
    QLabel* SlewUnit() const { return m_slewUnit; }

    void accept() override;

private:
    void Show();
    void Take();

    potentiostat::PotEditModel& m_model;
    potentiostat::StepText& m_step;
    int m_lang;
    Messages m_messages;
    bool m_showing = false;
    QComboBox* m_type;
    QLineEdit *m_value1, *m_value2, *m_limit, *m_interval, *m_slew;
    QComboBox *m_unit1, *m_unit2, *m_limitUnit, *m_intervalUnit, *m_samples;
    QRadioButton *m_above, *m_below, *m_intervalRadio, *m_slewRadio;
    QCheckBox *m_momentary, *m_rest, *m_cyclic;
    QSpinBox *m_passes, *m_next;
    QLabel *m_intervalLabel, *m_slewLabel, *m_slewUnit, *m_perSec;
};

}  // namespace qor::ui
