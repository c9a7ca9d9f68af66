#include "ui/graph/point_view_bar.h"

#include "graph/read_out.h"
#include "ui/graph/graph_texts.h"
#include "ui/graph/graph_wnd.h"

#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QVBoxLayout>

namespace qor::ui {

namespace {
// A list control of a week of seconds would be useless; the newest points matter most.
constexpr int kMaxRows = 20000;
}  // namespace

CPointViewBar::CPointViewBar(int lang, QWidget* parent)
    : QDockWidget(parent), m_lang(lang == 1 ? 1 : 0), m_choice(new QComboBox), m_list(new C3DListCtrl(0, 4))
{
    setObjectName(QStringLiteral("CPointViewBar"));
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_choice);
    layout->addWidget(m_list);
    setWidget(body);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu(this);
        menu.addAction(QString::fromUtf8(graph_texts::kProperties[m_lang]), this,
                       &CPointViewBar::PropertiesRequested);
        menu.exec(m_list->viewport()->mapToGlobal(pos));
    });
    connect(this, &CPointViewBar::PropertiesRequested, this, [this] {
        if (m_wnd && m_wnd->ShowProperties())
            Refresh(true);
    });
    connect(m_choice, &QComboBox::activated, this, [this] { Refresh(true); });
    SetLanguage(lang);
}

void CPointViewBar::SetLanguage(int lang)
{
    m_lang = lang == 1 ? 1 : 0;
    m_list->setHorizontalHeaderLabels({QString::fromUtf8(graph_texts::kPoint[m_lang]),
                                       QString::fromUtf8(graph_texts::kTime[m_lang]), QStringLiteral("X"),
                                       QStringLiteral("Y")});
    if (m_wnd)
        Refresh(true);  // elapsed or absolute times are written in the language's form too
}

void CPointViewBar::Follow(CGraphWnd* wnd)
{
    if (m_wnd)
        disconnect(m_wnd, &CGraphWnd::EditedByUser, this, nullptr);
    m_wnd = wnd;
    // A curve renamed in the graph's dialogs is named so here at once.
    if (m_wnd)
        connect(m_wnd, &CGraphWnd::EditedByUser, this, [this] { SyncNames(); });
    Refresh(true);
}

void CPointViewBar::SyncNames()
{
    if (!m_wnd)
        return;
    for (int i = 0; i < m_choice->count(); ++i)
        if (const graph::CGraphProps* g = m_wnd->GetGraph(m_choice->itemData(i).toInt()))
            if (const QString name = QString::fromStdString(g->m_name); m_choice->itemText(i) != name)
                m_choice->setItemText(i, name);
    if (const graph::CGraphProps* g = m_curve >= 0 ? m_wnd->GetGraph(m_curve) : nullptr)
        setWindowTitle(QString::fromStdString(g->m_name));
}

void CPointViewBar::FillChoice()
{
    const int chosen = m_choice->currentData().isValid() ? m_choice->currentData().toInt() : -1;
    m_choice->clear();
    if (!m_wnd)
        return;
    int pos;
    for (const graph::CGraphProps* g = m_wnd->GetFirstGraph(pos); g; g = m_wnd->GetNextGraph(pos))
        m_choice->addItem(QString::fromStdString(g->m_name), pos);
    const int at = m_choice->findData(chosen);
    m_choice->setCurrentIndex(at >= 0 ? at : (m_choice->count() > 0 ? 0 : -1));
}

void CPointViewBar::Refresh(bool anew)
{
    if (anew)
        FillChoice();
    const int curve = m_choice->currentData().isValid() ? m_choice->currentData().toInt() : -1;
    if (!m_wnd || curve < 0) {
        m_curve = -1;
        m_listed = 0;
        m_list->setRowCount(0);
        setWindowTitle(QString::fromUtf8(graph_texts::kPoint[m_lang]));
        return;
    }
    const bool absolute = (m_wnd->GetFrameFlags() & graph::kFrameAbsoluteTime) != 0;
    const graph::CGraphProps* g = m_wnd->GetGraph(curve);
    if (anew || curve != m_curve || !g || g->m_points.size() < m_listed) {
        ShowCurve(*m_wnd, curve, absolute);
    } else {
        SyncNames();
        AppendRows(*m_wnd, absolute);
    }
}

void CPointViewBar::ShowCurve(const CGraphWnd& wnd, int curve, bool absoluteTime)
{
    m_curve = curve;
    m_listed = 0;
    m_list->setRowCount(0);
    const graph::CGraphProps* g = wnd.GetGraph(curve);
    const std::size_t n = g ? g->m_points.size() : 0;
    if (g)
        setWindowTitle(QString::fromStdString(g->m_name));
    m_listed = n > static_cast<std::size_t>(kMaxRows) ? n - kMaxRows : 0;
    AppendRows(wnd, absoluteTime);
}

void CPointViewBar::AppendRows(const CGraphWnd& wnd, bool absoluteTime)
{
    const graph::CGraphProps* g = wnd.GetGraph(m_curve);
    const std::size_t n = g ? g->m_points.size() : 0;
    if (n <= m_listed)
        return;
    const graph::GraphAxis& ax = wnd.GetAxis(graph::kAxisX);
    const graph::GraphAxis& ay = wnd.GetAxis(graph::kAxisY);
    const std::int64_t t0 = g->m_points[0].time;
    int row = m_list->rowCount();
    m_list->setRowCount(row + static_cast<int>(n - m_listed));
    for (std::size_t i = m_listed; i < n; ++i, ++row) {
        const graph::GraphPoint& p = g->m_points[i];
        m_list->setItem(row, 0, new QTableWidgetItem(QString::number(i)));
        m_list->setItem(row, 1,
                        new QTableWidgetItem(
                            QString::fromStdString(graph::ReadOut::PointTime(t0, p.time, absoluteTime))));
        m_list->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(ax.FormatNumber(p.x))));
        m_list->setItem(row, 3, new QTableWidgetItem(QString::fromStdString(ay.FormatNumber(p.y))));
    }
    m_listed = n;
    // The oldest rows go once the list is full.
    const int surplus = m_list->rowCount() - kMaxRows;
    for (int i = 0; i < surplus; ++i)
        m_list->removeRow(0);
}

}  // namespace qor::ui
