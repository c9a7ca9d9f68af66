#include "data/qor_doc.h"
#include "graph/graph_model.h"
#include "ui/graph/graph_select.h"
#include "ui/shell/main_frame.h"
#include "ui_test_app.h"

#include <QAbstractButton>
#include <QAction>
#include <gtest/gtest.h>

namespace qor::ui {
namespace {

// Words only a German text (or a known misspelling) would hold.
const char* const kLeftovers[] = {
    "ä",     "ö",      "ü",       "Ä",         "Ö",        "Ü",       "ß",      "Logbuch", "Aufzeichnung",
    "Datei", "Grafik", "Auswahl", "Auswählen", "anzeigen", "starten", "Keinen", "loggimg"};

// Every text a user can read on the widget's commands and buttons, with where it stands.
std::vector<std::pair<QString, QString>> Texts(const QWidget& w)
{
    std::vector<std::pair<QString, QString>> texts{{w.windowTitle(), "title"}};
    for (const QAction* a : w.findChildren<QAction*>())
        for (const QString& t : {a->text(), a->statusTip(), a->toolTip()})
            texts.emplace_back(t, a->text());
    for (const QAbstractButton* b : w.findChildren<QAbstractButton*>())
        texts.emplace_back(b->text(), "button");
    return texts;
}

void ExpectEnglish(const QWidget& w)
{
    for (const auto& [text, where] : Texts(w))
        for (const char* word : kLeftovers)
            EXPECT_FALSE(text.contains(QString::fromUtf8(word)))
                << where.toStdString() << ": " << text.toStdString();
}

// Panes and commands are translated too, and the menu shows the language chosen.
TEST(EnglishTexts, MainWindowStartedOrSwitchedToEnglish)
{
    test::SimFrame sim;
    for (const int startLanguage : {1, 0}) {
        SCOPED_TRACE(startLanguage);
        sim.Start(startLanguage);
        sim.m_frame->SetLanguage(1);
        ExpectEnglish(*sim.m_frame);
        EXPECT_EQ(sim.m_frame->PaneText(2), "No data transfer");
        EXPECT_TRUE(sim.m_frame->LanguageAction(1)->isChecked());
    }
}

TEST(EnglishTexts, CurveSelection)
{
    test::App();
    graph::GraphModel model;
    CGraphSelect dlg(model, 1);
    ExpectEnglish(dlg);
}

}  // namespace
}  // namespace qor::ui
