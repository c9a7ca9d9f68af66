#include "ui/graph/graph_select.h"

#include "ui/graph/graph_texts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor::ui {

CGraphSelect::CGraphSelect(const graph::GraphModel& model, int lang, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(graph_texts::kSelectTitle[lang]));
    m_sel.Load(model, graph_texts::kNotAvailable[lang]);
    auto* lay = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int i = 0; i < graph::GraphSelection::kBoxes; ++i) {
        const auto& b = m_sel.At(i);
        auto* box = new QCheckBox(QString::fromStdString(b.name));
        box->setEnabled(b.exists);
        if (b.exists) {
            QPixmap swatch(12, 12);
            swatch.fill(QColor(graph::Red(b.colour), graph::Green(b.colour), graph::Blue(b.colour)));
            box->setIcon(QIcon(swatch));
        }
        m_boxes[static_cast<std::size_t>(i)] = box;
        grid->addWidget(box, graph::GraphSelection::Row(i), graph::GraphSelection::Column(i));
    }
    lay->addLayout(grid);
    auto* row = new QHBoxLayout;
    auto* all = new QPushButton(QString::fromUtf8(graph_texts::kSelectAll[lang]));
    auto* none = new QPushButton(QString::fromUtf8(graph_texts::kSelectNone[lang]));
    connect(all, &QPushButton::clicked, this, &CGraphSelect::SelectAll);
    connect(none, &QPushButton::clicked, this, &CGraphSelect::SelectNone);
    row->addWidget(all);
    row->addWidget(none);
    row->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(graph_texts::kCancel[lang]));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    row->addWidget(buttons);
    lay->addLayout(row);
    Refresh();
}

void CGraphSelect::Refresh()
{
    for (int i = 0; i < graph::GraphSelection::kBoxes; ++i)
        m_boxes[static_cast<std::size_t>(i)]->setChecked(m_sel.At(i).checked);
}

const graph::GraphSelection& CGraphSelect::Selection()
{
    for (int i = 0; i < graph::GraphSelection::kBoxes; ++i)
        m_sel.SetChecked(i, m_boxes[static_cast<std::size_t>(i)]->isChecked());
    return m_sel;
}

void CGraphSelect::SelectAll()
{
    Selection();
    m_sel.SelectAll();
    Refresh();
}

void CGraphSelect::SelectNone()
{
    Selection();
    m_sel.SelectNone();
    Refresh();
}

}  // namespace qor::ui
