#include "ui/document/virtuell_kanal.h"

#include "ui/common/fehler_dlg.h"
#include "ui/common/ui_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor::ui {

namespace {

QComboBox* SourceBox(const std::vector<data::VirtuellKanalModel::Choice>& channels, int selection,
                     QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const data::VirtuellKanalModel::Choice& c : channels)
        box->addItem(QString::fromStdString(c.text));
    box->setCurrentIndex(selection);
    return box;
}

}  // namespace

CVirtuellKanal::CVirtuellKanal(data::CGrafikSetupVirtuell& setup,
                               const std::array<catalogue::CSlave, 16>& slaves, int lang, QWidget* parent)
    : QDialog(parent), m_model(setup, slaves, lang), m_lang(lang)
{
    setWindowTitle(QString::fromStdString(m_model.Title()));
    auto* grid = new QGridLayout;
    for (int column = 0; column < 4; ++column)
        grid->addWidget(
            new QLabel(QString::fromStdString(data::VirtuellKanalModel::ColumnCaption(column)), this), 0,
            column);
    for (int row = 0; row < 4; ++row) {
        const std::size_t i = static_cast<std::size_t>(row);
        const data::VirtuellKanalModel::Row& r = m_model.GetRow(row);
        m_enable[i] = new QCheckBox(this);
        m_enable[i]->setChecked(r.enabled);
        m_sourceY[i] = SourceBox(m_model.Channels(), r.ySelection, this);
        m_formula[i] = new QLineEdit(QString::fromStdString(r.formula), this);
        m_formula[i]->setMaxLength(static_cast<int>(data::VirtuellKanalModel::kMaxFormulaLength));
        m_sourceZ[i] = SourceBox(m_model.Channels(), r.zSelection, this);
        grid->addWidget(m_enable[i], row + 1, 0, Qt::AlignCenter);
        grid->addWidget(m_sourceY[i], row + 1, 1);
        grid->addWidget(m_formula[i], row + 1, 2);
        grid->addWidget(m_sourceZ[i], row + 1, 3);
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QString::fromStdString(m_model.CancelText()), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CVirtuellKanal::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CVirtuellKanal::accept()
{
    for (int row = 0; row < 4; ++row) {
        m_model.SetEnabled(row, Enable(row)->isChecked());
        m_model.SelectY(row, SourceY(row)->currentIndex());
        m_model.SetFormula(row, Formula(row)->text().toStdString());
        m_model.SelectZ(row, SourceZ(row)->currentIndex());
    }
    std::vector<std::string> messages;
    if (m_model.OnOK(&messages)) {
        QDialog::accept();
        return;
    }
    QStringList lines;
    for (const std::string& m : messages)
        lines << QString::fromStdString(m);
    CFehlerDlg error(m_lang, this);
    error.SetText(lines.join('\n'));
    error.exec();
}

}  // namespace qor::ui
