// The potentiostat's windows: the editor's controls and messages, the step table's commands.
#include "station/pot_program.h"
#include "station/station_rig.h"
#include "ui/potentiostat/pot_edit.h"
#include "ui/potentiostat/pot_manuell.h"
#include "ui/potentiostat/pot_step_setup.h"
#include "ui_test_app.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>

using namespace qor;
using namespace qor::potentiostat;

namespace {

TEST(PotEditWindow, ControlsByTypeAndMessages)
{
    struct Case {
        int type;
        bool momentary;
        // value1, value2, interval radio, slew radio, momentary, rest, interval, slew
        std::array<bool, 8> enabled;
        const char* slewUnit;
        const char* slewLabel;
        int limitUnits;
    };
    const Case cases[] = {
        {T_GAL, false, {1, 1, 1, 1, 1, 0, 0, 1}, "µA", "Slew Rate", 1},
        {T_POT, false, {1, 1, 1, 1, 1, 1, 0, 1}, "mV", "Slew Rate", 3},
        {T_POT, true, {0, 1, 0, 1, 1, 1, 0, 1}, "mV", "Slew Rate", 3},
        {T_REST, false, {0, 0, 1, 0, 0, 0, 1, 0}, " ", "Slew Rate", 1},
        {T_GAL_CONST, false, {1, 0, 1, 0, 1, 0, 1, 0}, "µA", "Slew Rate", 1},
        {T_POT_CONST, false, {1, 0, 1, 0, 1, 1, 1, 0}, "mV", "Slew Rate", 3},
        {T_EIS, false, {1, 1, 0, 0, 0, 1, 1, 1}, "mV", "voltage", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(kTypeText[static_cast<std::size_t>(c.type)]);
        StepText step = DefaultStepText();
        PotEditModel model(step, 1);
        std::vector<std::string> messages;
        ui::CPotEdit dlg(model, step, 1, [&](const std::string& m) { messages.push_back(m); });
        dlg.TypeBox()->setCurrentIndex(c.type);
        if (c.momentary)
            dlg.MomentaryBox()->setChecked(true);
        const std::array<bool, 8> got{dlg.Value1()->isEnabled(),        dlg.Value2()->isEnabled(),
                                      dlg.IntervalRadio()->isEnabled(), dlg.SlewRadio()->isEnabled(),
                                      dlg.MomentaryBox()->isEnabled(),  dlg.RestBox()->isEnabled(),
                                      dlg.IntervalEdit()->isEnabled(),  dlg.SlewEdit()->isEnabled()};
        EXPECT_EQ(got, c.enabled);
        EXPECT_EQ(dlg.SlewUnit()->text().toStdString(), c.slewUnit);
        EXPECT_EQ(dlg.SlewLabel()->text().toStdString(), c.slewLabel);
        EXPECT_EQ(dlg.LimitUnit()->count(), c.limitUnits);
        EXPECT_EQ(dlg.IntervalRadio()->isHidden(), c.type == T_EIS);
        // A zero in the field the mode uses keeps the editor open with its message.
        (c.enabled[7] && c.type != T_EIS ? dlg.SlewEdit() : dlg.IntervalEdit())->setText("0");
        dlg.accept();
        if (c.type == T_EIS) {
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
            EXPECT_EQ(step[F_INTERVAL], "1");
        } else {
            EXPECT_NE(dlg.result(), QDialog::Accepted);
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].substr(0, 13), "Input of zero");
            EXPECT_EQ(step, DefaultStepText());
        }
    }
}

std::vector<std::string> TableColumn(QTableWidget* t, int column)
{
    std::vector<std::string> v;
    for (int r = 0; r < t->rowCount(); ++r)
        v.push_back(t->item(r, column)->text().toStdString());
    return v;
}

TEST(PotStepSetupWindow, TableCommands)
{
    PotStepSetupModel model(1);
    std::vector<std::string> messages;
    ui::CPotStepSetup dlg(model, nullptr, [&](const std::string& m) { messages.push_back(m); });
    QTableWidget* table = dlg.Table();

    for (int b : {ui::CPotStepSetup::Insert, ui::CPotStepSetup::Delete, ui::CPotStepSetup::Change})
        dlg.Button(b)->click();
    EXPECT_EQ(messages, std::vector<std::string>(3, "No step selected!"));

    for (int i = 0; i < 3; ++i)
        dlg.Button(ui::CPotStepSetup::Append)->click();
    EXPECT_EQ(TableColumn(table, 0), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(table->item(0, 2)->textAlignment() & Qt::AlignRight);

    // Change through a scripted editor: step 1 goes on to step 3.
    dlg.runEditor = [](StepText& s) {
        s[F_NEXT] = "3", s[F_VALUE1] = "-100000.25";
        return true;
    };
    table->selectRow(0);
    dlg.Button(ui::CPotStepSetup::Change)->click();
    EXPECT_EQ(table->item(0, 12)->text().toStdString(), "3");
    // A value too long for its narrow column is readable on hover; one that fits needs no tip.
    EXPECT_EQ(table->item(0, 2)->toolTip(), table->item(0, 2)->text());
    EXPECT_TRUE(table->item(0, 4)->toolTip().isEmpty());
    table->selectRow(1);
    dlg.Button(ui::CPotStepSetup::Insert)->click();
    EXPECT_EQ(TableColumn(table, 12), (std::vector<std::string>{"4", "3", "End", "End"}));
    table->selectRow(0);
    dlg.Button(ui::CPotStepSetup::Delete)->click();
    EXPECT_EQ(TableColumn(table, 0), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(table->selectedItems().isEmpty());

    messages.clear();
    dlg.OnCopy();
    EXPECT_EQ(messages, std::vector<std::string>{"Steps copy to clipboard."});
    EXPECT_EQ(QApplication::clipboard()->text().count("\r\n"), 3);
}

// Guards a window frozen during a transfer, a poll exchanging or a second transfer starting between two
// slots, and a Cancel or close that leaves the link taken.
TEST(PotStepSetupWindow, TransferStaysLiveAndStopsOnCancelOrClose)
{
    using W = ui::CPotStepSetup;
    for (const bool close : {false, true}) {
        station::testing::Rig r;
        r.AddPot(5);
        r.SearchAll();
        r.station->StartMeasuring();
        PotStepSetupModel model(0);
        station::PotProgram program(r.station->Link(), r.ui, 0, 5);
        W dlg(model, &program, [](const std::string&) {});
        dlg.show();
        const auto before = r.bus.Exchanges();
        std::function<void()> user = [&] {  // the window's events, handled between two slots
            if (r.bus.Exchanges() - before < 50)
                return void(QMetaObject::invokeMethod(&dlg, user, Qt::QueuedConnection));
            EXPECT_TRUE(!dlg.Table()->isEnabled() && dlg.Button(W::Program)->text() == "Abbrechen");
            dlg.Button(W::Read)->click();
            r.Run(3000);  // the poll timer falls due
            close ? void(dlg.close()) : dlg.Button(W::Program)->click();
        };
        QMetaObject::invokeMethod(&dlg, user, Qt::QueuedConnection);
        dlg.Button(W::Program)->click();
        EXPECT_EQ(r.bus.Exchanges() - before, 50u);
        EXPECT_FALSE(r.station->Link().Busy() || r.ui.progressOpen || !r.ui.messages.empty());
        EXPECT_TRUE(dlg.isVisible() != close && dlg.Table()->isEnabled());
    }
}

// Regression: transfers ended without a word of success, and manual operation showed no
// measured values nor what Calculate sent.
TEST(PotWindows, SayWhatWasTransferredMeasuredAndSent)
{
    station::testing::Rig r;
    sim::SimPotentiostat& pot = r.AddPot(5);
    r.SearchAll();
    station::PotProgram program(r.station->Link(), r.ui, 1, 5);
    PotStepSetupModel model(1);
    model.Append(), model.Append();
    ui::CPotStepSetup dlg(model, &program, [](const std::string&) {});
    dlg.Button(ui::CPotStepSetup::Program)->click();
    EXPECT_EQ(dlg.TransferStatus()->text().toStdString(), "Programmed: 2 steps");
    dlg.Button(ui::CPotStepSetup::Read)->click();
    EXPECT_EQ(dlg.TransferStatus()->text().toStdString(), "Read: 2 steps");

    pot.SetRawValues({1234, -5678, 0});  // a cell at rest: range 0, 0.01 nA and 0.1 mV per step
    PotManuellModel manual;
    ASSERT_TRUE(program.ManualRead(manual));
    ui::CPotManuell window(manual, &program, 1);
    window.UpdateMeasured();
    EXPECT_EQ(window.Measured()->text().toStdString(), "Measured: -567.8 mV, 0.01234 µA");
    pot.SetRawValues({-1, 10, 0});
    window.UpdateMeasured();
    EXPECT_EQ(window.Measured()->text().toStdString(), "Measured: 1.0 mV, -0.00001 µA");
    window.ModeRadio(0)->setChecked(true);
    window.SetValue()->setText("1e30");
    window.Calculate()->click();
    const std::string sent = window.Sent()->text().toStdString();
    EXPECT_EQ(sent.substr(0, 24), "Sent: Galvanostat, cell ");
    EXPECT_EQ(sent.substr(sent.size() - 12), ", 500000 µA");
}

}  // namespace
