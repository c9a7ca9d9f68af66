#include "ui/potentiostat/pot_edit.h"

#include "potentiostat/pot_texts.h"
#include "ui/common/ui_texts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

namespace qor::ui {

namespace ptext = potentiostat::text;
using potentiostat::EditView;

namespace {

void Fill(QComboBox* box, const std::vector<std::string>& items, int index)
{
    const QSignalBlocker block(box);
    box->clear();
    for (const std::string& s : items)
        box->addItem(QString::fromStdString(s));
    box->setCurrentIndex(std::min(index, box->count() - 1));
}

QString Number(double v)
{
    return QString::number(v, 'g', 10);
}

double Value(const QLineEdit* e)
{
    return potentiostat::LeadingValue(e->text().toStdString());
}

}  // namespace

CPotEdit::CPotEdit(potentiostat::PotEditModel& model, potentiostat::StepText& step, int lang,
                   Messages messages, QWidget* parent)
    : QDialog(parent), m_model(model), m_step(step), m_lang(lang), m_messages(std::move(messages))
{
    setWindowTitle(QString::fromStdString(model.Caption()));
    auto* grid = new QGridLayout(this);
    auto label = [this](const TextPair& t) { return new QLabel(Tr(t, m_lang), this); };
    auto edit = [this] {
        auto* e = new QLineEdit(this);
        e->setAlignment(Qt::AlignRight);
        e->setMaximumWidth(110);
        return e;
    };
    m_type = new QComboBox(this);
    for (const char* t : potentiostat::kTypeText)
        m_type->addItem(QString::fromUtf8(t));
    m_value1 = edit(), m_value2 = edit(), m_limit = edit(), m_interval = edit(), m_slew = edit();
    m_unit1 = new QComboBox(this), m_unit2 = new QComboBox(this), m_limitUnit = new QComboBox(this);
    m_intervalUnit = new QComboBox(this), m_samples = new QComboBox(this);
    for (const char* u : potentiostat::kIntervalUnits)
        m_intervalUnit->addItem(QString::fromUtf8(u));
    for (int r : potentiostat::kSampleRates)
        m_samples->addItem(QString::number(r));
    m_above = new QRadioButton(Tr(ptext::kAbove, lang), this);
    m_below = new QRadioButton(Tr(ptext::kBelow, lang), this);
    auto* limitGroup = new QButtonGroup(this);
    limitGroup->addButton(m_above), limitGroup->addButton(m_below);
    m_intervalRadio = new QRadioButton(this);
    m_slewRadio = new QRadioButton(this);
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(m_intervalRadio), modeGroup->addButton(m_slewRadio);
    m_momentary = new QCheckBox(Tr(ptext::kFromMomentary, lang), this);
    m_rest = new QCheckBox(Tr(ptext::kFromRest, lang), this);
    m_cyclic = new QCheckBox(Tr(ptext::kCyclic, lang), this);
    m_cyclic->hide();  // the table has no place for the cycle flag
    m_passes = new QSpinBox(this);
    m_passes->setRange(1, 255);
    m_next = new QSpinBox(this);
    m_next->setRange(0, 255);
    m_intervalLabel = new QLabel(this);
    m_slewLabel = new QLabel(this);
    m_slewUnit = new QLabel(this);
    m_perSec = new QLabel("/sec", this);

    int row = 0;
    grid->addWidget(new QLabel(QString::fromStdString(model.StepLabel()), this), row, 0);
    grid->addWidget(m_type, row++, 1);
    grid->addWidget(label({"Vorgabe1", "Target1"}), row, 0);
    grid->addWidget(m_value1, row, 1), grid->addWidget(m_unit1, row, 2),
        grid->addWidget(m_momentary, row++, 3);
    grid->addWidget(label({"Vorgabe2", "Target2"}), row, 0);
    grid->addWidget(m_value2, row, 1), grid->addWidget(m_unit2, row, 2), grid->addWidget(m_rest, row++, 3);
    grid->addWidget(label({"Limit", "Limit"}), row, 0);
    grid->addWidget(m_limit, row, 1), grid->addWidget(m_limitUnit, row, 2);
    auto* dir = new QHBoxLayout;
    dir->addWidget(m_above), dir->addWidget(m_below);
    grid->addLayout(dir, row++, 3);
    grid->addWidget(m_intervalRadio, row, 0), grid->addWidget(m_interval, row, 1);
    grid->addWidget(m_intervalUnit, row, 2), grid->addWidget(m_intervalLabel, row++, 3);
    grid->addWidget(m_slewRadio, row, 0), grid->addWidget(m_slew, row, 1);
    auto* slewUnit = new QHBoxLayout;
    slewUnit->addWidget(m_slewUnit), slewUnit->addWidget(m_perSec), slewUnit->addStretch();
    grid->addLayout(slewUnit, row, 2), grid->addWidget(m_slewLabel, row++, 3);
    grid->addWidget(label({"Anzahl", "count"}), row, 0), grid->addWidget(m_passes, row++, 1);
    grid->addWidget(label({"Folgeschritt", "next step"}), row, 0), grid->addWidget(m_next, row, 1);
    grid->addWidget(label(ptext::kNextHint), row++, 2, 1, 2);
    grid->addWidget(label({"Sample /Sec", "Sample/Sec"}), row, 0), grid->addWidget(m_samples, row++, 1);
    grid->addWidget(m_cyclic, row++, 0, 1, 2);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Tr(txt::kCancel, lang), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, row, 0, 1, 4);

    connect(m_type, &QComboBox::currentIndexChanged, this, [this](int t) {
        if (m_showing)
            return;
        Take();
        m_model.SetType(t);
        Show();
    });
    connect(m_momentary, &QCheckBox::toggled, this, [this](bool on) {
        if (m_showing)
            return;
        Take();
        m_model.SetMomentary(on);
        Show();
    });
    for (QRadioButton* b : {m_intervalRadio, m_slewRadio})
        connect(b, &QRadioButton::toggled, this, [this] {
            if (!m_showing) {
                Take();
                Show();
            }
        });
    Show();
}

void CPotEdit::Show()
{
    m_showing = true;
    const potentiostat::EditValues& v = m_model.Values();
    const EditView w = m_model.View();
    m_type->setCurrentIndex(v.type);
    Fill(m_unit1, w.units1, v.unit1);
    Fill(m_unit2, w.units2, v.unit2);
    Fill(m_limitUnit, w.limitUnits, v.limitUnit);
    m_value1->setText(Number(v.value1));
    m_value2->setText(Number(v.value2));
    m_limit->setText(Number(v.limit));
    m_interval->setText(Number(v.interval));
    m_slew->setText(Number(v.slew));
    m_intervalUnit->setCurrentIndex(v.intervalUnit);
    (v.limitAbove ? m_above : m_below)->setChecked(true);
    (v.slewMode ? m_slewRadio : m_intervalRadio)->setChecked(true);
    m_momentary->setChecked(v.momentary);
    m_rest->setChecked(v.fromRest);
    m_cyclic->setChecked(v.cyclic);
    m_passes->setValue(v.passes);
    m_next->setValue(v.next);
    m_samples->setCurrentIndex(v.sampleIndex);

    m_value1->setEnabled(w.value1), m_unit1->setEnabled(w.unit1);
    m_value2->setEnabled(w.value2), m_unit2->setEnabled(w.unit2);
    m_intervalRadio->setEnabled(w.intervalRadio), m_slewRadio->setEnabled(w.slewRadio);
    m_intervalRadio->setVisible(w.modeRadiosShown), m_slewRadio->setVisible(w.modeRadiosShown);
    m_momentary->setEnabled(w.momentaryBox), m_rest->setEnabled(w.restBox);
    m_interval->setEnabled(w.intervalValue), m_intervalUnit->setEnabled(w.intervalUnit);
    m_intervalUnit->setVisible(w.intervalUnitShown);
    m_slew->setEnabled(w.slewValue);
    m_perSec->setVisible(w.perSecShown);
    m_slewLabel->setText(QString::fromStdString(w.slewLabel));
    m_slewUnit->setText(QString::fromStdString(w.slewUnit));
    m_intervalLabel->setText(QString::fromStdString(w.intervalHeader));
    m_showing = false;
}

void CPotEdit::Take()
{
    potentiostat::EditValues& v = m_model.Values();
    v.value1 = Value(m_value1), v.value2 = Value(m_value2), v.limit = Value(m_limit);
    v.interval = Value(m_interval), v.slew = Value(m_slew);
    v.unit1 = m_unit1->currentIndex(), v.unit2 = m_unit2->currentIndex();
    v.limitUnit = m_limitUnit->currentIndex(), v.intervalUnit = m_intervalUnit->currentIndex();
    v.limitAbove = m_above->isChecked();
    v.slewMode = m_slewRadio->isChecked();
    v.fromRest = m_rest->isChecked();
    v.cyclic = m_cyclic->isChecked();
    v.passes = m_passes->value();
    v.next = m_next->value();
    v.sampleIndex = m_samples->currentIndex();
}

void CPotEdit::accept()
{
    Take();
    const std::string message = m_model.Accept(m_step);
    if (!message.empty()) {
        m_messages(message);
        return;
    }
    QDialog::accept();
}

}  // namespace qor::ui
