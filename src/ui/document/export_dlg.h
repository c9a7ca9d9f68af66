#pragma once

#include "export/export_dlg_model.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QRadioButton;

namespace qor::ui {

// "Export": which recorded values become columns, the decimal mark and the date layout.
// The widgets edit a ExportDlgModel.
class CExportDlg : public QDialog {
    Q_OBJECT
public:
    CExportDlg(exporter::ExportDlgModel& model, int lang, QWidget* parent = nullptr);
    QCheckBox* Box(int channel, int value) const { return m_boxes[static_cast<std::size_t>(channel)][value]; }
    QCheckBox* VirtualBox() const { return m_virtual; }
    QRadioButton* DecimalChoice(int index) const { return m_decimal[index]; }

private:
    exporter::ExportDlgModel& m_model;
    std::array<std::array<QCheckBox*, 3>, 16> m_boxes{};
    QCheckBox* m_virtual;
    QRadioButton* m_decimal[2];
    QRadioButton* m_dateTime[2];
};

}  // namespace qor::ui
