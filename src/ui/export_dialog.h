#pragma once

#include "export/export_dlg.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QRadioButton;

namespace qor::ui {

// "Export": which recorded values become columns, the decimal mark and the date layout.
// The widgets edit a CExportDlg.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(exporter::CExportDlg& model, int lang, QWidget* parent = nullptr);
    QCheckBox* Box(int channel, int value) const { return m_boxes[static_cast<std::size_t>(channel)][value]; }
    QCheckBox* VirtualBox() const { return m_virtual; }
    QRadioButton* DecimalChoice(int index) const { return m_decimal[index]; }

private:
    exporter::CExportDlg& m_model;
    std::array<std::array<QCheckBox*, 3>, 16> m_boxes{};
    QCheckBox* m_virtual;
    QRadioButton* m_decimal[2];
    QRadioButton* m_dateTime[2];
};

}  // namespace qor::ui
