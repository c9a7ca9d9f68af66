#include "ui/graph/point_view_bar.h"

#include "graph/read_out.h"
#include "ui/graph/graph_texts.h"
#include "ui/graph/graph_wnd.h"

#include <QHeaderView>
#include <QMenu>

namespace qor::ui {

CPointViewBar::CPointViewBar(int lang, QWidget* parent)
    : QDockWidget(parent), m_lang(lang == 1 ? 1 : 0), m_list(new C3DListCtrl(0, 4))
{
    setObjectName(QStringLiteral("CPointViewBar"));
    setWidget(m_list);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->setHorizontalHeaderLabels({QString::fromUtf8(graph_texts::kPoint[m_lang]),
                                       QString::fromUtf8(graph_texts::kTime[m_lang]), QStringLiteral("X"),
                                       QStringLiteral("Y")});
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu(this);
        menu.addAction(QString::fromUtf8(graph_texts::kProperties[m_lang]), this,
                       &CPointViewBar::PropertiesRequested);
        menu.exec(m_list->viewport()->mapToGlobal(pos));
    });
}

void CPointViewBar::ShowCurve(const CGraphWnd& wnd, int curve, bool absoluteTime)
{
    const graph::CGraphProps* g = wnd.GetGraph(curve);
    const std::size_t n = g ? g->m_points.size() : 0;
    // A list control of a week of seconds would be useless; the newest points matter most.
    constexpr std::size_t kMaxRows = 100000;
    const std::size_t first = n > kMaxRows ? n - kMaxRows : 0;
    m_list->setRowCount(static_cast<int>(n - first));
    if (n == 0)
        return;
    setWindowTitle(QString::fromStdString(g->m_name));
    const graph::GraphAxis& ax = wnd.GetAxis(graph::kAxisX);
    const graph::GraphAxis& ay = wnd.GetAxis(graph::kAxisY);
    const std::int64_t t0 = g->m_points[0].time;
    for (std::size_t i = first; i < n; ++i) {
        const graph::GraphPoint& p = g->m_points[i];
        const int row = static_cast<int>(i - first);
        m_list->setItem(row, 0, new QTableWidgetItem(QString::number(i)));
        m_list->setItem(row, 1,
                        new QTableWidgetItem(
                            QString::fromStdString(graph::ReadOut::PointTime(t0, p.time, absoluteTime))));
        m_list->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(ax.FormatNumber(p.x))));
        m_list->setItem(row, 3, new QTableWidgetItem(QString::fromStdString(ay.FormatNumber(p.y))));
    }
}

}  // namespace qor::ui
