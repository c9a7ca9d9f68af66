#pragma once

#include "common/text.h"
#include "plant/plant_settings.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace qor::ui {

inline constexpr TextPair kPlantLinkMenu{"Anlagena&nbindung...", "Plant lin&k..."};
inline constexpr TextPair kPlantLinkPrompt{
    "Messwerte an einen MQTT-Broker und eine Zeitreihen-Datenbank senden",
    "Send the measured values to an MQTT broker and a time-series database"};

// Station > Plant link: the broker, station name, credentials, TLS and topic prefix, and the
// time-series database. OK checks the settings and names the first fault below the fields;
// the dialog stays open until they can be used.
class PlantLinkDlg : public QDialog {
    Q_OBJECT
public:
    PlantLinkDlg(const plant::PlantSettings& settings, int lang, QWidget* parent = nullptr);

    plant::PlantSettings Result() const { return m_result; }

    QLineEdit* BrokerEdit() const { return m_broker; }
    QLineEdit* StationEdit() const { return m_station; }
    QLineEdit* UserEdit() const { return m_user; }
    QLineEdit* PasswordFileEdit() const { return m_passwordFile; }
    QLineEdit* DatabaseEdit() const { return m_database; }
    QLabel* ErrorLabel() const { return m_error; }

    void accept() override;

private:
    plant::PlantSettings FromFields() const;
    QWidget* FileField(QLineEdit* edit, const QString& title);

    int m_lang;
    plant::PlantSettings m_result;
    QLineEdit* m_broker;
    QLineEdit* m_station;
    QLineEdit* m_prefix;
    QLineEdit* m_user;
    QLineEdit* m_passwordFile;
    QLineEdit* m_tlsCa;
    QSpinBox* m_keepAlive;
    QLineEdit* m_database;
    QLabel* m_error;
};

}  // namespace qor::ui
