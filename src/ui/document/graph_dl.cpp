#include "ui/document/graph_dl.h"

#include "common/clock.h"
#include "common/text.h"
#include "ui/common/ui_texts.h"
#include "ui/common/wait_wnd.h"
#include "ui/graph/graph_wnd.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>
#include <utility>

namespace qor::ui {

namespace {
constexpr TextPair kExit{"Beenden", "Exit"};
constexpr TextPair kPrint{"Drucken", "Print"};
constexpr TextPair kNotAvailable{"Daten nicht verfügbar!", "Data not available!"};
constexpr TextPair kNoSamples{"Die Datei enthält keine Messwerte eines Datenloggers.",
                              "The file holds no data logger samples."};
constexpr TextPair kReading{"Bitte warten, lese Daten.", "Please wait, reading data."};
constexpr TextPair kExporting{"Bitte warten, Daten werden exportiert.", "Please wait, export data."};
constexpr TextPair kCannotWrite{"Die Datei %1 kann nicht geschrieben werden: %2",
                                "The file %1 cannot be written: %2"};
constexpr TextPair kOptions[3] = {{"Legende", "Legend"}, {"Gitter", "Grid"}, {"Punkte", "Markers"}};
constexpr TextPair kTableFilter{"Tabellen (*.txt);;Alle Dateien (*.*)", "Tables (*.txt);;All files (*.*)"};
constexpr unsigned kOptionBits[3] = {graph::kStyleLegend, graph::kStyleGrid, graph::kStyleMarkers};

// Object names and captions of the buttons; Exit and Print get theirs from the language,
// the scroll buttons show arrows.
constexpr const char* kNames[CGraphDL::ButtonCount] = {"Exit", "Print", "Export", "Page",  "Redraw",
                                                       "ZOOM", "+",     "-",      "Up",    "Down",
                                                       "Left", "Right", "Text",   "Clear", "Edit"};
}  // namespace

CGraphDL::CGraphDL(Clock& clock, QWidget* parent) : QDialog(parent), m_clock(clock)
{
    setObjectName(QStringLiteral("graphDL"));
    setSizeGripEnabled(true);
    resize(1000, 640);
    auto* layout = new QVBoxLayout(this);
    m_graphPlace = new QVBoxLayout;
    layout->addLayout(m_graphPlace, 1);
    m_readOut = new QLabel(this);
    layout->addWidget(m_readOut);
    auto* row = new QHBoxLayout;
    layout->addLayout(row);
    for (int b = 0; b < ButtonCount; ++b) {
        // Tool buttons take the room of their caption, so the row fits a small screen.
        auto* button = new QToolButton(this);
        const QString name = QString::fromLatin1(kNames[b]);
        button->setObjectName(name);
        button->setMinimumWidth(32);
        if (b >= Up && b <= Right) {
            const QStyle::StandardPixmap arrows[] = {QStyle::SP_ArrowUp, QStyle::SP_ArrowDown,
                                                     QStyle::SP_ArrowLeft, QStyle::SP_ArrowRight};
            button->setIcon(style()->standardIcon(arrows[b - Up]));
            button->setToolTip(name);
        } else {
            button->setText(name);
        }
        // Groups: exit/print/export, the section, the scrolls, the texts.
        if (b == Fit || b == Up || b == TextPlace)
            row->addSpacing(12);
        row->addWidget(button);
        m_buttons[static_cast<std::size_t>(b)] = button;
    }
    row->addSpacing(12);
    for (int i = 0; i < 3; ++i) {
        m_options[static_cast<std::size_t>(i)] = new QCheckBox(this);
        row->addWidget(m_options[static_cast<std::size_t>(i)]);
        connect(m_options[static_cast<std::size_t>(i)], &QCheckBox::toggled, this,
                [this] { ApplyOptions(); });
    }
    row->addStretch(1);

    auto section = [this](CGraphWnd::SectionCommand c, graph::ScrollDirection d) {
        return [this, c, d] {
            if (m_graph)
                m_graph->RunSectionCommand(c, d);
        };
    };
    auto graphCall = [this](auto f) {
        return [this, f] {
            if (m_graph)
                f(*m_graph);
        };
    };
    using S = CGraphWnd::SectionCommand;
    using D = graph::ScrollDirection;
    const std::pair<Button, std::function<void()>> actions[] = {
        {Exit, [this] { accept(); }},
        {Print, [this] { PrintGraph(); }},
        {Export, [this] { ExportTable(); }},
        {Fit, section(S::Fit, D::Left)},
        {Redraw, graphCall([](CGraphWnd& g) { g.Redraw(); })},
        {ZoomRect, graphCall([](CGraphWnd& g) { g.SetZoomMode(true); })},
        {ZoomIn, section(S::ZoomIn, D::Left)},
        {ZoomOut, section(S::ZoomOut, D::Left)},
        {Up, section(S::Scroll, D::Up)},
        {Down, section(S::Scroll, D::Down)},
        {Left, section(S::Scroll, D::Left)},
        {Right, section(S::Scroll, D::Right)},
        {TextPlace, graphCall([](CGraphWnd& g) { g.SetTextMode(true); })},
        {TextClear, graphCall([](CGraphWnd& g) { g.ClearTextsAsk(); })},
        {TextEdit, graphCall([](CGraphWnd& g) { g.SetEditMode(true); })},
    };
    for (const auto& [b, f] : actions)
        connect(m_buttons[b], &QToolButton::clicked, this, f);

    m_timer = new QTimer(this);
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &CGraphDL::Tick);
}

CGraphDL::~CGraphDL() = default;

void CGraphDL::Open(const std::string& path, int lang)
{
    if (m_graph)
        done(Accepted);
    m_model.m_lang = lang == 1 ? 1 : 0;
    m_model.m_path = path;
    setWindowTitle(QString::fromStdString(m_model.Title(path)));
    m_buttons[Exit]->setText(Tr(kExit, m_model.m_lang));
    m_buttons[Print]->setText(Tr(kPrint, m_model.m_lang));
    for (int i = 0; i < 3; ++i)
        m_options[static_cast<std::size_t>(i)]->setText(Tr(kOptions[i], m_model.m_lang));

    m_graph = new CGraphWnd(this, data::GraphDLModel::kColumns);
    m_graph->setObjectName(QStringLiteral("Graph Window"));
    m_graph->setWindowTitle(QStringLiteral("Graph Window"));
    m_graph->setProperty("windowId", data::GraphDLModel::kWindowId);
    m_graph->SetLanguage(m_model.m_lang);
    m_graph->SetFrameFlags(data::GraphDLModel::FrameFlags());
    m_model.Prepare(*m_graph);
    m_graphPlace->addWidget(m_graph);
    connect(m_graph, &CGraphWnd::ReadOutChanged, m_readOut, &QLabel::setText);
    for (int i = 0; i < 3; ++i) {
        QSignalBlocker quiet(m_options[static_cast<std::size_t>(i)]);
        m_options[static_cast<std::size_t>(i)]->setChecked(m_model.m_option[static_cast<std::size_t>(i)] !=
                                                           0);
    }
    ReadFile();
    m_graph->Redraw();
    Tick();
    m_timer->start();
}

int CGraphDL::Run(const std::string& path, int lang)
{
    Open(path, lang);
    return exec();
}

void CGraphDL::ReadFile()
{
    std::string bytes;
    if (!data::LoggerFile::ReadBytes(m_model.m_path, bytes)) {
        ShowMessage(Tr(kNotAvailable, m_model.m_lang));
        return;
    }
    if (!data::LoggerFile::HoldsSamples(bytes)) {
        ShowMessage(Tr(kNoSamples, m_model.m_lang));
        return;
    }
    CProgressWnd progress(m_model.m_lang, parentWidget() ? parentWidget() : this);
    progress.setWindowTitle(windowTitle());
    progress.SetText(Tr(kReading, m_model.m_lang));
    progress.SetRange(0, 100);
    progress.show();
    // Repaints go on while the file is read; input waits, so nothing starts in between.
    const auto step = [&progress](std::size_t done, std::size_t total) {
        progress.SetPos(total ? static_cast<int>(done * 100 / total) : 100);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const data::LoggerFile file = data::LoggerFile::Parse(bytes, step);
    m_model.Fill(*m_graph, file, m_model.m_path);
}

void CGraphDL::Tick()
{
    const bool has = m_graph != nullptr;
    m_buttons[ZoomRect]->setEnabled(has && !m_graph->ZoomMode());
    m_buttons[TextPlace]->setEnabled(has && !m_graph->TextMode());
    m_buttons[TextEdit]->setEnabled(has && !m_graph->EditMode());
}

void CGraphDL::ApplyOptions()
{
    if (!m_graph)
        return;
    unsigned style = m_graph->GetStyle();
    for (int i = 0; i < 3; ++i) {
        if (m_options[static_cast<std::size_t>(i)]->isChecked())
            style |= kOptionBits[i];
        else
            style &= ~kOptionBits[i];
    }
    m_graph->SetStyle(style);
}

void CGraphDL::ShowMessage(const QString& text)
{
    QMessageBox box(QMessageBox::Information, Tr(txt::kAppName, m_model.m_lang), text, QMessageBox::Ok, this);
    box.exec();
}

void CGraphDL::ExportTable()
{
    QFileDialog dlg(this);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters(Tr(kTableFilter, m_model.m_lang).split(QStringLiteral(";;")));
    dlg.setDefaultSuffix(QStringLiteral("txt"));
    dlg.selectFile(QStringLiteral("*.txt"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    ExportTo(dlg.selectedFiles().first().toStdString());
}

bool CGraphDL::ExportTo(const std::string& path)
{
    std::string bytes;
    if (!data::LoggerFile::ReadBytes(m_model.m_path, bytes)) {
        ShowMessage(Tr(kNotAvailable, m_model.m_lang));
        return false;
    }
    if (!data::LoggerFile::HoldsSamples(bytes)) {
        ShowMessage(Tr(kNoSamples, m_model.m_lang));
        return false;
    }
    std::string error;
    bool ok;
    {
        CProgressWnd progress(m_model.m_lang, this);
        progress.setWindowTitle(windowTitle());
        progress.SetText(Tr(kExporting, m_model.m_lang));
        progress.SetRange(0, 1);
        progress.show();
        ok = data::WriteLoggerExport(path, bytes, &error);
        progress.SetPos(1);
    }
    if (!ok)
        ShowMessage(Tr(kCannotWrite, m_model.m_lang)
                        .arg(QString::fromStdString(path), QString::fromStdString(error)));
    return ok;
}

void CGraphDL::PrintGraph()
{
    if (!m_graph)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dlg(&printer, this);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dlg.setOption(QAbstractPrintDialog::PrintSelection, false);
    dlg.setOption(QAbstractPrintDialog::PrintToFile, false);
    dlg.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dlg.exec() != QDialog::Accepted)
        return;
    PrintOn(printer);
}

void CGraphDL::PrintOn(QPrinter& printer)
{
    if (!m_graph)
        return;
    printer.setDocName(QStringLiteral("QORremote-Plot"));
    QPainter p;
    if (!p.begin(&printer))
        return;
    const QString kept = m_graph->Title();
    m_graph->SetTitle(QString::fromStdString(data::GraphDLModel::PrintTitle(m_clock.Now())));
    // The painter's origin is the corner of the printable area.
    m_graph->Render(p,
                    QRect(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size()));
    m_graph->SetTitle(kept);
    p.end();
}

void CGraphDL::done(int result)
{
    m_timer->stop();
    if (m_graph) {
        m_model.Close(*m_graph);
        delete m_graph;
        m_graph = nullptr;
    }
    m_readOut->clear();
    Tick();
    QDialog::done(result);
}

}  // namespace qor::ui
