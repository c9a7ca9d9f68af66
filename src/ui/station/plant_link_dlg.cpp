#include "ui/station/plant_link_dlg.h"

#include "ui/common/ui_texts.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qor::ui {
namespace {

constexpr TextPair kCaption{"Anlagenanbindung", "Plant link"};
constexpr TextPair kMqttGroup{"MQTT-Broker (Live-Werte)", "MQTT broker (live values)"};
constexpr TextPair kBroker{"Broker:", "Broker:"};
constexpr TextPair kStation{"Stationsname:", "Station name:"};
constexpr TextPair kPrefix{"Themen-Präfix:", "Topic prefix:"};
constexpr TextPair kUser{"Benutzer:", "User:"};
constexpr TextPair kPasswordFile{"Passwortdatei:", "Password file:"};
constexpr TextPair kTlsCa{"TLS-CA-Datei:", "TLS CA file:"};
constexpr TextPair kKeepAlive{"Keep-alive:", "Keep-alive:"};
constexpr TextPair kDbGroup{"Zeitreihen-Datenbank (Verlauf)", "Time-series database (history)"};
constexpr TextPair kDatabase{"Schreib-URL:", "Write URL:"};
constexpr TextPair kOff{"leer: aus", "empty: off"};
constexpr TextPair kChoose{"Datei wählen", "Choose file"};

}  // namespace

PlantLinkDlg::PlantLinkDlg(const plant::PlantSettings& s, int lang, QWidget* parent)
    : QDialog(parent), m_lang(lang), m_result(s)
{
    setWindowTitle(Tr(kCaption, lang));

    auto* mqtt = new QGroupBox(Tr(kMqttGroup, lang), this);
    m_broker = new QLineEdit(QString::fromStdString(s.mqttUrl), mqtt);
    m_broker->setPlaceholderText(QStringLiteral("mqtt://HOST:1883 — ") + Tr(kOff, lang));
    m_broker->setMinimumWidth(320);
    m_station = new QLineEdit(QString::fromStdString(s.station), mqtt);
    m_station->setPlaceholderText(QString::fromStdString(plant::HostStationName()));
    m_prefix = new QLineEdit(QString::fromStdString(s.prefix), mqtt);
    m_user = new QLineEdit(QString::fromStdString(s.mqttUser), mqtt);
    m_passwordFile = new QLineEdit(QString::fromStdString(s.passwordFile), mqtt);
    m_tlsCa = new QLineEdit(QString::fromStdString(s.tlsCa), mqtt);
    m_keepAlive = new QSpinBox(mqtt);
    m_keepAlive->setRange(5, 65535);
    m_keepAlive->setSuffix(QStringLiteral(" s"));
    m_keepAlive->setValue(s.keepAliveS);
    auto* mqttForm = new QFormLayout(mqtt);
    mqttForm->addRow(Tr(kBroker, lang), m_broker);
    mqttForm->addRow(Tr(kStation, lang), m_station);
    mqttForm->addRow(Tr(kPrefix, lang), m_prefix);
    mqttForm->addRow(Tr(kUser, lang), m_user);
    mqttForm->addRow(Tr(kPasswordFile, lang), FileField(m_passwordFile, Tr(kPasswordFile, lang)));
    mqttForm->addRow(Tr(kTlsCa, lang), FileField(m_tlsCa, Tr(kTlsCa, lang)));
    mqttForm->addRow(Tr(kKeepAlive, lang), m_keepAlive);

    auto* db = new QGroupBox(Tr(kDbGroup, lang), this);
    m_database = new QLineEdit(QString::fromStdString(s.tsdbUrl), db);
    m_database->setPlaceholderText(QStringLiteral("http://HOST:8428/write — ") + Tr(kOff, lang));
    auto* dbForm = new QFormLayout(db);
    dbForm->addRow(Tr(kDatabase, lang), m_database);

    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #b00000"));
    m_error->hide();

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole);
    buttons->addButton(Tr(txt::kCancel, lang), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mqtt);
    layout->addWidget(db);
    layout->addWidget(m_error);
    layout->addStretch();
    layout->addWidget(buttons);
}

QWidget* PlantLinkDlg::FileField(QLineEdit* edit, const QString& title)
{
    auto* field = new QWidget(edit->parentWidget());
    auto* row = new QHBoxLayout(field);
    row->setContentsMargins(0, 0, 0, 0);
    edit->setParent(field);
    row->addWidget(edit);
    auto* browse = new QPushButton(QStringLiteral("..."), field);
    browse->setToolTip(Tr(kChoose, m_lang));
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 20);
    row->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this, edit, title] {
        const QString path = QFileDialog::getOpenFileName(this, title, edit->text());
        if (!path.isEmpty())
            edit->setText(path);
    });
    return field;
}

plant::PlantSettings PlantLinkDlg::FromFields() const
{
    plant::PlantSettings s;
    s.mqttUrl = m_broker->text().trimmed().toStdString();
    s.station = m_station->text().trimmed().toStdString();
    s.prefix = m_prefix->text().trimmed().toStdString();
    s.mqttUser = m_user->text().trimmed().toStdString();
    s.passwordFile = m_passwordFile->text().trimmed().toStdString();
    s.tlsCa = m_tlsCa->text().trimmed().toStdString();
    s.keepAliveS = m_keepAlive->value();
    s.tsdbUrl = m_database->text().trimmed().toStdString();
    return s;
}

void PlantLinkDlg::accept()
{
    const plant::PlantSettings s = FromFields();
    std::string error = plant::CheckPlantSettings(s, m_lang);
    if (error.empty() && !s.mqttUrl.empty() && !s.passwordFile.empty())
        plant::ReadPasswordFile(s.passwordFile, m_lang, &error);
    if (!error.empty()) {
        m_error->setText(QString::fromStdString(error));
        m_error->show();
        return;
    }
    m_result = s;
    QDialog::accept();
}

}  // namespace qor::ui
