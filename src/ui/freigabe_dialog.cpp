#include "ui/freigabe_dialog.h"

#include "ui/ui_texts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace qor::ui {

FreigabeDialog::FreigabeDialog(station::CFreigabeDlg& model, QWidget* parent)
    : QDialog(parent), m_model(model)
{
    const int lang = model.Language();
    setWindowTitle(Tr(txt::kReleaseCaption, lang));
    m_left = new QListWidget(this);
    m_right = new QListWidget(this);
    for (QListWidget* l : {m_left, m_right}) {
        l->setMinimumSize(230, 220);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    m_add = new QPushButton(Tr(txt::kAdd, lang), this);
    m_remove = new QPushButton(Tr(txt::kRemove, lang), this);
    m_selectAll = new QPushButton(Tr(txt::kSelectAll, lang), this);
    m_removeAll = new QPushButton(Tr(txt::kRemoveAll, lang), this);
    m_ok = new QPushButton(Tr(txt::kOk, lang), this);
    m_cancel = new QPushButton(Tr(txt::kCancel, lang), this);
    m_ok->setDefault(true);

    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* b : {m_add, m_remove, m_selectAll, m_removeAll})
        middle->addWidget(b);
    middle->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Tr(txt::kNotReleased, lang), this), 0, 0);
    grid->addWidget(new QLabel(Tr(txt::kReleased, lang), this), 0, 2);
    grid->addWidget(m_left, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_right, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, [this] {
        if (m_model.Add(m_left->currentRow()))
            Reload();
    });
    connect(m_remove, &QPushButton::clicked, this, [this] {
        if (m_model.Remove(m_right->currentRow()))
            Reload();
    });
    connect(m_selectAll, &QPushButton::clicked, this, [this] {
        m_model.SelectAll();
        Reload();
    });
    connect(m_removeAll, &QPushButton::clicked, this, [this] {
        m_model.RemoveAll();
        Reload();
    });
    connect(m_left, &QListWidget::itemDoubleClicked, m_add, &QPushButton::click);
    connect(m_right, &QListWidget::itemDoubleClicked, m_remove, &QPushButton::click);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    Reload();
}

void FreigabeDialog::Reload()
{
    auto fill = [](QListWidget* list, const std::vector<std::string>& texts) {
        const int row = list->currentRow();
        list->clear();
        for (const std::string& t : texts)
            list->addItem(QString::fromStdString(t));
        if (list->count() > 0)
            list->setCurrentRow(std::clamp(row, 0, list->count() - 1));
    };
    fill(m_left, m_model.NotReleasedTexts());
    fill(m_right, m_model.ReleasedTexts());
    m_add->setEnabled(m_left->count() > 0);
    m_selectAll->setEnabled(m_left->count() > 0);
    m_remove->setEnabled(m_right->count() > 0);
    m_removeAll->setEnabled(m_right->count() > 0);
}

SlaveAuswahlDialog::SlaveAuswahlDialog(station::CSlaveAuswahl& model, QWidget* parent)
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
