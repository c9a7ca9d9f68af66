#pragma once

#include "alarm/alarm_dlg_model.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace qor::ui {

// Station › Alarms…: the alarm definitions in a table, the communication alarm, the alarm
// command and the recording's ride-through. OK takes only what the model accepts; otherwise
// the dialog stays open and says why.
class CAlarmDlg : public QDialog {
    Q_OBJECT
public:
    CAlarmDlg(alarm::AlarmDlgModel& model, int lang, QWidget* parent = nullptr);

    // The settings OK accepted.
    const std::optional<alarm::AlarmSettings>& Result() const { return m_result; }

    QTableWidget* Table() const { return m_table; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* OkButton() const { return m_ok; }
    QLabel* ErrorLabel() const { return m_error; }

    void accept() override;

private:
    void Reload();
    void Collect();

    alarm::AlarmDlgModel& m_model;
    int m_lang;
    QTableWidget* m_table;
    QLineEdit* m_commLoss;
    QLineEdit* m_command;
    QCheckBox* m_rideThrough;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_ok;
    QLabel* m_error;
    std::optional<alarm::AlarmSettings> m_result;
};

}  // namespace qor::ui
