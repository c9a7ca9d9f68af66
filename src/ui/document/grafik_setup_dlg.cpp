#include "ui/document/grafik_setup_dlg.h"

#include "data/qor_doc.h"
#include "ui/common/ui_texts.h"
#include "ui/document/virtuell_kanal.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace qor::ui {

namespace {

QLineEdit* NumberEdit(const std::string& text, QWidget* parent)
{
    auto* e = new QLineEdit(QString::fromStdString(text), parent);
    e->setMaximumWidth(70);
    e->setAlignment(Qt::AlignRight);
    return e;
}

}  // namespace

CGrafikSetupGlg::CGrafikSetupGlg(data::CQORDoc& doc, const std::array<catalogue::CSlave, 16>& modules,
                                 bool intervalEditable, int lang, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_modules(modules),
      m_model(doc.GrafikSetup(), modules, intervalEditable, lang), m_virtuell(doc.Virtuell()), m_lang(lang)
{
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    setWindowTitle(text(m_model.Title()));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(text(m_model.ColumnCaption(0)), this), 0, 0);
    for (int k = 0; k < 3; ++k)
        grid->addWidget(new QLabel(text(m_model.ColumnCaption(k + 1)), this), 0, 1 + 2 * k, 1, 2);

    for (int a = 0; a < 16; ++a) {
        const std::size_t ai = static_cast<std::size_t>(a);
        const data::GrafikSetupGlgModel::Row& row = m_model.GetRow(a);
        m_label[ai] = new QLabel(QString::fromStdString(row.label), this);
        grid->addWidget(m_label[ai], a + 1, 0);
        for (std::size_t k = 0; k < 3; ++k) {
            m_factor[ai][k] = NumberEdit(row.factor[k], this);
            m_show[ai][k] = new QCheckBox(QString::fromStdString(row.captions[k]), this);
            m_show[ai][k]->setChecked(row.show[k]);
            m_show[ai][k]->setEnabled(row.released);
            grid->addWidget(m_factor[ai][k], a + 1, 1 + 2 * static_cast<int>(k));
            grid->addWidget(m_show[ai][k], a + 1, 2 + 2 * static_cast<int>(k));
        }
    }

    m_interval = new QTimeEdit(this);
    m_interval->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    const data::CGrafikSetup::Hms iv = m_model.Interval();
    m_interval->setTime(QTime(iv.hours, iv.minutes, iv.seconds));
    m_interval->setEnabled(m_model.IntervalEditable());
    m_yFrom = NumberEdit(m_model.YFrom(), this);
    m_yTo = NumberEdit(m_model.YTo(), this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(text(m_model.IntervalText()), this));
    bottom->addWidget(m_interval);
    bottom->addSpacing(20);
    bottom->addWidget(new QLabel(text(m_model.YFromText()), this));
    bottom->addWidget(m_yFrom);
    bottom->addWidget(new QLabel(text(m_model.YToText()), this));
    bottom->addWidget(m_yTo);
    bottom->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Tr(txt::kCancel, lang), QDialogButtonBox::RejectRole);
    m_virtualButton = buttons->addButton(text(m_model.VirtualChannelsText()), QDialogButtonBox::ActionRole);
    connect(m_virtualButton, &QPushButton::clicked, this, &CGrafikSetupGlg::OpenVirtual);
    connect(buttons, &QDialogButtonBox::accepted, this, &CGrafikSetupGlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);
    layout->addWidget(buttons);
}

void CGrafikSetupGlg::StartYRange(double from, double to)
{
    using Model = data::GrafikSetupGlgModel;
    m_yFrom->setText(QString::fromStdString(Model::NumberText(static_cast<float>(from), m_lang)));
    m_yTo->setText(QString::fromStdString(Model::NumberText(static_cast<float>(to), m_lang)));
}

void CGrafikSetupGlg::OpenVirtual()
{
    CVirtuellKanal dlg(m_virtuell, m_modules, m_lang, this);
    if (dlg.exec() == QDialog::Accepted)
        accept();
}

void CGrafikSetupGlg::accept()
{
    for (int a = 0; a < 16; ++a)
        for (int k = 0; k < 3; ++k) {
            m_model.SetShow(a, k, Show(a, k)->isChecked());
            m_model.SetFactor(a, k, Factor(a, k)->text().toStdString());
        }
    const QTime t = m_interval->time();
    m_model.SetInterval(t.hour(), t.minute(), t.second());
    m_model.SetYFrom(m_yFrom->text().toStdString());
    m_model.SetYTo(m_yTo->text().toStdString());
    if (const auto bad = m_model.OnOK()) {
        QLineEdit* edit = bad->address >= 0 ? Factor(bad->address, bad->value)
                          : bad->value == 0 ? m_yFrom
                                            : m_yTo;
        edit->setFocus();
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(m_model.NotANumberText(*bad)));
        return;
    }
    m_doc.SetGrafikSetup(m_model.Result(), &m_virtuell);
    QDialog::accept();
}

}  // namespace qor::ui
