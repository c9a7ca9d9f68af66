#pragma once

#include "potentiostat/pot_step_setup_model.h"

#include <QDialog>
#include <array>
#include <functional>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTableWidget;

namespace qor::station {
class PotProgram;
}

namespace qor::ui {

// "VP5100 Setup": the step table, the module settings, templates, and programming and
// reading the module. Without a bus (`program` null) the transfer buttons do nothing.
class CPotStepSetup : public QDialog {
    Q_OBJECT
public:
    using Messages = std::function<void(const std::string&)>;
    CPotStepSetup(potentiostat::PotStepSetupModel& model, station::PotProgram* program, Messages messages,
                  QWidget* parent = nullptr);

    QTableWidget* Table() const { return m_table; }
    QPushButton* Button(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }
    enum Buttons { Append, Insert, Delete, Change, Load, Save, Program, Read, Firmware, kButtonCount };

    // The commands as the buttons run them (the file ones without their dialogs).
    void OnAppend();
    void OnInsert();
    void OnDelete();
    void OnChange();
    void OnCopy();
    void LoadTemplate(const std::string& path);
    void SaveTemplate(const std::string& path);
    void OnProgram();
    void OnRead();
    // Refreshes every control from the model.
    void Refresh();
    // The line that says how the last transfer ended.
    QLabel* TransferStatus() const { return m_status; }
    void ShowTransfer(bool program, bool ok);

    // Closing during a transfer cancels it; the window closes once it has stopped.
    void reject() override;

    // Runs the editor on a step; tests replace it to script the editor.
    std::function<bool(potentiostat::StepText&)> runEditor;

private:
    void CreateTable();
    void CreateButtons();
    QGridLayout* CreateSettings();
    void LayOut(QGridLayout* settings);
    void Report(const std::string& message);
    void Transfer(int button);
    void Take();
    void ShowCompensation();

    potentiostat::PotStepSetupModel& m_model;
    station::PotProgram* m_program;
    Messages m_messages;
    int m_lang;
    bool m_refreshing = false;
    bool m_transferring = false;
    bool m_cancel = false;
    bool m_closeAfterTransfer = false;
    QTableWidget* m_table;
    std::array<QPushButton*, kButtonCount> m_buttons{};
    QLabel* m_firmware;
    QLabel* m_status;
    QComboBox *m_voltageRange, *m_currentRange, *m_capacitance, *m_filter;
    QRadioButton *m_voltageAuto, *m_voltageManual, *m_currentAuto, *m_currentManual;
    std::array<QRadioButton*, 3> m_compensation{};
    QRadioButton *m_cap1nF, *m_cap220nF;
    QSlider *m_slider1, *m_slider2;
    QLabel *m_label1, *m_label2, *m_value1, *m_value2;
    QCheckBox* m_dataRate;
};

}  // namespace qor::ui
