#include "station/config.h"
#include "station/console_ui.h"
#include "station/rs232_model.h"
#include "ui/document/logbuch_view.h"
#include "ui/potentiostat/info_copy.h"
#include "ui/shell/shell_services.h"
#include "ui/station/plant_link.h"
#include "ui/station/plant_link_dlg.h"
#include "ui/station/rs232_dlg.h"
#include "ui/station/slave_auswahl.h"
#include "ui_test_app.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

namespace qor::ui {
namespace {

// The dialog shows the configuration and hands every field to the model.
TEST(Rs232Dialog, FieldsGoThroughTheModel)
{
    station::StationConfig c = station::FirstStartDefaults();
    c.link.ethernet = 1;
    c.link.tcpPort = 4711;
    Crs232 dlg(c, 0, nullptr);
    EXPECT_FALSE(dlg.PortEdit()->isEnabled());

    dlg.SerialChoice()->click();
    EXPECT_TRUE(dlg.PortEdit()->isEnabled());
    EXPECT_FALSE(dlg.TcpPortEdit()->isEnabled());
    dlg.PortEdit()->setValue(3);
    dlg.DeviceEdit()->setEditText(QStringLiteral("/dev/ttyUSB7"));
    dlg.IntervalEdit()->setTime(QTime(1, 2, 3));
    dlg.accept();
    const station::StationConfig r = dlg.Result();
    EXPECT_EQ(r.link.ethernet, 0);
    EXPECT_EQ(r.link.port, 3);
    EXPECT_EQ(r.link.device, "/dev/ttyUSB7");
    EXPECT_EQ(r.link.tcpPort, 4711);  // kept for the next switch back
    const station::TimeOfDay t = station::SplitDayFraction(r.interval);
    EXPECT_EQ(t.hours * 3600 + t.minutes * 60 + t.seconds, 3723);
}

// Enter closes a report instead of copying it; the "copied" notice opens over the report,
// never behind it where it would hold the program unseen.
TEST(InfoDialog, EnterClosesItAndTheNoticeOpensOverIt)
{
    test::SimFrame sim;
    ShellServices services(*sim.m_frame, sim.m_time.clock, &sim.m_time);
    int copies = 0;
    CInfoCopy dlg(
        "Rs = 10.0 Ohm", 1,
        [&](const std::string& s) {
            if (++copies == 1)  // a second one would wait for an answer nobody gives
                services.ShowMessage(s);
        },
        sim.m_frame.get());
    const QWidget* noticeOver = nullptr;
    bool closedByEnter = false;
    test::OnNextModal([&](QWidget* w) {
        test::OnNextModal(
            [&noticeOver](QWidget* notice) {
                noticeOver = notice->parentWidget();
                QMetaObject::invokeMethod(notice, "accept");
            },
            w);
        dlg.CopyButton()->click();
        QApplication::setActiveWindow(w);
        test::Settle();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : w, Qt::Key_Return);
        closedByEnter = !w->isVisible();
        if (!closedByEnter)
            QMetaObject::invokeMethod(w, "reject");
    });
    dlg.exec();
    EXPECT_TRUE(closedByEnter);
    EXPECT_EQ(copies, 1) << "Enter copied the text again";
    EXPECT_EQ(noticeOver, &dlg);
}

std::vector<std::string> Texts(QListWidget* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

TEST(ReleaseDialogs, ButtonsAndChoiceGoThroughTheModels)
{
    station::FreigabeDlgModel model(0);
    model.AddNotReleased("Slave  0: pH - Verstärker", 0);
    model.AddNotReleased("Slave  1: 20mS - Verstärker", 1);
    model.AddReleased("Slave  2: Sauerstoff - Verstärker", 2);
    CFreigabeDlg dlg(model);
    dlg.LeftList()->setCurrentRow(1);
    dlg.AddButton()->click();  // as every search of the window tests does
    dlg.RightList()->setCurrentRow(0);
    dlg.RemoveButton()->click();
    EXPECT_EQ(Texts(dlg.LeftList()),
              (std::vector<std::string>{"Slave  0: pH - Verstärker", "Slave  2: Sauerstoff - Verstärker"}));

    dlg.SelectAllButton()->click();
    EXPECT_EQ(dlg.LeftList()->count(), 0);
    EXPECT_EQ(dlg.RightList()->count(), 3);
    EXPECT_FALSE(dlg.AddButton()->isEnabled());

    dlg.RemoveAllButton()->click();
    EXPECT_EQ(dlg.RightList()->count(), 0);
    EXPECT_EQ(dlg.LeftList()->count(), 3);
    EXPECT_FALSE(dlg.RemoveButton()->isEnabled());

    // The potentiostat choice starts on the first entry and hands the chosen one to its model.
    station::SlaveAuswahlModel choice(0);
    choice.AddEntry("Slave  3: Potentiostat", 3);
    choice.AddEntry("Slave  5: Potentiostat", 5);
    CSlaveAuswahl pick(choice);
    EXPECT_EQ(pick.List()->currentRow(), 0);
    pick.List()->setCurrentRow(1);
    EXPECT_EQ(choice.SelectedAddress(), std::optional<std::uint8_t>(5));
}

TEST(LogbookView, ShowsNewEntriesAndCopiesOnlyASelection)
{
    CLogbuchView view(0);
    view.resize(400, 120);

    std::string text = "01.02.2010 09:05:03\tProgrammstart\n";
    EXPECT_TRUE(view.Refresh(text, true));
    EXPECT_EQ(view.toPlainText().toStdString(), "01.02.2010 09:05:03\tProgrammstart\n");
    text += "01.02.2010 09:05:09\tFreigabe Slaves\n";
    EXPECT_FALSE(view.Refresh(text, false));  // unchanged flag: the view leaves its text
    EXPECT_TRUE(view.toPlainText().endsWith("Programmstart\n"));
    EXPECT_TRUE(view.Refresh(text, true));
    EXPECT_TRUE(view.toPlainText().contains("Freigabe Slaves"));

    EXPECT_FALSE(view.CopyAction()->isEnabled());
    QTextCursor cursor = view.textCursor();
    cursor.setPosition(20);
    cursor.setPosition(33, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    EXPECT_TRUE(view.CopyAction()->isEnabled());
    view.CopyAction()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "Programmstart");
}

// A bad broker address or an unreadable password file is named below the fields and the
// dialog stays open; fixed, OK hands back what was typed, and the link applies it.
TEST(PlantLinkDialog, FaultsNamedUntilFixedThenApplied)
{
    PlantLinkDlg dlg(plant::PlantSettings{}, 1, nullptr);
    dlg.show();
    dlg.BrokerEdit()->setText(QStringLiteral("tcp://broker:1883"));
    dlg.accept();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.ErrorLabel()->text().startsWith("Invalid broker address"));
    dlg.BrokerEdit()->setText(QStringLiteral(" mqtt://broker:1884 "));
    dlg.UserEdit()->setText(QStringLiteral("lab"));
    dlg.PasswordFileEdit()->setText(QStringLiteral("/nonexistent/pw"));
    dlg.accept();
    EXPECT_EQ(dlg.ErrorLabel()->text().toStdString(), "The password file /nonexistent/pw cannot be read");
    dlg.PasswordFileEdit()->clear();
    dlg.StationEdit()->setText(QStringLiteral("lab-3"));
    dlg.DatabaseEdit()->setText(QStringLiteral("http://db:8428/write"));
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const plant::PlantSettings r = dlg.Result();
    EXPECT_EQ(r.mqttUrl, "mqtt://broker:1884");
    EXPECT_EQ(r.station, "lab-3");
    EXPECT_EQ(r.mqttUser, "lab");
    EXPECT_EQ(r.tsdbUrl, "http://db:8428/write");

    // The settings go into config.ini's plant section and start the publisher; cleared, the
    // section goes and nothing is published.
    station::ConsoleStation cs(SystemClock::Instance(), station::FirstStartDefaults());
    PlantLink link(cs.station);
    plant::PlantSettings s;
    s.mqttUrl = "mqtt://127.0.0.1:1";
    s.station = "desk";
    EXPECT_EQ(link.Apply(s), "");
    EXPECT_TRUE(link.Publishing());
    EXPECT_EQ(plant::ReadPlantSection(station::SaveConfig(cs.station.ConfigToSave())).station, "desk");
    EXPECT_EQ(link.Database(), nullptr);
    // The database field starts a writer for the recordings, under the same station name.
    s.tsdbUrl = "http://127.0.0.1:1/write";
    EXPECT_EQ(link.Apply(s), "");
    ASSERT_NE(link.Database(), nullptr);
    EXPECT_EQ(link.Database()->Options().station, "desk");
    s.tsdbUrl = "https://127.0.0.1:1/write";
    EXPECT_NE(link.Apply(s), "");
    EXPECT_EQ(link.Database(), nullptr);
    EXPECT_TRUE(link.Publishing());
    EXPECT_EQ(link.Apply(plant::PlantSettings{}), "");
    EXPECT_FALSE(link.Publishing());
    EXPECT_EQ(cs.station.Config().plant, "");
}

}  // namespace
}  // namespace qor::ui
