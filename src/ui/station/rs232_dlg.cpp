#include "ui/station/rs232_dlg.h"

#include "ui/common/ui_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace qor::ui {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int i = 0; i < 4; ++i) {
        m_octets[i] = new QSpinBox(this);
        m_octets[i]->setRange(0, 255);
        m_octets[i]->setButtonSymbols(QAbstractSpinBox::NoButtons);
        m_octets[i]->setAlignment(Qt::AlignRight);
        m_octets[i]->setFixedWidth(44);
        row->addWidget(m_octets[i]);
        if (i < 3)
            row->addWidget(new QLabel(QStringLiteral("."), this));
    }
    row->addStretch();
}

void IpAddressEdit::SetAddress(const std::array<std::uint8_t, 4>& ip)
{
    for (int i = 0; i < 4; ++i)
        m_octets[i]->setValue(ip[i]);
}

std::array<std::uint8_t, 4> IpAddressEdit::Address() const
{
    std::array<std::uint8_t, 4> ip{};
    for (int i = 0; i < 4; ++i)
        ip[i] = static_cast<std::uint8_t>(m_octets[i]->value());
    return ip;
}

Crs232::Crs232(const station::StationConfig& config, int lang, QWidget* parent)
    : QDialog(parent), m_model(config)
{
    setWindowTitle(Tr(txt::kSetupCaption, lang));
    const station::StationConfig& c = m_model.Current();

    // Hardware choice.
    auto* hardware = new QGroupBox(Tr(txt::kHardware, lang), this);
    m_serial = new QRadioButton(Tr(txt::kComPort, lang), hardware);
    m_lan = new QRadioButton(Tr(txt::kLan, lang), hardware);
    auto* hwRow = new QHBoxLayout(hardware);
    hwRow->addWidget(m_serial);
    hwRow->addWidget(m_lan);
    hwRow->addStretch();

    // Serial side: COM number and the system's devices, or a typed path.
    m_serialBox = new QGroupBox(Tr(txt::kComPort, lang), this);
    m_port = new QSpinBox(m_serialBox);
    m_port->setRange(1, 255);
    m_port->setValue(c.link.port);
    m_device = new QComboBox(m_serialBox);
    m_device->setEditable(true);
    m_device->setMinimumWidth(220);
    FillDevices(lang);
    auto* baud =
        new QLabel(QString::number(station::Rs232Model::kSerialBaud) + QStringLiteral(",N,8,1"), m_serialBox);
    auto* serialForm = new QFormLayout(m_serialBox);
    serialForm->addRow(Tr(txt::kPortNumber, lang), m_port);
    serialForm->addRow(Tr(txt::kDevice, lang), m_device);
    serialForm->addRow(Tr(txt::kBaud, lang), baud);

    // Gateway side.
    m_lanBox = new QGroupBox(Tr(txt::kLan, lang), this);
    m_byIp = new QRadioButton(Tr(txt::kIp, lang), m_lanBox);
    m_byName = new QRadioButton(Tr(txt::kName, lang), m_lanBox);
    (c.link.ipHost ? m_byName : m_byIp)->setChecked(true);
    m_ip = new IpAddressEdit(m_lanBox);
    m_ip->SetAddress(c.link.ip);
    m_hostName = new QLineEdit(QString::fromStdString(c.link.hostName), m_lanBox);
    // The configuration file ends the name at ';' and a line at a line feed.
    m_hostName->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^;\\s]*")), m_hostName));
    m_hostName->setMaxLength(255);
    m_tcpPort = new QSpinBox(m_lanBox);
    m_tcpPort->setRange(station::Rs232Model::kMinTcpPort, station::Rs232Model::kMaxTcpPort);
    m_tcpPort->setValue(c.link.tcpPort);
    auto* lanForm = new QFormLayout(m_lanBox);
    auto* ipRow = new QHBoxLayout;
    ipRow->addWidget(m_byIp);
    ipRow->addWidget(m_ip, 1);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_byName);
    nameRow->addWidget(m_hostName, 1);
    lanForm->addRow(ipRow);
    lanForm->addRow(nameRow);
    lanForm->addRow(Tr(txt::kTcpPort, lang), m_tcpPort);

    // Station settings.
    auto* stationBox = new QGroupBox(Tr(txt::kStation, lang), this);
    m_interval = new QTimeEdit(stationBox);
    m_interval->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    const station::TimeOfDay t = m_model.Interval();
    m_interval->setTime(QTime(t.hours, t.minutes, t.seconds));
    m_idCount = new QSpinBox(stationBox);
    m_idCount->setRange(0, 15);
    m_idCount->setValue(c.idCount);
    m_autoEnable = new QCheckBox(Tr(txt::kAutoEnable, lang), stationBox);
    m_autoEnable->setChecked(c.autoEnable != 0);
    auto* stationForm = new QFormLayout(stationBox);
    stationForm->addRow(Tr(txt::kSaveInterval, lang), m_interval);
    stationForm->addRow(Tr(txt::kMaxModuleId, lang), m_idCount);
    stationForm->addRow(m_autoEnable);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Tr(txt::kCancel, lang), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &Crs232::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hardware);
    auto* sides = new QHBoxLayout;
    sides->addWidget(m_serialBox);
    sides->addWidget(m_lanBox);
    layout->addLayout(sides);
    layout->addWidget(stationBox);
    layout->addWidget(buttons);

    (m_model.Lan() ? m_lan : m_serial)->setChecked(true);
    connect(m_serial, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_model.ChooseSerial();
        UpdateEnabled();
    });
    connect(m_lan, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_model.ChooseLan();
        UpdateEnabled();
    });
    connect(m_byName, &QRadioButton::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
}

void Crs232::FillDevices(int lang)
{
    const station::Rs232Model& m = m_model;
    m_device->addItem(Tr(txt::kDeviceDefault, lang), QString());
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        QString label = info.systemLocation();
        if (!info.description().isEmpty())
            label += QStringLiteral("  (") + info.description() + QLatin1Char(')');
        m_device->addItem(label, info.systemLocation());
    }
    const QString current = QString::fromStdString(m.Current().link.device);
    const int index = m_device->findData(current);
    if (index >= 0)
        m_device->setCurrentIndex(index);
    else
        m_device->setEditText(current);
}

void Crs232::UpdateEnabled()
{
    const bool lan = m_lan->isChecked();
    m_serialBox->setEnabled(!lan);
    m_lanBox->setEnabled(lan);
    m_ip->setEnabled(!m_byName->isChecked());
    m_hostName->setEnabled(m_byName->isChecked());
}

void Crs232::accept()
{
    m_model.SetPort(m_port->value());
    // A chosen entry carries its device path; a typed one is taken as written.
    QString device = m_device->currentText().trimmed();
    const int index = m_device->findText(m_device->currentText());
    if (index >= 0)
        device = m_device->itemData(index).toString();
    m_model.SetDevice(device.toStdString());
    m_model.SetIp(m_ip->Address());
    m_model.SetUseHostName(m_byName->isChecked());
    m_model.SetHostName(m_hostName->text().toStdString());
    m_model.SetTcpPort(m_tcpPort->value());
    const QTime t = m_interval->time();
    m_model.SetInterval(t.hour(), t.minute(), t.second());
    m_model.SetIdCount(m_idCount->value());
    m_model.SetAutoEnable(m_autoEnable->isChecked());
    QDialog::accept();
}

}  // namespace qor::ui
