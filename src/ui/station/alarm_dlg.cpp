#include "ui/station/alarm_dlg.h"

#include "ui/common/ui_texts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qor::ui {
namespace {

constexpr TextPair kTitle = {"Alarme", "Alarms"};
constexpr TextPair kAdd = {"Hinzufügen", "Add"};
constexpr TextPair kRemove = {"Entfernen", "Remove"};
constexpr TextPair kCommLoss = {"Kommunikationsalarm nach Abfragen ohne Antwort (0 aus):",
                                "Communication alarm after polls unanswered (0 off):"};
constexpr TextPair kCommand = {"Befehl bei jedem Alarmwechsel:", "Command at each alarm transition:"};
constexpr TextPair kRideThrough = {"Aufzeichnung läuft bei Verbindungsausfall weiter",
                                   "Recording rides through link outages"};
constexpr TextPair kHint = {"Quelle: S<Adresse>.<Wert 1..3> oder V<virtueller Kanal 1..4>",
                            "Source: S<address>.<value 1..3> or V<virtual channel 1..4>"};

}  // namespace

CAlarmDlg::CAlarmDlg(alarm::AlarmDlgModel& model, int lang, QWidget* parent)
    : QDialog(parent), m_model(model), m_lang(lang == 1 ? 1 : 0),
      m_table(new QTableWidget(0, alarm::AlarmDlgModel::kColumns)), m_commLoss(new QLineEdit),
      m_command(new QLineEdit), m_rideThrough(new QCheckBox), m_add(new QPushButton),
      m_remove(new QPushButton), m_ok(new QPushButton), m_error(new QLabel)
{
    setObjectName(QStringLiteral("CAlarmDlg"));
    setWindowTitle(Tr(kTitle, m_lang));
    QStringList headers;
    for (int c = 0; c < alarm::AlarmDlgModel::kColumns; ++c)
        headers << QString::fromUtf8(alarm::AlarmDlgModel::ColumnTitle(c, m_lang));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_add->setText(Tr(kAdd, m_lang));
    m_remove->setText(Tr(kRemove, m_lang));
    m_rideThrough->setText(Tr(kRideThrough, m_lang));
    m_ok->setText(Tr(txt::kOk, m_lang));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(Tr(txt::kCancel, m_lang));
    m_error->setObjectName(QStringLiteral("alarmError"));
    m_error->setWordWrap(true);
    m_error->setStyleSheet(QStringLiteral("color: #B00000"));

    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(m_add);
    rowButtons->addWidget(m_remove);
    rowButtons->addStretch(1);
    auto* hint = new QLabel(Tr(kHint, m_lang));
    hint->setTextFormat(Qt::PlainText);
    rowButtons->addWidget(hint);
    auto* form = new QFormLayout;
    form->addRow(Tr(kCommLoss, m_lang), m_commLoss);
    form->addRow(Tr(kCommand, m_lang), m_command);
    form->addRow(QString(), m_rideThrough);
    auto* okCancel = new QHBoxLayout;
    okCancel->addStretch(1);
    okCancel->addWidget(m_ok);
    okCancel->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addLayout(rowButtons);
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addLayout(okCancel);

    connect(m_add, &QPushButton::clicked, this, [this] {
        Collect();
        m_model.AddRow();
        Reload();
    });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        Collect();
        if (m_table->currentRow() >= 0)
            m_model.RemoveRow(static_cast<std::size_t>(m_table->currentRow()));
        Reload();
    });
    connect(m_ok, &QPushButton::clicked, this, &CAlarmDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    Reload();
    m_commLoss->setText(QString::fromStdString(m_model.commLoss));
    m_command->setText(QString::fromStdString(m_model.command));
    m_rideThrough->setChecked(m_model.rideThrough);
    m_table->resizeColumnsToContents();
    resize(std::max(720, m_table->horizontalHeader()->length() + 60), 420);
}

void CAlarmDlg::Reload()
{
    m_table->setRowCount(static_cast<int>(m_model.rows.size()));
    for (int r = 0; r < m_table->rowCount(); ++r) {
        const alarm::AlarmDlgModel::Row& row = m_model.rows[static_cast<std::size_t>(r)];
        const std::string* texts[] = {&row.source,   &row.high,    &row.low,
                                      &row.deadband, &row.onDelay, &row.offDelay};
        for (int c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*texts[c]));
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
        auto* enabled = new QTableWidgetItem;
        enabled->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        enabled->setCheckState(row.enabled ? Qt::Checked : Qt::Unchecked);
        m_table->setItem(r, 6, enabled);
    }
}

void CAlarmDlg::Collect()
{
    for (int r = 0; r < m_table->rowCount() && r < static_cast<int>(m_model.rows.size()); ++r) {
        alarm::AlarmDlgModel::Row& row = m_model.rows[static_cast<std::size_t>(r)];
        std::string* texts[] = {&row.source, &row.high, &row.low, &row.deadband, &row.onDelay, &row.offDelay};
        for (int c = 0; c < 6; ++c)
            *texts[c] = m_table->item(r, c) ? m_table->item(r, c)->text().toStdString() : std::string();
        row.enabled = m_table->item(r, 6) && m_table->item(r, 6)->checkState() == Qt::Checked;
    }
    m_model.commLoss = m_commLoss->text().toStdString();
    m_model.command = m_command->text().toStdString();
    m_model.rideThrough = m_rideThrough->isChecked();
}

void CAlarmDlg::accept()
{
    Collect();
    std::string error;
    m_result = m_model.Accept(error);
    if (!m_result) {
        m_error->setText(QString::fromStdString(error));
        return;
    }
    m_error->clear();
    QDialog::accept();
}

}  // namespace qor::ui
