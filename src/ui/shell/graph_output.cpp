#include "ui/shell/graph_output.h"

#include "ui/graph/graph_wnd.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace qor::ui {

namespace {

// The page carries a title the window does not show; the window gets its own back.
class TitleForPage {
public:
    TitleForPage(CGraphWnd& graph, const QString& title) : m_graph(graph), m_kept(graph.Title())
    {
        m_graph.SetTitle(title);
    }
    ~TitleForPage() { m_graph.SetTitle(m_kept); }
    TitleForPage(const TitleForPage&) = delete;
    TitleForPage& operator=(const TitleForPage&) = delete;

private:
    CGraphWnd& m_graph;
    QString m_kept;
};

void Landscape(QPrinter& printer)
{
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

}  // namespace

bool PrintGraph(CGraphWnd& graph, QPrinter& printer, const QString& title)
{
    TitleForPage named(graph, title);
    QPainter p;
    if (!p.begin(&printer))
        return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    graph.Render(p, QRect(QPoint(0, 0), page.size()));
    return p.end();
}

bool PrintGraphAsked(CGraphWnd& graph, const QString& title, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    Landscape(printer);
    QPrintDialog dlg(&printer, parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    return PrintGraph(graph, printer, title);
}

void PreviewGraph(CGraphWnd& graph, const QString& title, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    Landscape(printer);
    QPrintPreviewDialog dlg(&printer, parent);
    QObject::connect(&dlg, &QPrintPreviewDialog::paintRequested, &dlg,
                     [&graph, &title](QPrinter* to) { PrintGraph(graph, *to, title); });
    dlg.exec();
}

bool ExportGraphPdf(CGraphWnd& graph, const QString& path, const QString& title)
{
    TitleForPage named(graph, title);
    return graph.SavePdf(path);
}

}  // namespace qor::ui
