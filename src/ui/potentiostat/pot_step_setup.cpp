#include "ui/potentiostat/pot_step_setup.h"

#include "potentiostat/pot_edit_model.h"
#include "potentiostat/pot_texts.h"
#include "station/pot_program.h"
#include "ui/common/ui_texts.h"
#include "ui/potentiostat/pot_edit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>

namespace qor::ui {

namespace ptext = potentiostat::text;

namespace {

constexpr int kWidths[] = {30, 70, 60, 45, 60, 45, 50, 45, 40, 50, 45, 40, 40, 80, 80};
constexpr int kCellMargin = 8;  // the item's margins and grid line
constexpr bool kRight[] = {false, false, true, false, true, false, true, true,
                           false, true,  true, true,  true, true,  false};

QRadioButton* Radio(const QString& text, QButtonGroup* group, QWidget* parent)
{
    auto* b = new QRadioButton(text, parent);
    group->addButton(b);
    return b;
}

}  // namespace

CPotStepSetup::CPotStepSetup(potentiostat::PotStepSetupModel& model, station::PotProgram* program,
                             Messages messages, QWidget* parent)
    : QDialog(parent), m_model(model), m_program(program), m_messages(std::move(messages)),
      m_lang(model.Language())
{
    setWindowTitle(Tr(ptext::kSetupTitle, m_lang));
    CreateTable();
    CreateButtons();
    LayOut(CreateSettings());
    runEditor = [this](potentiostat::StepText& step) {
        potentiostat::PotEditModel editModel(step, m_lang);
        CPotEdit editor(editModel, step, m_lang, m_messages, this);
        return editor.exec() == QDialog::Accepted;
    };
    Refresh();
}

// The step table: small type, whole rows selected, a double click changes the step.
void CPotStepSetup::CreateTable()
{
    m_table = new QTableWidget(0, potentiostat::kColumnCount, this);
    QStringList titles;
    for (int c = 0; c < potentiostat::kColumnCount; ++c) {
        titles << Tr(ptext::kColumnTitles[static_cast<std::size_t>(c)], m_lang);
        m_table->setColumnWidth(c, kWidths[c]);
    }
    m_table->setHorizontalHeaderLabels(titles);
    for (int c = 0; c < potentiostat::kColumnCount; ++c)
        m_table->horizontalHeaderItem(c)->setToolTip(titles[c]);
    // A point smaller than the other controls, so that more of a value fits the narrow columns.
    QFont small = m_table->font();
    if (small.pointSizeF() > 7)
        small.setPointSizeF(small.pointSizeF() - 1);
    m_table->setFont(small);
    m_table->horizontalHeader()->setFont(small);
    // Tight header padding, so the titles fit the columns; the sections stay resizable by hand.
    m_table->horizontalHeader()->setStyleSheet("QHeaderView::section { padding: 0px 1px; }");
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(true);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setMinimumSize(800, 260);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!m_refreshing)
            m_model.Select(m_table->selectedItems().isEmpty() ? -1 : m_table->currentRow());
    });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        m_model.Select(row);
        OnChange();
    });
    connect(m_table, &QWidget::customContextMenuRequested, this, [this] { OnCopy(); });
}

// The buttons beside the table; loading and saving a template ask for the file.
void CPotStepSetup::CreateButtons()
{
    const TextPair texts[] = {ptext::kAppend,  ptext::kInsert,    ptext::kDelete,
                              ptext::kChange,  ptext::kLoadModel, ptext::kSaveModel,
                              ptext::kProgram, ptext::kReadBack,  {"!", "!"}};
    for (int i = 0; i < kButtonCount; ++i)
        m_buttons[static_cast<std::size_t>(i)] = new QPushButton(Tr(texts[i], m_lang), this);
    connect(Button(Append), &QPushButton::clicked, this, &CPotStepSetup::OnAppend);
    connect(Button(Insert), &QPushButton::clicked, this, &CPotStepSetup::OnInsert);
    connect(Button(Delete), &QPushButton::clicked, this, &CPotStepSetup::OnDelete);
    connect(Button(Change), &QPushButton::clicked, this, &CPotStepSetup::OnChange);
    connect(Button(Program), &QPushButton::clicked, this, &CPotStepSetup::OnProgram);
    connect(Button(Read), &QPushButton::clicked, this, &CPotStepSetup::OnRead);
    connect(Button(Firmware), &QPushButton::clicked, this, [this] { Report(ptext::kFirmware[m_lang]); });
    const QString filter = "Potentiostat (*.stp);;" + Tr({"Alle Dateien (*.*)", "All files (*.*)"}, m_lang);
    connect(Button(Load), &QPushButton::clicked, this, [this, filter] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), "*.stp", filter);
        if (!path.isEmpty())
            LoadTemplate(path.toStdString());
    });
    connect(Button(Save), &QPushButton::clicked, this, [this, filter] {
        QFileDialog dlg(this, QString(), "*.stp", filter);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDefaultSuffix("stp");
        if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
            SaveTemplate(dlg.selectedFiles().front().toStdString());
    });
    m_firmware = new QLabel(this);
    m_status = new QLabel(this);
}

// The module settings: voltage and current ranges, stability, compensation.
QGridLayout* CPotStepSetup::CreateSettings()
{
    auto* settings = new QGridLayout;
    auto group = [this](const TextPair& title) { return new QGroupBox(Tr(title, m_lang), this); };
    auto* voltage = group(ptext::kVoltageRange);
    m_voltageRange = new QComboBox(voltage);
    for (const char* t : ptext::kVoltageRanges)
        m_voltageRange->addItem(QString::fromUtf8(t));
    auto* vg = new QButtonGroup(this);
    m_voltageAuto = Radio(Tr(ptext::kAutomatic, m_lang), vg, voltage);
    m_voltageManual = Radio(Tr(ptext::kManual, m_lang), vg, voltage);
    auto* vl = new QVBoxLayout(voltage);
    vl->addWidget(m_voltageRange), vl->addWidget(m_voltageAuto), vl->addWidget(m_voltageManual);
    auto* current = group(ptext::kCurrentRange);
    m_currentRange = new QComboBox(current);
    for (const char* t : ptext::kCurrentRanges)
        m_currentRange->addItem(QString::fromUtf8(t));
    auto* cg = new QButtonGroup(this);
    m_currentAuto = Radio(Tr(ptext::kAutomatic, m_lang), cg, current);
    m_currentManual = Radio(Tr(ptext::kManual, m_lang), cg, current);
    auto* cl = new QVBoxLayout(current);
    cl->addWidget(m_currentRange), cl->addWidget(m_currentAuto), cl->addWidget(m_currentManual);
    auto* stability = group(ptext::kStability);
    m_capacitance = new QComboBox(stability);
    for (const TextPair& t : ptext::kCapacitances)
        m_capacitance->addItem(Tr(t, m_lang));
    m_filter = new QComboBox(stability);
    for (const TextPair& t : ptext::kFilters)
        m_filter->addItem(Tr(t, m_lang));
    m_dataRate = new QCheckBox(Tr(ptext::kDataRate, m_lang), stability);
    auto* sl = new QVBoxLayout(stability);
    sl->addWidget(m_capacitance), sl->addWidget(new QLabel(Tr(ptext::kSoftwareFilter, m_lang), stability));
    sl->addWidget(m_filter), sl->addWidget(m_dataRate);
    auto* compensation = group(ptext::kCompensation);
    auto* kg = new QButtonGroup(this);
    m_compensation = {Radio(Tr(ptext::kNone, m_lang), kg, compensation),
                      Radio("Interruption", kg, compensation), Radio("IR", kg, compensation)};
    auto* capGroup = new QButtonGroup(this);
    m_cap1nF = Radio("1 nF", capGroup, compensation);
    m_cap220nF = Radio("220 nF", capGroup, compensation);
    m_slider1 = new QSlider(Qt::Horizontal, compensation);
    m_slider2 = new QSlider(Qt::Horizontal, compensation);
    for (QSlider* s : {m_slider1, m_slider2}) {
        s->setTickInterval(10);
        s->setTickPosition(QSlider::TicksBelow);
    }
    m_label1 = new QLabel(compensation), m_label2 = new QLabel(compensation);
    m_value1 = new QLabel(compensation), m_value2 = new QLabel(compensation);
    auto* kl = new QGridLayout(compensation);
    for (int i = 0; i < 3; ++i)
        kl->addWidget(m_compensation[static_cast<std::size_t>(i)], 0, i);
    kl->addWidget(m_label1, 1, 0, 1, 2), kl->addWidget(m_value1, 1, 2);
    kl->addWidget(m_slider1, 2, 0, 1, 3);
    kl->addWidget(m_label2, 3, 0, 1, 2), kl->addWidget(m_value2, 3, 2);
    kl->addWidget(m_slider2, 4, 0, 1, 3);
    kl->addWidget(m_cap1nF, 5, 0), kl->addWidget(m_cap220nF, 5, 1);
    settings->addWidget(voltage, 0, 0), settings->addWidget(current, 0, 1);
    settings->addWidget(stability, 0, 2), settings->addWidget(compensation, 0, 3);

    for (int i = 0; i < 3; ++i)
        connect(m_compensation[static_cast<std::size_t>(i)], &QRadioButton::toggled, this,
                [this, i](bool on) {
                    if (m_refreshing || !on)
                        return;
                    Take();
                    m_model.SetCompensation(i);
                    ShowCompensation();
                });
    for (QSlider* s : {m_slider1, m_slider2})
        connect(s, &QSlider::valueChanged, this, [this] {
            if (m_refreshing)
                return;
            Take();
            ShowCompensation();
        });
    return settings;
}

void CPotStepSetup::LayOut(QGridLayout* settings)
{
    auto* buttons = new QVBoxLayout;
    for (int i : {Append, Insert, Delete, Change, Load, Save, Program, Read})
        buttons->addWidget(Button(i));
    auto* fw = new QHBoxLayout;
    fw->addWidget(m_firmware), fw->addWidget(Button(Firmware));
    buttons->addLayout(fw);
    buttons->addStretch();
    auto* close = new QPushButton(Tr(txt::kOk, m_lang), this);
    connect(close, &QPushButton::clicked, this, [this] {
        Take();
        accept();
    });
    buttons->addWidget(close);
    auto* top = new QGridLayout(this);
    top->addWidget(m_table, 0, 0);
    top->addLayout(buttons, 0, 1);
    top->addLayout(settings, 1, 0, 1, 2);
    top->addWidget(m_status, 2, 0, 1, 2);
}

void CPotStepSetup::Report(const std::string& message)
{
    if (!message.empty())
        m_messages(message);
}

void CPotStepSetup::OnAppend()
{
    Report(m_model.Append());
    Refresh();
}

void CPotStepSetup::OnInsert()
{
    Report(m_model.Insert());
    Refresh();
}

void CPotStepSetup::OnDelete()
{
    Report(m_model.Delete());
    Refresh();
}

void CPotStepSetup::OnChange()
{
    std::string message;
    std::optional<potentiostat::StepText> step = m_model.BeginChange(message);
    if (!step) {
        Report(message);
        return;
    }
    if (runEditor(*step))
        m_model.EndChange(*step);
    Refresh();
}

void CPotStepSetup::OnCopy()
{
    QApplication::clipboard()->setText(QString::fromStdString(m_model.CopyText()));
    Report(m_model.CopiedMessage());
}

void CPotStepSetup::LoadTemplate(const std::string& path)
{
    Take();
    Report(m_model.LoadTemplate(path));
    Report(m_model.LoadNote());
    Refresh();
}

void CPotStepSetup::SaveTemplate(const std::string& path)
{
    Take();
    Report(m_model.SaveTemplate(path));
}

void CPotStepSetup::OnProgram()
{
    Transfer(Program);
}

void CPotStepSetup::OnRead()
{
    Transfer(Read);
}

// The window keeps handling its events between the exchanges; everything but the clicked
// button, which turns into Cancel, stays disabled meanwhile, so the table cannot change under
// the transfer and no second transfer can start. The link stays taken for the poll cycle.
void CPotStepSetup::Transfer(int button)
{
    if (!m_program)
        return;
    if (m_transferring) {
        m_cancel = true;
        return;
    }
    Take();
    QPushButton* active = Button(button);
    std::vector<QPointer<QWidget>> disabled;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != active && w->isEnabled()) {
            w->setEnabled(false);
            disabled.emplace_back(w);
        }
    const QString text = active->text();
    active->setText(Tr(txt::kCancel, m_lang));
    m_transferring = true;
    m_cancel = false;
    m_program->SetBetweenExchanges([this] {
        QCoreApplication::processEvents();
        return !m_cancel;
    });
    const bool ok = button == Program ? m_program->Program(m_model) : m_program->ReadBack(m_model);
    m_program->SetBetweenExchanges(nullptr);
    m_transferring = false;
    active->setText(text);
    for (const QPointer<QWidget>& w : disabled)
        if (w)
            w->setEnabled(true);
    Refresh();
    ShowTransfer(button == Program, ok);
    if (m_closeAfterTransfer) {
        m_closeAfterTransfer = false;
        QDialog::reject();
    }
}

void CPotStepSetup::ShowTransfer(bool program, bool ok)
{
    m_status->setText(QString::fromStdString(
        m_model.TransferText(program, ok, m_program != nullptr && m_program->Cancelled())));
}

void CPotStepSetup::reject()
{
    // Closed during a transfer: the transfer stops at the next slot, then the window closes.
    if (m_transferring) {
        m_cancel = true;
        m_closeAfterTransfer = true;
        return;
    }
    QDialog::reject();
}

// The controls' values into the model.
void CPotStepSetup::Take()
{
    potentiostat::PotSettings& s = m_model.Settings();
    s.voltageRange = m_voltageRange->currentIndex();
    s.currentRange = m_currentRange->currentIndex();
    s.voltageManual = m_voltageManual->isChecked() ? 1 : 0;
    s.currentManual = m_currentManual->isChecked() ? 1 : 0;
    s.capacitance = m_capacitance->currentIndex();
    s.filterIndex = m_filter->currentIndex();
    s.dataRate10Hz = m_dataRate->isChecked() ? 1 : 0;
    if (s.compensation >= 0) {
        s.slider1 = m_slider1->value();
        s.slider2 = m_slider2->value();
    }
    if (m_cap1nF->isChecked() || m_cap220nF->isChecked())
        s.irCapacitor = m_cap220nF->isChecked() ? 1 : 0;
}

void CPotStepSetup::ShowCompensation()
{
    const bool was = m_refreshing;
    m_refreshing = true;
    const potentiostat::CompensationView v = m_model.Compensation();
    const potentiostat::PotSettings& s = m_model.Settings();
    m_slider1->setRange(v.slider1Min, v.slider1Max);
    m_slider2->setRange(v.slider2Min, v.slider2Max);
    m_slider1->setValue(s.slider1);
    m_slider2->setValue(s.slider2);
    m_slider1->setVisible(v.slider1Shown), m_slider1->setEnabled(v.slider1Shown);
    m_slider2->setVisible(v.slider2Shown), m_slider2->setEnabled(v.slider2Shown);
    m_cap1nF->setVisible(v.capacitorShown), m_cap220nF->setVisible(v.capacitorShown);
    m_label1->setText(QString::fromStdString(v.label1));
    m_label2->setText(QString::fromStdString(v.label2));
    m_value1->setText(QString::fromStdString(v.value1));
    m_value2->setText(QString::fromStdString(v.value2));
    m_refreshing = was;
}

void CPotStepSetup::Refresh()
{
    m_refreshing = true;
    m_table->clearSelection();
    m_table->setRowCount(m_model.Rows());
    for (int r = 0; r < m_model.Rows(); ++r)
        for (int c = 0; c < potentiostat::kColumnCount; ++c) {
            const QString text = QString::fromStdString(m_model.Cell(r, c));
            auto* item = new QTableWidgetItem(text);
            item->setTextAlignment(Qt::AlignVCenter | (kRight[c] ? Qt::AlignRight : Qt::AlignLeft));
            // The columns keep their fixed widths: a value cut off there is shown whole on hover.
            if (m_table->fontMetrics().horizontalAdvance(text) + kCellMargin > kWidths[c])
                item->setToolTip(text);
            m_table->setItem(r, c, item);
        }
    if (m_model.Selected() >= 0)
        m_table->selectRow(m_model.Selected());
    const potentiostat::PotSettings& s = m_model.Settings();
    m_voltageRange->setCurrentIndex(s.voltageRange);
    m_currentRange->setCurrentIndex(s.currentRange);
    (s.voltageManual ? m_voltageManual : m_voltageAuto)->setChecked(true);
    (s.currentManual ? m_currentManual : m_currentAuto)->setChecked(true);
    m_capacitance->setCurrentIndex(s.capacitance);
    m_filter->setCurrentIndex(s.filterIndex);
    m_dataRate->setChecked(s.dataRate10Hz != 0);
    for (int i = 0; i < 3; ++i)
        m_compensation[static_cast<std::size_t>(i)]->setChecked(s.compensation == i);
    if (s.irCapacitor >= 0)
        (s.irCapacitor ? m_cap220nF : m_cap1nF)->setChecked(true);
    ShowCompensation();
    m_firmware->setText(QString::fromStdString(m_model.FirmwareText()));
    Button(Firmware)->setVisible(m_model.FirmwareOutdated());
    Button(Firmware)->setEnabled(m_model.FirmwareOutdated());
    m_refreshing = false;
}

}  // namespace qor::ui
