#include "ui/graph/graph_property_page.h"

#include "ui/graph/graph_texts.h"
#include "ui/graph/graph_wnd.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qor::ui {

namespace gt = graph_texts;

namespace {
QString Q(const char* s)
{
    return QString::fromUtf8(s);
}
QColor ToColor(graph::Rgb c)
{
    return QColor(graph::Red(c), graph::Green(c), graph::Blue(c));
}
}  // namespace

CGraphAxisPage::CGraphAxisPage(CGraphWnd& wnd, int axis, int lang, QWidget* parent)
    : CGraphPropertyPage(wnd, parent), m_axis(axis), m_name(new QLineEdit), m_unit(new QLineEdit),
      m_decimals(new QSpinBox)
{
    const graph::GraphAxis& a = wnd.GetAxis(axis);
    m_name->setText(QString::fromStdString(a.m_name));
    m_unit->setText(QString::fromStdString(a.m_unit));
    m_decimals->setRange(0, 10);  // the only precisions a label format can carry
    m_decimals->setValue(a.m_decimals);
    auto* form = new QFormLayout(this);
    form->addRow(Q(gt::kInput[lang]), m_name);
    form->addRow(Q(gt::kUnit[lang]), m_unit);
    form->addRow(Q(gt::kPrecision[lang]), m_decimals);
}

void CGraphAxisPage::Apply()
{
    m_wnd.SetAxisTitle(m_name->text().toStdString(), m_unit->text().toStdString(), m_decimals->value(),
                       m_axis, true);
}

CGraphGraphicsPage::CGraphGraphicsPage(CGraphWnd& wnd, int lang, QWidget* parent)
    : CGraphPropertyPage(wnd, parent), m_list(new QListWidget), m_name(new QLineEdit),
      m_colour(new QPushButton(Q(gt::kColour[lang]))), m_hide(new QRadioButton(Q(gt::kHide[lang]))),
      m_on(new QRadioButton(Q(gt::kOn[lang])))
{
    int pos;
    for (const graph::CGraphProps* g = wnd.GetFirstGraph(pos); g; g = wnd.GetNextGraph(pos)) {
        m_entries.push_back({pos, g->m_name, g->m_colour, g->m_visible});
        m_list->addItem(QString::fromStdString(g->m_name));
    }
    auto* showAll = new QPushButton(Q(gt::kShowAll[lang]));
    auto* lay = new QHBoxLayout(this);
    lay->addWidget(m_list, 1);
    auto* form = new QFormLayout;
    form->addRow(Q(gt::kInput[lang]), m_name);
    form->addRow(m_colour);
    auto* vis = new QHBoxLayout;
    vis->addWidget(m_hide);
    vis->addWidget(m_on);
    form->addRow(vis);
    form->addRow(showAll);
    lay->addLayout(form, 1);
    connect(m_list, &QListWidget::currentRowChanged, this, &CGraphGraphicsPage::Choose);
    connect(showAll, &QPushButton::clicked, this, &CGraphGraphicsPage::ShowAll);
    connect(m_colour, &QPushButton::clicked, this, [this] {
        if (m_current < 0)
            return;
        const QColor c =
            QColorDialog::getColor(ToColor(m_entries[static_cast<std::size_t>(m_current)].colour), this);
        if (c.isValid())
            SetColour(graph::MakeRgb(c.red(), c.green(), c.blue()));
    });
    if (!m_entries.empty())
        m_list->setCurrentRow(0);
    else
        setEnabled(false);
}

void CGraphGraphicsPage::StoreCurrent()
{
    if (m_current < 0)
        return;
    Entry& e = m_entries[static_cast<std::size_t>(m_current)];
    e.name = m_name->text().toStdString();
    e.visible = m_on->isChecked();
    m_list->item(m_current)->setText(m_name->text());
}

void CGraphGraphicsPage::UpdateSwatch()
{
    if (m_current < 0)
        return;
    QPixmap swatch(14, 14);
    swatch.fill(ToColor(m_entries[static_cast<std::size_t>(m_current)].colour));
    m_colour->setIcon(QIcon(swatch));
}

void CGraphGraphicsPage::Choose(int row)
{
    StoreCurrent();
    if (row < 0 || static_cast<std::size_t>(row) >= m_entries.size()) {
        m_current = -1;
        return;
    }
    m_current = row;
    const Entry& e = m_entries[static_cast<std::size_t>(row)];
    m_name->setText(QString::fromStdString(e.name));
    (e.visible ? m_on : m_hide)->setChecked(true);
    UpdateSwatch();
}

void CGraphGraphicsPage::SetColour(graph::Rgb colour)
{
    if (m_current < 0)
        return;
    m_entries[static_cast<std::size_t>(m_current)].colour = colour;
    UpdateSwatch();
}

void CGraphGraphicsPage::ShowAll()
{
    StoreCurrent();
    for (Entry& e : m_entries)
        e.visible = true;
    m_on->setChecked(true);
}

void CGraphGraphicsPage::Apply()
{
    StoreCurrent();
    for (const Entry& e : m_entries) {
        if (graph::CGraphProps* g = m_wnd.GetGraph(e.index)) {
            g->m_name = e.name;
            g->m_colour = e.colour;
            g->m_visible = e.visible;
        }
    }
    m_wnd.SetStyle(m_wnd.GetStyle(), true);
}

CGraphTitlePage::CGraphTitlePage(CGraphWnd& wnd, int lang, QWidget* parent)
    : CGraphPropertyPage(wnd, parent), m_title(new QLineEdit(wnd.Title()))
{
    auto* form = new QFormLayout(this);
    form->addRow(Q(gt::kTitle[lang]), m_title);
}

void CGraphTitlePage::Apply()
{
    m_wnd.SetTitle(m_title->text());
}

CGraphPropertySheet::CGraphPropertySheet(CGraphWnd& wnd, QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget)
{
    const int lang = wnd.Language();
    setWindowTitle(Q(gt::kProperties[lang]));
    m_pages = {new CGraphAxisPage(wnd, graph::kAxisX, lang), new CGraphAxisPage(wnd, graph::kAxisY, lang),
               new CGraphGraphicsPage(wnd, lang), new CGraphTitlePage(wnd, lang)};
    m_tabs->addTab(m_pages[0], Q(gt::kXAxis[lang]));
    m_tabs->addTab(m_pages[1], Q(gt::kYAxis[lang]));
    m_tabs->addTab(m_pages[2], Q(gt::kGraphics[lang]));
    m_tabs->addTab(m_pages[3], Q(gt::kTitle[lang]));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(m_tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(Q(gt::kCancel[lang]));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        ApplyAll();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(buttons);
}

void CGraphPropertySheet::ApplyAll()
{
    for (CGraphPropertyPage* p : m_pages)
        p->Apply();
}

}  // namespace qor::ui
