#pragma once

#include "station/rs232_model.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTimeEdit;
class QGroupBox;

namespace qor::ui {

// Four-octet IP address field.
class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);
    void SetAddress(const std::array<std::uint8_t, 4>& ip);
    std::array<std::uint8_t, 4> Address() const;

private:
    std::array<QSpinBox*, 4> m_octets{};
};

// Port setup: serial port or the TCP gateway, save interval, highest module address,
// Auto Enable. The widgets edit an Rs232Model; OK hands back its accepted settings.
class Crs232 : public QDialog {
    Q_OBJECT
public:
    Crs232(const station::StationConfig& config, int lang, QWidget* parent = nullptr);

    station::StationConfig Result() const { return m_model.Accept(); }

    QRadioButton* SerialChoice() const { return m_serial; }
    QTimeEdit* IntervalEdit() const { return m_interval; }
    QSpinBox* TcpPortEdit() const { return m_tcpPort; }
    QSpinBox* PortEdit() const { return m_port; }
    QComboBox* DeviceEdit() const { return m_device; }
    QSpinBox* IdCountEdit() const { return m_idCount; }
    IpAddressEdit* IpEdit() const { return m_ip; }

    void accept() override;

private:
    void UpdateEnabled();
    void FillDevices(int lang);

    station::Rs232Model m_model;
    QRadioButton* m_serial;
    QRadioButton* m_lan;
    QSpinBox* m_port;
    QComboBox* m_device;
    QGroupBox* m_serialBox;
    QGroupBox* m_lanBox;
    QRadioButton* m_byIp;
    QRadioButton* m_byName;
    IpAddressEdit* m_ip;
    QLineEdit* m_hostName;
    QSpinBox* m_tcpPort;
    QTimeEdit* m_interval;
    QSpinBox* m_idCount;
    QCheckBox* m_autoEnable;
};

}  // namespace qor::ui
