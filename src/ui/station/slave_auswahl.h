#pragma once

#include "station/slave_auswahl_model.h"

#include <QDialog>

class QListWidget;

namespace qor::ui {

// "Modulauswahl": one list of modules, the first preselected.
class CSlaveAuswahl : public QDialog {
    Q_OBJECT
public:
    CSlaveAuswahl(station::SlaveAuswahlModel& model, QWidget* parent = nullptr);
    QListWidget* List() const { return m_list; }

private:
    station::SlaveAuswahlModel& m_model;
    QListWidget* m_list;
};

}  // namespace qor::ui
