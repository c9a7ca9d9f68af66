#include "ui/station/slave_auswahl.h"

#include "ui/common/ui_texts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor::ui {

CSlaveAuswahl::CSlaveAuswahl(station::SlaveAuswahlModel& model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    setWindowTitle(QString::fromStdString(model.Caption()));
    m_list = new QListWidget(this);
    m_list->setMinimumSize(260, 160);
    for (const std::string& t : model.Texts())
        m_list->addItem(QString::fromStdString(t));
    if (model.Selection() >= 0)
        m_list->setCurrentRow(model.Selection());
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_model.Select(row); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, model.Language()), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QString::fromStdString(model.CancelText()), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString(model.Prompt()), this));
    layout->addWidget(m_list);
    layout->addWidget(buttons);
}

}  // namespace qor::ui
