#include "ui/potentiostat/graph_xy.h"

#include "common/clock.h"
#include "data/document_ui.h"
#include "graph/read_out.h"
#include "potentiostat/xy_texts.h"
#include "station/timers.h"
#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/graph_auswahl_dlg.h"
#include "ui/potentiostat/info_copy.h"
#include "ui/potentiostat/pot_graph_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qor::ui {

namespace xt = potentiostat::xytext;
using potentiostat::XyCurve;

namespace {
// G1 red as in the run window; the reference slots and the Tafel lines in colours of their own.
constexpr graph::Rgb kGraphColour = graph::MakeRgb(255, 0, 0);
constexpr std::array<graph::Rgb, 4> kReferenceColours{graph::MakeRgb(0, 0, 255), graph::MakeRgb(0, 150, 0),
                                                      graph::MakeRgb(200, 0, 200),
                                                      graph::MakeRgb(0, 150, 150)};
constexpr graph::Rgb kTafelColour = graph::MakeRgb(0, 0, 0);
constexpr graph::Rgb kOverloadColour = graph::MakeRgb(255, 140, 0);
constexpr int kDecimals = 2;  // the axes' number of decimals until the user changes it

QString Q(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
}  // namespace

CGraphXY::CGraphXY(const std::vector<data::CPotQORDatenObject>& samples, unsigned busAddress, Clock& clock,
                   station::Timers& timers, data::DocumentUi& ui, int lang, Messages messages,
                   QWidget* parent)
    : QDialog(parent), m_model(samples, lang == 1 ? 1 : 0), m_clock(clock), m_timers(timers), m_ui(ui),
      m_lang(lang == 1 ? 1 : 0), m_messages(std::move(messages))
{
    setWindowTitle(Q(xt::kTitle[m_lang]));
    setModal(true);
    m_model.SetBusAddress(busAddress);

    m_graph = new CGraphWnd(this, 16);
    m_graph->SetLanguage(m_lang);
    m_graph->SetStyle(graph::kStyleLegend | graph::kStyleGrid, false);
    m_graph->setMinimumSize(480, 360);

    auto* settings = new QVBoxLayout;
    AddChoices(settings);

    auto button = [this](const char* text, std::function<void()> action) {
        auto* b = new QPushButton(Q(text), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
        return b;
    };
    // The toggle shows the model's mode, whatever the click did to it.
    m_tafel = button(xt::kTafel[m_lang], [this] { ToggleTafel(); });
    m_tafel->setCheckable(true);
    m_clear = button(xt::kClear[m_lang], [this] {
        m_model.ClearTafelLines();
        Show();
    });
    m_info = button(xt::kInfo[m_lang], [this] { Report(m_model.TafelInfo()); });
    m_rp = button(xt::kRpButton[m_lang], [this] { EditRpOptions(); });
    m_saveRef = button(xt::kSaveRef[m_lang], [this] { SaveRef(); });
    m_loadRef = button(xt::kLoadRef[m_lang], [this] { LoadRef(); });
    m_export = button(xt::kExport[m_lang], [this] { Export(); });
    m_print = button(xt::kPrint[m_lang], [this] { Print(); });
    m_close = button(xt::kClose[m_lang], [this] { accept(); });

    auto* tafelRow = new QHBoxLayout;
    tafelRow->addWidget(m_tafel);
    tafelRow->addWidget(m_clear);
    settings->addLayout(tafelRow);

    m_zoom = button(xt::kZoom[m_lang], [this] { m_graph->SetZoomMode(m_zoom->isChecked()); });
    m_zoom->setCheckable(true);
    using Section = CGraphWnd::SectionCommand;
    auto section = [this](Section command) {
        m_graph->RunSectionCommand(command);
        ShowZoomButtons();
    };
    m_zoomIn = button(xt::kZoomIn[m_lang], [section] { section(Section::ZoomIn); });
    m_zoomOut = button(xt::kZoomOut[m_lang], [section] { section(Section::ZoomOut); });
    m_fitAll = button(xt::kFitAll[m_lang], [section] { section(Section::Fit); });
    auto* zoomRow = new QGridLayout;
    zoomRow->addWidget(m_zoom, 0, 0);
    zoomRow->addWidget(m_fitAll, 0, 1);
    zoomRow->addWidget(m_zoomIn, 1, 0);
    zoomRow->addWidget(m_zoomOut, 1, 1);
    settings->addLayout(zoomRow);
    auto* infoRow = new QHBoxLayout;
    infoRow->addWidget(m_info);
    infoRow->addWidget(m_rp);
    settings->addLayout(infoRow);
    for (QPushButton* b : {m_saveRef, m_loadRef, m_export, m_print})
        settings->addWidget(b);
    settings->addStretch();
    settings->addWidget(m_close);

    QVBoxLayout* plot = CreatePlotColumn();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(plot, 1);
    layout->addLayout(settings);
    resize(1000, 680);
    m_built = true;
    Show();
}

// The settings: orientation, unit, scale and potential, then the curves G1 … G4 with their
// charge fields and REF1 … REF4.
void CGraphXY::AddChoices(QVBoxLayout* settings)
{
    // Each radio group is one choice of the model's settings.
    auto radios = [this](auto& array, std::initializer_list<QString> texts) {
        auto* box = new QGroupBox(this);
        auto* l = new QVBoxLayout(box);
        auto* group = new QButtonGroup(box);
        std::size_t i = 0;
        for (const QString& t : texts) {
            array[i] = new QRadioButton(t, box);
            group->addButton(array[i], static_cast<int>(i));
            l->addWidget(array[i++]);
        }
        array[0]->setChecked(true);
        connect(group, &QButtonGroup::idToggled, this, [this](int, bool on) {
            if (on)
                TakeSettings();
        });
        return box;
    };
    settings->addWidget(
        radios(m_orientation, {Q(xt::kOrientationPotentialX[m_lang]), Q(xt::kOrientationCurrentX[m_lang])}));
    settings->addWidget(radios(m_unit, {Q(xt::kUnitTexts[0]), Q(xt::kUnitTexts[1]), Q(xt::kUnitTexts[2])}));
    m_unit[1]->setChecked(true);  // µA
    settings->addWidget(radios(m_scale, {Q(xt::kLin[m_lang]), Q(xt::kLog[m_lang])}));
    settings->addWidget(radios(m_potential, {Q(xt::kUmess[m_lang]), Q(xt::kUsoll[m_lang])}));

    // G1 … G4 with their charge fields below, REF1 … REF4.
    auto* curves = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<std::size_t>(i);
        m_graphBox[k] = new QCheckBox(Q(xt::kGraphBoxes[k]), this);
        m_graphBox[k]->setChecked(m_model.Settings().graphs[k]);
        m_graphBox[k]->setEnabled(i == 0);  // only G1 is fed from the document
        m_charge[k] = new QPushButton(this);
        m_charge[k]->setFlat(true);
        m_charge[k]->setAutoDefault(false);
        connect(m_charge[k], &QPushButton::clicked, this, [this, i] { Report(m_model.ChargeReport(i)); });
        m_refBox[k] = new QCheckBox(Q(xt::kReferenceBoxes[k]), this);
        for (QCheckBox* b : {m_graphBox[k], m_refBox[k]})
            connect(b, &QCheckBox::toggled, this, [this] { TakeSettings(); });
        curves->addWidget(m_graphBox[k], 0, i);
        curves->addWidget(m_charge[k], 1, i);
        curves->addWidget(m_refBox[k], 2, i);
    }
    settings->addLayout(curves);
}

// The plot with the run and curve name above it and the read-out below.
QVBoxLayout* CGraphXY::CreatePlotColumn()
{
    // The position under the mouse, as the graph formats it.
    auto* readOut = new QLabel(this);
    connect(m_graph, &CGraphWnd::ReadOutChanged, readOut, &QLabel::setText);
    // The measured curve's name: empty, it is named after the module's bus address.
    m_name = new QLineEdit(this);
    m_name->setPlaceholderText(QString::fromStdString(m_model.CurveName()));
    connect(m_name, &QLineEdit::editingFinished, this, [this] {
        const std::string name = m_name->text().trimmed().toStdString();
        if (name == m_model.CurveNameField())
            return;
        m_model.SetCurveName(name);
        const graph::GraphRange shown = m_graph->Range();  // a new name keeps the section
        Show();
        m_graph->SetRange(shown.xFrom, shown.xTo, shown.yFrom, shown.yTo, true);
        ShowZoomButtons();
    });
    // With several runs in the list the window works on one: a second run's curve would join
    // the first's and its Tafel lines mix both.
    m_runBox = new QComboBox(this);
    for (int r = 0; r < m_model.Runs(); ++r)
        m_runBox->addItem(QString::number(r + 1));
    m_runBox->setCurrentIndex(m_model.Run());
    auto* runLabel = new QLabel(m_lang == 1 ? QStringLiteral("Run") : QStringLiteral("Lauf"), this);
    runLabel->setVisible(m_model.Runs() > 1);
    m_runBox->setVisible(m_model.Runs() > 1);
    connect(m_runBox, &QComboBox::currentIndexChanged, this, [this](int run) {
        if (run < 0 || run == m_model.Run())
            return;
        m_model.SetRun(run);
        Show();
        ShowZoomButtons();
    });
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(runLabel);
    nameRow->addWidget(m_runBox);
    nameRow->addWidget(new QLabel(Q(xt::kCurveNameLabel[m_lang]), this));
    nameRow->addWidget(m_name, 1);
    auto* plot = new QVBoxLayout;
    plot->addLayout(nameRow);
    plot->addWidget(m_graph, 1);
    plot->addWidget(readOut);
    return plot;
}

CGraphXY::~CGraphXY()
{
    m_timers.Stop(kTimerId);
}

void CGraphXY::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    m_timers.Start(kTimerId, kTickMs);
}

void CGraphXY::hideEvent(QHideEvent* e)
{
    m_timers.Stop(kTimerId);
    QDialog::hideEvent(e);
}

void CGraphXY::Message(const std::string& text)
{
    if (m_messages)
        m_messages(text);
    else
        m_ui.ShowMessage(text);
}

bool CGraphXY::SetRpOptions(const std::array<QString, 5>& fields)
{
    potentiostat::RpOptions o;
    double* values[] = {&o.band, &o.area, &o.ew, &o.density, &o.rs};
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const QString text = fields[k].trimmed();
        if (text.isEmpty())
            continue;
        bool ok = false;
        const double v = QString(text).replace(',', '.').toDouble(&ok);
        // Rs may be 0 (no correction); the others need a positive figure.
        if (!ok || !std::isfinite(v) || v < 0.0 || (v == 0.0 && values[k] != &o.rs)) {
            Message(Format(xt::kRpBadNumber[m_lang], xt::kRpFields[k][m_lang], text.toStdString().c_str()));
            return false;
        }
        *values[k] = v;
    }
    if ((o.ew > 0.0) != (o.density > 0.0)) {
        Message(xt::kRpEwDensity[m_lang]);
        return false;
    }
    if (o.ew > 0.0 && o.area <= 0.0) {
        Message(xt::kRpRateArea[m_lang]);
        return false;
    }
    m_model.SetRpOptions(o);
    return true;
}

void CGraphXY::EditRpOptions()
{
    QDialog dlg(this);
    dlg.setWindowTitle(Q(xt::kRpTitle[m_lang]));
    auto* form = new QFormLayout(&dlg);
    const potentiostat::RpOptions& o = m_model.RpOptionsInUse();
    const double shown[] = {o.band, o.area, o.ew, o.density, o.rs};
    std::array<QLineEdit*, 5> edits{};
    for (std::size_t k = 0; k < edits.size(); ++k) {
        edits[k] = new QLineEdit(shown[k] > 0.0 ? QString::number(shown[k], 'g', 10) : QString(), &dlg);
        form->addRow(Q(xt::kRpFields[k][m_lang]), edits[k]);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    // The toolkit's own captions follow the system's language, not the window's.
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Q(xt::kRpCancel[m_lang]));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] {
        std::array<QString, 5> fields;
        for (std::size_t k = 0; k < edits.size(); ++k)
            fields[k] = edits[k]->text();
        if (SetRpOptions(fields))
            dlg.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    if (dlg.exec() == QDialog::Accepted)
        Report(m_model.TafelInfo());
}

void CGraphXY::Report(const std::string& text)
{
    CInfoCopy dlg(
        text, m_lang, [this](const std::string& t) { Message(t); }, this);
    dlg.exec();
}

void CGraphXY::TakeSettings()
{
    if (!m_built)
        return;
    potentiostat::XySettings s = m_model.Settings();
    s.orientation = m_orientation[1]->isChecked() ? potentiostat::XyOrientation::CurrentX
                                                  : potentiostat::XyOrientation::PotentialX;
    s.unit = m_unit[0]->isChecked()   ? potentiostat::XyCurrentUnit::NanoAmp
             : m_unit[2]->isChecked() ? potentiostat::XyCurrentUnit::MilliAmp
                                      : potentiostat::XyCurrentUnit::MicroAmp;
    s.log = m_scale[1]->isChecked();
    s.usoll = m_potential[1]->isChecked();
    for (std::size_t i = 0; i < 4; ++i) {
        s.graphs[i] = m_graphBox[i]->isChecked();
        s.references[i] = m_refBox[i]->isChecked();
    }
    if (s == m_model.Settings())
        return;
    m_model.SetSettings(s);
    Show();
}

void CGraphXY::Show()
{
    while (m_graph->GetGraphCount() > 0) {
        int pos;
        m_graph->GetFirstGraph(pos);
        m_graph->RemoveGraph(pos, false);
    }
    for (const XyCurve& c : m_model.Curves()) {
        const int g = m_graph->AddGraph(c.kind == XyCurve::Kind::Graph
                                            ? kGraphColour
                                            : kReferenceColours[static_cast<std::size_t>(c.slot)],
                                        c.name);
        for (const potentiostat::XyPoint& p : c.points)
            m_graph->AddPoint(g, 0, p.x, p.y, p.z, false);
    }
    // Overloaded samples marked over their curve, each unbroken stretch a curve of its own so
    // that no line joins two of them across sound points.
    for (const XyCurve& c : m_model.Curves()) {
        int g = -1;
        for (const potentiostat::XyPoint& p : c.points) {
            if (!p.overload) {
                g = -1;
                continue;
            }
            if (g < 0)
                g = m_graph->AddGraph(kOverloadColour, xt::kOverloadCurve[m_lang], graph::kGraphMarkers);
            m_graph->AddPoint(g, 0, p.x, p.y, p.z, false);
        }
    }
    const potentiostat::XyAxes axes = m_model.Axes();
    const auto decimals = [this](int axis) {
        return m_graph->GetAxis(axis).m_name.empty() ? kDecimals : m_graph->GetAxis(axis).m_decimals;
    };
    m_graph->SetAxisTitle(axes.xName, axes.xUnit, decimals(graph::kAxisX), graph::kAxisX, false);
    m_graph->SetAxisTitle(axes.yName, axes.yUnit, decimals(graph::kAxisY), graph::kAxisY, false);
    // The rulers label decades only where Y holds them.
    const potentiostat::XySettings& s = m_model.Settings();
    const bool logY = s.log && s.orientation == potentiostat::XyOrientation::PotentialX;
    m_graph->SetFrameFlags(graph::kFrameNumericX | (logY ? graph::kFrameLogY : 0u));
    m_graph->Fit(false);
    ShowTafelLines();
    m_graph->Redraw();
    ShowControls();
}

void CGraphXY::ShowTafelLines()
{
    // The lines are fitted in decades of current: on a lin axis they would mean nothing.
    if (!m_model.TafelEnabled())
        return;
    int n = 0;
    for (const potentiostat::TafelLine& l : m_model.TafelLinesShown()) {
        ++n;
        if (!l.visible)
            continue;
        const int g = m_graph->AddGraph(kTafelColour, "Tafel " + std::to_string(n));
        m_graph->AddPoint(g, 0, l.x1, l.y1, false);
        m_graph->AddPoint(g, 0, l.x2, l.y2, false);
    }
}

void CGraphXY::ShowZoomButtons()
{
    {
        const QSignalBlocker quiet(m_zoom);
        m_zoom->setChecked(m_graph->ZoomMode());
    }
    double x0, x1, y0, y1;
    const bool data = m_graph->GetDataRange(x0, x1, y0, y1);
    const graph::GraphRange& r = m_graph->Range();
    const bool hidden =
        data && (std::min(x0, x1) < std::min(r.xFrom, r.xTo) || std::max(x0, x1) > std::max(r.xFrom, r.xTo) ||
                 std::min(y0, y1) < std::min(r.yFrom, r.yTo) || std::max(y0, y1) > std::max(r.yFrom, r.yTo));
    m_zoomIn->setEnabled(data);
    m_zoomOut->setEnabled(hidden);
    m_fitAll->setEnabled(hidden);
}

void CGraphXY::ShowControls()
{
    for (std::size_t i = 0; i < 4; ++i) {
        m_charge[i]->setText(QString::fromStdString(m_model.ChargeField(static_cast<int>(i))));
        const QSignalBlocker quiet(m_refBox[i]);
        m_refBox[i]->setChecked(m_model.Settings().references[i]);
    }
    m_export->setEnabled(m_model.ExportEnabled());
    m_tafel->setEnabled(m_model.TafelEnabled());
    m_tafel->setChecked(m_model.TafelMode());
    if (m_graph->RangeSelectMode() != m_model.TafelMode())
        m_graph->SetRangeSelectMode(m_model.TafelMode());
    ShowZoomButtons();
}

void CGraphXY::ToggleTafel()
{
    const std::string refused = m_model.ToggleTafelMode();
    if (!refused.empty())
        Message(refused);
    m_graph->ClearSelection();
    ShowControls();
}

void CGraphXY::OnTimer()
{
    if (m_inTick)
        return;
    m_inTick = true;
    // A zoom, text or edit mode chosen from the plot's menu ends TAFEL's selection mode for
    // one action; it comes back once that is done.
    if (m_model.TafelMode() && !m_graph->RangeSelectMode() && !m_graph->ZoomMode() && !m_graph->TextMode() &&
        !m_graph->EditMode())
        m_graph->SetRangeSelectMode(true);
    const CGraphWnd::XSelection selection = m_graph->Selection();
    if (selection.done) {
        m_graph->ClearSelection();
        if (m_model.TafelMode()) {
            CGraphAuswahlDlg choice(CGraphAuswahlDlg::Kind::Graph, m_lang, this);
            choice.exec();
            const graph::GraphRange& r = m_graph->Range();
            const bool currentX = m_model.Settings().orientation == potentiostat::XyOrientation::CurrentX;
            const std::string refused =
                m_model.FinishSelection(selection.from, selection.to, choice.Choice(),
                                        currentX ? r.yFrom : r.xFrom, currentX ? r.yTo : r.xTo);
            if (refused.empty()) {
                // The new line is drawn over the section shown, which stays.
                const graph::GraphRange shown = r;
                Show();
                m_graph->SetRange(shown.xFrom, shown.xTo, shown.yFrom, shown.yTo, true);
            } else {
                Message(refused);
            }
        }
    }
    ShowZoomButtons();
    m_inTick = false;
}

void CGraphXY::SaveRef()
{
    if (std::string refused = m_model.SaveReferenceCheck(); !refused.empty())
        return Message(refused);
    const std::optional<std::string> path =
        m_ui.ChooseFile(data::FileDialog::SaveAs, xt::kRefExtension, xt::kRefFilter);
    if (!path)
        return;
    if (std::string failed = m_model.SaveReference(*path, m_clock.Now()); !failed.empty())
        Message(failed);
}

void CGraphXY::LoadRef()
{
    CGraphAuswahlDlg choice(CGraphAuswahlDlg::Kind::Reference, m_lang, this);
    choice.exec();
    if (choice.Choice() == CGraphAuswahlDlg::kNoChoice)
        return;
    const std::optional<std::string> path =
        m_ui.ChooseFile(data::FileDialog::Open, xt::kRefExtension, xt::kRefFilter);
    if (!path)
        return;
    if (std::string failed = m_model.LoadReference(choice.Choice(), *path); !failed.empty())
        return Message(failed);
    Show();
}

void CGraphXY::Export()
{
    const std::optional<std::string> path =
        m_ui.ChooseFile(data::FileDialog::SaveAs, xt::kExportExtension, xt::kExportFilter);
    if (!path)
        return;
    const std::optional<bool> comma = AskDecimalComma(m_lang, this);
    if (!comma)
        return;
    if (std::string failed = m_model.Export(*path, m_graph->GetAxis(graph::kAxisX).m_decimals, *comma);
        !failed.empty())
        Message(failed);
}

void CGraphXY::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dlg(&printer, this);
    if (dlg.exec() == QDialog::Accepted)
        PrintOn(printer);
}

void CGraphXY::PrintOn(QPrinter& printer)
{
    printer.setDocName(Q(xt::kPrintTitle));
    QPainter p;
    if (!p.begin(&printer))
        return;
    const QRect page(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    const int headerH = page.height() / 20;
    p.drawText(QRect(page.left(), page.top(), page.width(), headerH), Qt::AlignCenter,
               QString::fromStdString(potentiostat::XyPrintHeader(m_clock.Now())));
    m_graph->Render(p, QRect(page.left(), page.top() + headerH, page.width(), page.height() - headerH));
    p.end();
}

}  // namespace qor::ui
