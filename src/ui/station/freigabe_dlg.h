#pragma once

#include "station/freigabe_dlg_model.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace qor::ui {

// The release dialog's window over its model: two lists and the four move buttons.
class CFreigabeDlg : public QDialog {
    Q_OBJECT
public:
    CFreigabeDlg(station::FreigabeDlgModel& model, QWidget* parent = nullptr);

    QListWidget* LeftList() const { return m_left; }
    QListWidget* RightList() const { return m_right; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }
    QPushButton* SelectAllButton() const { return m_selectAll; }
    QPushButton* RemoveAllButton() const { return m_removeAll; }
    QPushButton* OkButton() const { return m_ok; }

private:
    void Reload();

    station::FreigabeDlgModel& m_model;
    QListWidget* m_left;
    QListWidget* m_right;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_selectAll;
    QPushButton* m_removeAll;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

}  // namespace qor::ui
