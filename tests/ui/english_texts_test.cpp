#include "export/export_dlg_model.h"
#include "graph/graph_model.h"
#include "potentiostat/pot_edit_model.h"
#include "potentiostat/pot_manuell_model.h"
#include "potentiostat/pot_step_setup_model.h"
#include "station/config.h"
#include "station/station.h"
#include "ui/common/fehler_dlg.h"
#include "ui/common/wait_wnd.h"
#include "ui/document/export_dlg.h"
#include "ui/document/logbuch_view.h"
#include "ui/document/virtuell_kanal.h"
#include "ui/graph/graph_property_page.h"
#include "ui/graph/graph_select.h"
#include "ui/graph/graph_text_input.h"
#include "ui/graph/graph_wnd.h"
#include "ui/graph/point_view_bar.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/graph_auswahl_dlg.h"
#include "ui/potentiostat/graph_xy.h"
#include "ui/potentiostat/info_copy.h"
#include "ui/potentiostat/pot_edit.h"
#include "ui/potentiostat/pot_manuell.h"
#include "ui/potentiostat/pot_step_setup.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/text_eingabe.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/rs232_dlg.h"
#include "ui_test_app.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>

namespace qor::ui {
namespace {

// German words (and the cut or misspelt ones) that no English text holds, as whole words.
const QRegularExpression kGerman(
    QStringLiteral("\\b(Alle|Dateien?|Tabellen|virtuelle?|Positiv|Negativ|"
                   "Hardwarefilter|Spannung\\w*|Strom\\w*|Restpotential|"
                   "Mess\\w*|Syntaxfehler|Formel|Fehler|Schritt\\w*|Vorlage|"
                   "Einheit|Intervall|Zelle|Aus|Ein|und|oder|nicht|keine?|"
                   "Bitte|ohne|Wert\\w*|Sollwert\\w*|Abbrechen|Graf|Referenz|"
                   "Grafik|Logbuch|Drucken|Auswertung|Beenden|filte|loggimg|Auswahl|anzeigen|starten|Keinen|"
                   "\\w*[äöüßÄÖÜ]\\w*)\\b"));

// Every text the window shows: titles, labels, buttons, boxes, lists, table heads, tabs, hints.
QStringList AllTexts(const QWidget& top)
{
    QStringList texts{top.windowTitle()};
    QList<QWidget*> widgets = top.findChildren<QWidget*>();
    widgets.prepend(const_cast<QWidget*>(&top));
    for (const QWidget* w : widgets) {
        texts << w->windowTitle() << w->toolTip() << w->statusTip();
        if (auto* l = qobject_cast<const QLabel*>(w))
            texts << l->text();
        if (auto* b = qobject_cast<const QAbstractButton*>(w))
            texts << b->text();
        if (auto* g = qobject_cast<const QGroupBox*>(w))
            texts << g->title();
        if (auto* e = qobject_cast<const QLineEdit*>(w))
            texts << e->placeholderText();
        if (auto* c = qobject_cast<const QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                texts << c->itemText(i);
        if (auto* t = qobject_cast<const QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                texts << t->tabText(i);
        if (auto* h = qobject_cast<const QHeaderView*>(w); h && h->model())
            for (int i = 0; i < h->count(); ++i)
                texts << h->model()->headerData(i, h->orientation()).toString();
        for (const QAction* a : w->actions())
            texts << a->text() << a->statusTip() << a->toolTip();
    }
    return texts;
}

// The English windows, each walked for German words.
TEST(EnglishTexts, EveryWindowSpeaksEnglish)
{
    test::SimFrame sim;
    sim.Start(1);
    data::CQORDoc& doc = sim.m_frame->Document();
    cli::SilentDocumentUi ui;
    test::SimTime time;
    std::vector<data::CEISDatenObject> points(3);
    std::vector<data::CPotQORDatenObject> samples(3);
    potentiostat::PotManuellModel manual;
    potentiostat::PotStepSetupModel steps(1);
    potentiostat::StepText step = potentiostat::DefaultStepText();
    potentiostat::PotEditModel edit(step, 1);
    data::CGrafikSetupVirtuell virtuell;
    const auto& modules = sim.m_frame->GetStation().Modules();
    exporter::ExportDlgModel exportModel(modules, doc.GrafikSetup(), doc.Virtuell(), 1);
    CGraphWnd graph;
    graph.SetLanguage(1);
    graph::GraphModel curves;
    std::vector<std::pair<const char*, std::function<std::unique_ptr<QWidget>()>>> windows = {
        {"main", [] { return nullptr; }},
        {"manual", [&] { return std::make_unique<CPotManuell>(manual, nullptr, 1); }},
        {"steps", [&] { return std::make_unique<CPotStepSetup>(steps, nullptr, [](const std::string&) {}); }},
        {"step", [&] { return std::make_unique<CPotEdit>(edit, step, 1, [](const std::string&) {}); }},
        {"xy", [&] { return std::make_unique<CGraphXY>(samples, 3, time.clock, time, ui, 1); }},
        {"eis", [&] { return std::make_unique<CEISGraph>(points, time.clock, ui, 1); }},
        {"run", [&] { return std::make_unique<CXYGraph>(samples, time.clock, ui, 1); }},
        {"setup", [&] { return std::make_unique<CGrafikSetupGlg>(doc, modules, true, 1); }},
        {"virtual", [&] { return std::make_unique<CVirtuellKanal>(virtuell, modules, 1); }},
        {"export", [&] { return std::make_unique<CExportDlg>(exportModel, 1); }},
        {"interface", [] { return std::make_unique<Crs232>(station::FirstStartDefaults(), 1, nullptr); }},
        {"graph properties", [&] { return std::make_unique<CGraphPropertySheet>(graph); }},
        {"graph text", [] { return std::make_unique<CGraphTextInput>(1, QString()); }},
        {"choice", [] { return std::make_unique<CGraphAuswahlDlg>(CGraphAuswahlDlg::Kind::Reference, 1); }},
        {"info", [] { return std::make_unique<CInfoCopy>("", 1, nullptr); }},
        {"error", [] { return std::make_unique<CFehlerDlg>(1); }},
        {"text", [] { return std::make_unique<CTextEingabe>(1); }},
        {"wait", [] { return std::make_unique<CWaitWnd>(1); }},
        {"progress", [] { return std::make_unique<CProgressWnd>(1); }},
        {"meters", [] { return std::make_unique<CDigitalMessView>(0, 1); }},
        {"logbook", [] { return std::make_unique<CLogbuchView>(1); }},
        {"points", [] { return std::make_unique<CPointViewBar>(1); }},
        {"curves", [&] { return std::make_unique<CGraphSelect>(curves, 1); }},
    };
    for (const auto& [name, make] : windows) {
        std::unique_ptr<QWidget> w = make();
        const QWidget& shown = w ? *w : *sim.m_frame;
        for (const QString& text : AllTexts(shown))
            EXPECT_FALSE(kGerman.match(text).hasMatch()) << name << ": " << text.toStdString();
    }
}

// The status bar shows a command's hint without the mnemonic mark, and no two entries of a
// menu (or of the menu bar) share a mnemonic, in either language. Switched to English (a
// window started in English is walked above), panes, commands and the toolkit's file dialog
// with its filters are translated too, and follow a switch back; the menu shows the language
// chosen. Guards status panes that cut their text in a narrow window ("keine Datenübertragun").
TEST(MenuTexts, PlainHintsAndDistinctMnemonics)
{
    test::SimFrame sim;
    sim.m_frame->resize(640, 480);
    for (const int lang : {0, 1, 0}) {
        sim.m_frame->SetLanguage(lang);
        test::Settle();
        EXPECT_TRUE(sim.m_frame->LanguageAction(lang)->isChecked());
        for (const QString& text : AllTexts(*sim.m_frame))
            EXPECT_TRUE(lang == 0 || !kGerman.match(text).hasMatch()) << text.toStdString();
        EXPECT_EQ(sim.m_frame->PaneText(2), lang ? "No data transfer" : "keine Datenübertragung");
        for (int pane = 1; pane <= 4; ++pane) {
            auto* label = sim.m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("pane%1").arg(pane));
            ASSERT_NE(label, nullptr);
            EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(label->text()))
                << lang << " " << label->text().toStdString();
        }
        std::vector<std::pair<QString, QList<QAction*>>> menus{
            {"menu bar", sim.m_frame->menuBar()->actions()}};
        for (const QMenu* menu : sim.m_frame->findChildren<QMenu*>())
            if (!qobject_cast<QMdiSubWindow*>(menu->parentWidget()))  // the toolkit's own
                menus.emplace_back(menu->title(), menu->actions());
        for (const auto& [title, actions] : menus) {
            std::map<QChar, QString> taken;
            for (const QAction* a : actions) {
                EXPECT_FALSE(a->statusTip().contains(QLatin1Char('&'))) << a->statusTip().toStdString();
                const QRegularExpressionMatch key =
                    QRegularExpression(QStringLiteral("&([^&])")).match(a->text());
                if (a->isSeparator() || !key.hasMatch())
                    continue;
                const auto [first, fresh] = taken.emplace(key.captured(1).at(0).toLower(), a->text());
                EXPECT_TRUE(fresh) << lang << " " << title.toStdString() << ": " << a->text().toStdString()
                                   << " and " << first->second.toStdString();
            }
        }
        QStringList buttons, filters;
        test::OnNextModal([&](QWidget* w) {
            for (const QAbstractButton* b : w->findChildren<QAbstractButton*>())
                buttons << b->text();
            filters = qobject_cast<QFileDialog*>(w)->nameFilters();
            QMetaObject::invokeMethod(w, "reject");
        });
        sim.m_frame->Run(station::Cmd::FileImport);
        EXPECT_TRUE(buttons.contains(lang ? "Cancel" : "Abbrechen"))
            << lang << ": " << buttons.join(' ').toStdString();
        EXPECT_FALSE(filters.isEmpty());
        for (const QString& f : filters)
            EXPECT_TRUE(lang == 0 || !kGerman.match(f).hasMatch()) << f.toStdString();
    }
}

}  // namespace
}  // namespace qor::ui
