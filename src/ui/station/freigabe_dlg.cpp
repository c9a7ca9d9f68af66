#include "ui/station/freigabe_dlg.h"

#include "ui/common/ui_texts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace qor::ui {

CFreigabeDlg::CFreigabeDlg(station::FreigabeDlgModel& model, QWidget* parent)
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

void CFreigabeDlg::Reload()
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

}  // namespace qor::ui
