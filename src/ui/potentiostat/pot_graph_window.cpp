#include "ui/potentiostat/pot_graph_window.h"

#include "common/clock.h"
#include "common/text.h"
#include "data/document_ui.h"
#include "export/export_dlg_model.h"
#include "graph/tick_scale.h"
#include "potentiostat/xy_graph_model.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace qor::ui {

namespace {
constexpr QRgb kCurveRed = 0xFFFF0000u;
const char* kExportFilter = "Tabellen (*.txt) | *.txt | Alle Dateien (*.*)|*.*||";
const char* kNotWritten[2] = {"Die Datei %1 kann nicht geschrieben werden.",
                              "The file %1 cannot be written."};
}  // namespace

PotGraphWindow::PotGraphWindow(const QString& title, int graphs, Clock& clock, data::DocumentUi& ui, int lang,
                               QWidget* parent)
    : QDialog(parent), m_clock(clock), m_ui(ui), m_lang(lang)
{
    setWindowTitle(title);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    for (int i = 0; i < graphs; ++i) {
        auto* g = new CGraphWnd(this, 10);  // a curve per run, and room for what a window draws over it
        g->SetLanguage(lang);
        g->SetFrameFlags(graph::kFrameNumericX);  // numbers on X (time, current, frequency), not clock times
        g->AddGraph(graph::MakeRgb(255, 0, 0), std::string());
        g->Panel()->setMouseTracking(true);
        g->Panel()->installEventFilter(this);
        connect(g, &CGraphWnd::ReadOutChanged, this, [this](const QString& t) { m_status->setText(t); });
        m_graphs.push_back(g);
    }
    m_status = new QLabel(this);
    m_buttonRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_buttonRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch();
    AddButton(QString::fromUtf8(TextPair{"Drucken", "Print"}[m_lang == 1 ? 1 : 0]), [this] { Print(); });
    m_export = AddButton(QStringLiteral("Export"), [this] { Export(); });
    AddButton(QStringLiteral("OK"), [this] { close(); });
    resize(900, 640);
}

QPushButton* PotGraphWindow::AddButton(const QString& text, std::function<void()> action)
{
    auto* b = new QPushButton(text, m_buttonRow);
    connect(b, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    m_buttonRow->layout()->addWidget(b);
    return b;
}

void PotGraphWindow::resizeEvent(QResizeEvent* e)
{
    QDialog::resizeEvent(e);
    const int h = height(), rowH = m_buttonRow->sizeHint().height(), textH = m_status->sizeHint().height();
    m_buttonRow->setGeometry(8, h - rowH - 6, width() - 16, rowH);
    m_status->setGeometry(8, h - rowH - textH - 10, width() - 16, textH);
    PlaceGraphs(QRect(0, 0, width(), h - rowH - textH - 12));
}

bool PotGraphWindow::IsCurvePixel(int, QRgb pixel) const
{
    return pixel == kCurveRed;
}

QString PotGraphWindow::HoverAt(int graph, const QPoint& pos) const
{
    const CGraphWnd* g = Graph(graph);
    const QImage& layer = g->Panel()->Layer();
    if (!layer.rect().contains(pos) || !IsCurvePixel(graph, layer.pixel(pos)))
        return QString();
    const graph::GraphRange& r = g->Range();
    const QWidget* panel = g->Panel();
    const double x = graph::ScaleMapping(0, panel->width() - 1, r.xFrom, r.xTo).Value(pos.x());
    const double y = graph::ScaleMapping(panel->height() - 1, 0, r.yFrom, r.yTo).Value(pos.y());
    return QString::fromStdString(HoverText(graph, x, y));
}

bool PotGraphWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        for (int i = 0; i < GraphCount(); ++i) {
            if (watched != Graph(i)->Panel())
                continue;
            const auto* me = static_cast<QMouseEvent*>(event);
            const QString tip = HoverAt(i, me->position().toPoint());
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(me->globalPosition().toPoint(), tip, Graph(i)->Panel());
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PotGraphWindow::Export()
{
    const std::optional<std::string> path = m_ui.ChooseFile(data::FileDialog::SaveAs, "txt", kExportFilter);
    if (!path)
        return;
    const std::optional<bool> comma = AskDecimalComma(m_lang, this);
    if (!comma)
        return;
    ExportTo(*path, *comma);
}

bool PotGraphWindow::ExportTo(const std::string& path, bool comma)
{
    return WriteFile(path, ExportText(comma));
}

bool PotGraphWindow::WriteFile(const std::string& path, const std::string& bytes)
{
    if (potentiostat::WriteExportFile(path, bytes))
        return true;
    m_ui.ShowMessage(
        QString::fromUtf8(kNotWritten[m_lang == 1]).arg(QString::fromStdString(path)).toStdString());
    return false;
}

void PotGraphWindow::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dlg(&printer, this);
    if (dlg.exec() == QDialog::Accepted)
        PrintOn(printer);
}

void PotGraphWindow::PrintOn(QPrinter& printer)
{
    printer.setDocName(QStringLiteral("QOremote Plot"));
    QPainter p;
    if (!p.begin(&printer))
        return;
    const QRect page(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    const QString header = QString::fromStdString(potentiostat::PlotPrintHeader(m_clock.Now()));
    const int headerH = page.height() / 20;
    p.drawText(QRect(page.left(), page.top(), page.width(), headerH), Qt::AlignCenter, header);
    // The shown graphs one below the other under the header.
    std::vector<int> shown;
    for (int i = 0; i < GraphCount(); ++i)
        if (Graph(i)->isVisibleTo(this))
            shown.push_back(i);
    const int n = static_cast<int>(shown.size()), each = (page.height() - headerH) / std::max(n, 1);
    for (int i = 0; i < n; ++i)
        RenderGraph(shown[static_cast<std::size_t>(i)], p,
                    QRect(page.left(), page.top() + headerH + i * each, page.width(), each));
    p.end();
}

void PotGraphWindow::RenderGraph(int graph, QPainter& painter, const QRect& rect)
{
    Graph(graph)->Render(painter, rect);
}

std::optional<bool> AskDecimalComma(int lang, QWidget* parent)
{
    exporter::CExportSeparator model(lang);
    QDialog dlg(parent);
    dlg.setWindowTitle(QString::fromStdString(model.Title()));
    auto* box = new QGroupBox(QString::fromStdString(model.GroupCaption()), &dlg);
    auto* boxLayout = new QVBoxLayout(box);
    QButtonGroup group(&dlg);
    for (int i = 0; i < 2; ++i) {
        auto* radio = new QRadioButton(QString::fromStdString(model.Caption(i)), box);
        group.addButton(radio, i);
        boxLayout->addWidget(radio);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(box);
    layout->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    model.Choose(group.checkedId());
    // Nothing chosen writes with the comma, the dialog's first choice.
    return model.Result() != 1;
}

}  // namespace qor::ui
