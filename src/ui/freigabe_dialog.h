#pragma once

#include "station/freigabe_dlg.h"
#include "station/slave_auswahl.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace qor::ui {

// The release dialog's window over its model: two lists and the four move buttons.
class FreigabeDialog : public QDialog {
    Q_OBJECT
public:
    FreigabeDialog(station::CFreigabeDlg& model, QWidget* parent = nullptr);

    QListWidget* LeftList() const { return m_left; }
    QListWidget* RightList() const { return m_right; }
    QPushButton* AddButton() const { return m_add; }
    QPushButton* RemoveButton() const { return m_remove; }
    QPushButton* SelectAllButton() const { return m_selectAll; }
    QPushButton* RemoveAllButton() const { return m_removeAll; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

private:
    void Reload();

    station::CFreigabeDlg& m_model;
    QListWidget* m_left;
    QListWidget* m_right;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_selectAll;
    QPushButton* m_removeAll;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

// "Modulauswahl": one list of modules, the first preselected.
class SlaveAuswahlDialog : public QDialog {
    Q_OBJECT
public:
    SlaveAuswahlDialog(station::CSlaveAuswahl& model, QWidget* parent = nullptr);
    QListWidget* List() const { return m_list; }

private:
    station::CSlaveAuswahl& m_model;
    QListWidget* m_list;
};

}  // namespace qor::ui
