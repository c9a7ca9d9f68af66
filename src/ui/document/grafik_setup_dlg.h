#pragma once

#include "data/grafik_setup_glg_model.h"
#include "data/grafik_setup_virtuell.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace qor::data {
class CQORDoc;
}

namespace qor::ui {

// "Grafik Setup": the widgets of GrafikSetupGlgModel; OK gives the document the new setup and
// the virtual channels edited from here.
class CGrafikSetupGlg : public QDialog {
    Q_OBJECT
public:
    // `modules`: the station's module records; only released modules can be drawn.
    CGrafikSetupGlg(data::CQORDoc& doc, const std::array<catalogue::CSlave, 16>& modules,
                    bool intervalEditable, int lang, QWidget* parent = nullptr);

    QTimeEdit* IntervalEdit() const { return m_interval; }
    QCheckBox* Show(int address, int value) const { return m_show[static_cast<std::size_t>(address)][value]; }
    QLineEdit* Factor(int address, int value) const
    {
        return m_factor[static_cast<std::size_t>(address)][value];
    }
    QLineEdit* YFrom() const { return m_yFrom; }
    QLineEdit* YTo() const { return m_yTo; }
    QPushButton* VirtualButton() const { return m_virtualButton; }

    const data::GrafikSetupGlgModel& Model() const { return m_model; }
    // The Y fields start from the range the graph shows instead of the stored one.
    void StartYRange(double from, double to);

    void accept() override;

private:
    // The virtual channel dialog; its OK is this dialog's OK as well.
    void OpenVirtual();

    data::CQORDoc& m_doc;
    const std::array<catalogue::CSlave, 16>& m_modules;
    data::GrafikSetupGlgModel m_model;
    std::array<QLabel*, 16> m_label{};
    std::array<std::array<QCheckBox*, 3>, 16> m_show{};
    std::array<std::array<QLineEdit*, 3>, 16> m_factor{};
    QTimeEdit* m_interval;
    QLineEdit* m_yFrom;
    QLineEdit* m_yTo;
    QPushButton* m_virtualButton;
    // Edited here, given to the document with the setup.
    data::CGrafikSetupVirtuell m_virtuell;
    int m_lang = 0;
};

}  // namespace qor::ui
