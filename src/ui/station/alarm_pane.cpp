#include "ui/station/alarm_pane.h"

#include "alarm/alarm_texts.h"
#include "ui/common/ui_texts.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qor::ui {
namespace {

constexpr TextPair kColumns[] = {{"Zeit", "Time"},       {"Quelle", "Source"}, {"Art", "Kind"},
                                 {"Grenzwert", "Limit"}, {"Wert", "Value"},    {"Zustand", "State"}};
constexpr TextPair kAck = {"Quittieren", "Acknowledge"};
constexpr TextPair kAckAll = {"Alle quittieren", "Acknowledge all"};
constexpr TextPair kShelve = {"Zurückstellen für…", "Shelve for…"};
constexpr TextPair kNone = {"Keine Alarme", "No alarms"};
constexpr TextPair kUntil = {"%1 bis %2", "%1 until %2"};
constexpr TextPair kTimes[] = {{"10 Minuten", "10 minutes"},
                               {"30 Minuten", "30 minutes"},
                               {"1 Stunde", "1 hour"},
                               {"4 Stunden", "4 hours"},
                               {"8 Stunden", "8 hours"}};

QString LocalTime(std::int64_t t)
{
    return QDateTime::fromSecsSinceEpoch(t).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

}  // namespace

CAlarmPane::CAlarmPane(int lang, QWidget* parent)
    : QWidget(parent), m_lang(lang == 1 ? 1 : 0), m_table(new QTableWidget(0, 6)), m_ack(new QPushButton),
      m_ackAll(new QPushButton), m_shelve(new QPushButton), m_empty(new QLabel)
{
    setObjectName(QStringLiteral("CAlarmPane"));
    m_table->setObjectName(QStringLiteral("alarmTable"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_ack);
    buttons->addWidget(m_ackAll);
    buttons->addWidget(m_shelve);
    buttons->addStretch(1);
    buttons->addWidget(m_empty);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(buttons);
    layout->addWidget(m_table, 1);
    connect(m_ack, &QPushButton::clicked, this, [this] {
        if (acknowledge && SelectedId() >= 0)
            acknowledge(SelectedId());
    });
    connect(m_ackAll, &QPushButton::clicked, this, [this] {
        if (acknowledgeAll)
            acknowledgeAll();
    });
    auto* menu = new QMenu(this);
    m_shelve->setMenu(menu);
    for (std::size_t i = 0; i < std::size(kShelveTimes); ++i)
        connect(menu->addAction(QString()), &QAction::triggered, this, [this, i] {
            if (shelve && SelectedId() >= 0)
                shelve(SelectedId(), kShelveTimes[i]);
        });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &CAlarmPane::UpdateButtons);
    Retranslate();
    UpdateButtons();
}

void CAlarmPane::SetLanguage(int lang)
{
    m_lang = lang == 1 ? 1 : 0;
    Retranslate();
}

void CAlarmPane::Retranslate()
{
    QStringList headers;
    for (const TextPair& c : kColumns)
        headers << Tr(c, m_lang);
    m_table->setHorizontalHeaderLabels(headers);
    m_ack->setText(Tr(kAck, m_lang));
    m_ackAll->setText(Tr(kAckAll, m_lang));
    m_shelve->setText(Tr(kShelve, m_lang));
    m_empty->setText(Tr(kNone, m_lang));
    const auto actions = m_shelve->menu()->actions();
    for (int i = 0; i < actions.size(); ++i)
        actions[i]->setText(Tr(kTimes[i], m_lang));
}

int CAlarmPane::SelectedId() const
{
    const auto rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return m_table->item(rows.first().row(), 0)->data(Qt::UserRole).toInt();
}

void CAlarmPane::UpdateButtons()
{
    const int id = SelectedId();
    m_ack->setEnabled(id >= 0);
    m_shelve->setEnabled(id >= 0);
    m_empty->setVisible(m_table->rowCount() == 0);
}

void CAlarmPane::Show(const alarm::AlarmEvaluator& alarms)
{
    const int selected = SelectedId();
    m_table->setRowCount(0);
    int unacked = 0;
    for (const alarm::AlarmPoint& p : alarms.Points()) {
        if (p.state == alarm::AlarmState::Normal && !p.shelved)
            continue;
        unacked += p.Unacknowledged() ? 1 : 0;
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        alarm::AlarmTransition t;
        t.source = p.SourceText();
        t.name = p.name;
        QString source = QString::fromStdString(alarm::SourceName(t));
        if (!p.unit.empty())
            source += QStringLiteral(" [%1]").arg(QString::fromStdString(p.unit));
        const int d = alarm::LimitDecimals(p.limit);
        QString state = QString::fromStdString(alarm::StateName(p, m_lang));
        if (p.shelved)
            state = Tr(kUntil, m_lang).arg(state, LocalTime(p.shelvedUntil));
        const QString cells[] = {LocalTime(p.since),
                                 source,
                                 QString::fromStdString(alarm::KindName(p.kind, m_lang)),
                                 QString::fromStdString(alarm::AlarmNumber(p.limit, d, m_lang)),
                                 QString::fromStdString(alarm::AlarmNumber(p.value, d, m_lang)),
                                 state};
        QColor back;
        if (!p.shelved && p.active)
            back = p.state == alarm::AlarmState::ActiveUnacked ? QColor(0xF4, 0xB4, 0xB0)
                                                               : QColor(0xF8, 0xD8, 0x90);
        for (int c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, p.id);
            if (back.isValid())
                item->setBackground(back);
            if (c >= 3)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(row, c, item);
        }
        if (p.id == selected)
            m_table->selectRow(row);
    }
    m_table->resizeColumnsToContents();
    m_ackAll->setEnabled(unacked > 0);
    UpdateButtons();
}

}  // namespace qor::ui
