#include "ui/potentiostat/pot_manuell.h"

#include "potentiostat/pot_texts.h"
#include "station/pot_program.h"
#include "ui/common/ui_texts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace qor::ui {

namespace ptext = potentiostat::text;

namespace {

template <std::size_t N>
QGroupBox* Radios(std::array<QRadioButton*, N>& radios, const QString& title, const QStringList& texts,
                  QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    auto* group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    for (std::size_t i = 0; i < N; ++i) {
        radios[i] = new QRadioButton(texts[static_cast<int>(i)], box);
        group->addButton(radios[i]);
        layout->addWidget(radios[i]);
    }
    return box;
}

QStringList List(const auto& texts, int lang)
{
    QStringList l;
    for (const auto& t : texts) {
        if constexpr (std::is_same_v<std::decay_t<decltype(t)>, TextPair>)
            l << Tr(t, lang);
        else
            l << QString::fromUtf8(t);
    }
    return l;
}

}  // namespace

CPotManuell::CPotManuell(potentiostat::PotManuellModel& model, station::PotProgram* program, int lang,
                         QWidget* parent)
    : QDialog(parent), m_model(model), m_program(program), m_lang(lang)
{
    setWindowTitle(Tr(ptext::kManualTitle, lang));
    auto* grid = new QGridLayout(this);
    grid->addWidget(
        Radios(m_relay, Tr(ptext::kCell, lang), {Tr(ptext::kOff, lang), Tr(ptext::kOn, lang)}, this), 0, 0);
    grid->addWidget(Radios(m_mode, Tr(ptext::kType, lang), List(ptext::kModes, lang), this), 1, 0);
    grid->addWidget(
        Radios(m_current, Tr(ptext::kCurrentRange, lang), List(ptext::kCurrentRanges, lang), this), 0, 1, 2,
        1);
    grid->addWidget(
        Radios(m_voltage, Tr(ptext::kVoltageRange, lang), List(ptext::kVoltageRanges, lang), this), 0, 2);
    grid->addWidget(
        Radios(m_capacitance, Tr(ptext::kStability, lang), List(ptext::kManualCapacitances, lang), this), 1,
        2);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(Tr(ptext::kTarget, lang), this));
    auto* valueRow = new QHBoxLayout;
    m_value = new QLineEdit(this);
    m_value->setAlignment(Qt::AlignRight);
    m_unit = new QLabel(this);
    valueRow->addWidget(m_value), valueRow->addWidget(m_unit);
    right->addLayout(valueRow);
    right->addWidget(new QLabel(Tr(ptext::kSoftwareFilter, lang), this));
    m_filter = new QComboBox(this);
    m_filter->addItems(List(ptext::kFilters, lang));
    right->addWidget(m_filter);
    right->addWidget(new QLabel(Tr(ptext::kVoltageFilter, lang), this));
    m_voltageFilter = new QComboBox(this);
    m_voltageFilter->addItems(List(ptext::kInputFilters, lang));
    right->addWidget(m_voltageFilter);
    right->addWidget(new QLabel(Tr(ptext::kCurrentFilter, lang), this));
    m_currentFilter = new QComboBox(this);
    m_currentFilter->addItems(List(ptext::kInputFilters, lang));
    right->addWidget(m_currentFilter);
    m_filtersOff = new QCheckBox(Tr(ptext::kFilterDisable, lang), this);
    right->addWidget(m_filtersOff);
    right->addStretch();
    m_calculate = new QPushButton(Tr(ptext::kCalculate, lang), this);
    auto* exit = new QPushButton(Tr(ptext::kExit, lang), this);
    right->addWidget(m_calculate), right->addWidget(exit);
    grid->addLayout(right, 0, 3, 2, 1);
    m_measured = new QLabel(this);
    m_sent = new QLabel(this);
    grid->addWidget(m_measured, 2, 0, 1, 4);
    grid->addWidget(m_sent, 3, 0, 1, 4);
    grid->setRowStretch(1, 1);  // a larger window gives the controls the room, not the two lines
    auto* timer = new QTimer(this);
    timer->setObjectName("measure");
    connect(timer, &QTimer::timeout, this, &CPotManuell::UpdateMeasured);
    timer->start(1000);

    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_calculate, &QPushButton::clicked, this, [this] {
        Take();
        const potentiostat::OperatingState sent = m_model.SentState();
        const bool ok = m_program && m_program->ManualApply(m_model);
        m_sent->setText(ok ? QString::fromStdString(potentiostat::PotManuellModel::SentText(sent, m_lang))
                           : QString());
        Refresh();
    });
    // Mode and range choices change what else may be chosen.
    auto changed = [this] {
        if (m_refreshing)
            return;
        Take();
        Refresh();
    };
    for (QRadioButton* b : m_mode)
        connect(b, &QRadioButton::toggled, this, changed);
    for (QRadioButton* b : m_voltage)
        connect(b, &QRadioButton::toggled, this, changed);
    for (QRadioButton* b : m_current)
        connect(b, &QRadioButton::toggled, this, changed);
    connect(m_filtersOff, &QCheckBox::toggled, this, changed);
    Refresh();
    m_measured->setText(QString::fromStdString(m_model.MeasuredText(m_lang)));
}

void CPotManuell::UpdateMeasured()
{
    // A silent module holds the window for its whole time-out: no more asking once it was silent.
    if (m_program && !m_program->ManualMeasure(m_model))
        if (auto* timer = findChild<QTimer*>(QStringLiteral("measure")))
            timer->stop();
    m_measured->setText(QString::fromStdString(m_model.MeasuredText(m_lang)));
}

void CPotManuell::Take()
{
    auto checked = [](const auto& radios) {
        for (std::size_t i = 0; i < radios.size(); ++i)
            if (radios[i]->isChecked())
                return static_cast<int>(i);
        return -1;
    };
    if (checked(m_mode) >= 0)
        m_model.SetMode(checked(m_mode));
    m_model.SetRelay(m_relay[1]->isChecked());
    m_model.SetValue(static_cast<float>(potentiostat::LeadingValue(m_value->text().toStdString())));
    if (checked(m_current) >= 0)
        m_model.SetCurrentRange(checked(m_current));
    if (checked(m_voltage) >= 0)
        m_model.SetVoltageRange(checked(m_voltage));
    if (checked(m_capacitance) >= 0)
        m_model.SetCapacitance(checked(m_capacitance));
    m_model.SetFilterIndex(m_filter->currentIndex());
    m_model.SetHardwareFilter(
        {m_voltageFilter->currentIndex(), m_currentFilter->currentIndex(), m_filtersOff->isChecked()});
}

void CPotManuell::Refresh()
{
    m_refreshing = true;
    const potentiostat::ManuellView v = m_model.View();
    const potentiostat::OperatingState& s = m_model.State();
    if (s.mode >= 0 && s.mode < 3)
        m_mode[static_cast<std::size_t>(s.mode)]->setChecked(true);
    m_relay[s.relay ? 1 : 0]->setChecked(true);
    m_value->setText(QString::number(static_cast<double>(s.setValue), 'g', 9));
    m_unit->setText(QString::fromStdString(v.unit));
    m_value->setEnabled(v.setValue);
    for (QRadioButton* b : m_relay)
        b->setEnabled(v.relay);
    m_current[static_cast<std::size_t>(v.currentRange)]->setChecked(true);
    m_voltage[static_cast<std::size_t>(v.voltageRange)]->setChecked(true);
    for (QRadioButton* b : m_current)
        b->setEnabled(v.currentRanges);
    for (QRadioButton* b : m_voltage)
        b->setEnabled(v.voltageRanges);
    if (m_model.Capacitance() >= 0 && m_model.Capacitance() < 6)
        m_capacitance[static_cast<std::size_t>(m_model.Capacitance())]->setChecked(true);
    m_filter->setCurrentIndex(v.filterIndex);
    m_voltageFilter->setCurrentIndex(m_model.Hardware().voltage);
    m_currentFilter->setCurrentIndex(m_model.Hardware().current);
    m_filtersOff->setChecked(m_model.Hardware().disabled);
    m_voltageFilter->setEnabled(v.inputFilters);
    m_currentFilter->setEnabled(v.inputFilters);
    m_refreshing = false;
}

}  // namespace qor::ui
