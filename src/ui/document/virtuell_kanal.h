#pragma once

#include "data/virtuell_kanal_model.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace qor::ui {

// "virtuelle Kanäle einrichten": the widgets of VirtuellKanalModel over a virtual channel setup.
class CVirtuellKanal : public QDialog {
    Q_OBJECT
public:
    CVirtuellKanal(data::CGrafikSetupVirtuell& setup, const std::array<catalogue::CSlave, 16>& slaves,
                   int lang, QWidget* parent = nullptr);

    QCheckBox* Enable(int row) const { return m_enable[static_cast<std::size_t>(row & 3)]; }
    QComboBox* SourceY(int row) const { return m_sourceY[static_cast<std::size_t>(row & 3)]; }
    QLineEdit* Formula(int row) const { return m_formula[static_cast<std::size_t>(row & 3)]; }
    QComboBox* SourceZ(int row) const { return m_sourceZ[static_cast<std::size_t>(row & 3)]; }

    void accept() override;

private:
    data::VirtuellKanalModel m_model;
    int m_lang;
    std::array<QCheckBox*, 4> m_enable{};
    std::array<QComboBox*, 4> m_sourceY{};
    std::array<QLineEdit*, 4> m_formula{};
    std::array<QComboBox*, 4> m_sourceZ{};
};

}  // namespace qor::ui
