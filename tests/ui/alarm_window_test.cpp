// The alarms in the window: pane, status bar, title, digit colours and the dialog.
#include "alarm/alarm_definition.h"
#include "sim/sim_bus.h"
#include "station/station.h"
#include "ui/station/alarm_dlg.h"
#include "ui/station/alarm_pane.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/station_alarms.h"
#include "ui_test_app.h"

#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <fstream>

namespace qor::ui {
namespace {

using station::Cmd;

class AlarmWindowTest : public ::testing::Test, protected test::SimFrame {
protected:
    // A new start with alarms.ini in the configuration folder, measuring the three modules.
    void StartWith(const std::string& ini, int lang)
    {
        std::ofstream(Path("QORremote/alarms.ini").toStdString()) << ini;
        Start(lang);
        m_frame->SimulatedBus()->Module(0)->SetRawValues({7000, 0, 250});
        ASSERT_TRUE(SearchAndRelease({0, 1, 2}));
        ASSERT_TRUE(m_frame->Run(Cmd::StartMeasuring));
        m_time.Advance(2000);
    }
    StationAlarms& Alarms() { return m_frame->Alarms(); }
    QColor DigitColour() { return m_frame->MeterView(0)->DigitBox(0)->palette().color(QPalette::Window); }
    // For a look at the pane and the dialog: pictures go to $QOR_ALARM_PICTURES when it is set.
    void Picture(QWidget* w, const QString& name, QSize size)
    {
        const QByteArray dir = qgetenv("QOR_ALARM_PICTURES");
        if (dir.isEmpty())
            return;
        w->resize(size);
        test::Settle();
        w->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + name);
    }
};

TEST_F(AlarmWindowTest, PaneStatusTitleDigitsShelvingAndRideThrough)
{
    StartWith("[ALARM1]\nSOURCE=S0.1\nHIGH=7.20\nLOW=6.00\n", 1);
    const QColor plain = DigitColour();
    m_frame->SimulatedBus()->Module(0)->SetRawValues({7410, 0, 250});
    m_time.Advance(1000);
    QTableWidget* table = Alarms().Pane()->Table();
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 1)->text(), "S0 pH value [pH]");
    EXPECT_EQ(table->item(0, 2)->text(), "high");
    EXPECT_EQ(table->item(0, 3)->text(), "7.20");
    EXPECT_EQ(table->item(0, 4)->text(), "7.41");
    EXPECT_EQ(table->item(0, 5)->text(), "active, unacknowledged");
    EXPECT_EQ(Alarms().StatusPane()->text(), "1 alarm open");
    Picture(Alarms().Pane(), "alarm_pane_en.png", {760, 150});
    const QColor red = DigitColour();
    EXPECT_GT(red.red(), red.green() + 100);
    EXPECT_TRUE(Alarms().Dock()->isVisible());
    m_frame->showMinimized();
    test::Settle();
    EXPECT_TRUE(m_frame->windowTitle().startsWith("[1 alarm(s)] ")) << m_frame->windowTitle().toStdString();
    Picture(m_frame.get(), "alarm_window_en.png", {1100, 760});
    m_frame->showNormal();
    test::Settle();
    EXPECT_FALSE(m_frame->windowTitle().startsWith("["));

    table->selectRow(0);
    Alarms().Pane()->AcknowledgeButton()->click();
    EXPECT_EQ(Alarms().StatusPane()->text(), "no alarms open");
    EXPECT_EQ(table->item(0, 5)->text(), "active, acknowledged");
    const QColor amber = DigitColour();
    EXPECT_NE(amber, red);
    EXPECT_GT(amber.green(), 100);
    m_frame->SimulatedBus()->Module(0)->SetRawValues({7000, 0, 250});
    m_time.Advance(1000);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(DigitColour(), plain);
    EXPECT_NE(m_frame->LogbookObject().m_text.find("\tAlarm S0 pH value high acknowledged\n"),
              std::string::npos);
    // Raised again and shelved for ten minutes, it comes back by itself.
    m_frame->SimulatedBus()->Module(0)->SetRawValues({7410, 0, 250});
    m_time.Advance(1000);
    table->selectRow(0);
    Alarms().Pane()->ShelveButton()->menu()->actions().at(0)->trigger();
    EXPECT_TRUE(table->item(0, 5)->text().startsWith("shelved until "))
        << table->item(0, 5)->text().toStdString();
    EXPECT_EQ(Alarms().StatusPane()->text(), "no alarms open");
    m_time.Advance(600 * 1000);
    EXPECT_EQ(table->item(0, 5)->text(), "active, unacknowledged");
    EXPECT_EQ(Alarms().StatusPane()->text(), "1 alarm open");
    EXPECT_NE(m_frame->LogbookObject().m_text.find("\tAlarm S0 pH value high unshelved\n"),
              std::string::npos);
    // The recording dialog sets the ride-through and keeps the definitions.
    EXPECT_FALSE(m_frame->GetStation().RideThrough());
    ASSERT_TRUE(StartRecording({{0, 0}}, [this](CGrafikSetupGlg* dlg) {
        auto* box = dlg->findChild<QCheckBox*>("rideThrough");
        ASSERT_NE(box, nullptr);
        Picture(dlg, "recording_dialog_en.png", dlg->sizeHint());
        EXPECT_EQ(box->text(), "Recording rides through link outages");
        box->setChecked(true);
    }));
    EXPECT_TRUE(m_frame->GetStation().RideThrough());
    alarm::AlarmSettings stored;
    std::string error;
    ASSERT_TRUE(alarm::LoadAlarmsFile(Alarms().SettingsPath(), 1, stored, error)) << error;
    EXPECT_TRUE(stored.rideThrough);
    ASSERT_EQ(stored.alarms.size(), 1u) << "the definitions stay";
}

TEST_F(AlarmWindowTest, DialogTakesTheLanguagesDecimalMarkAndRefusesTheRest)
{
    for (int lang : {0, 1}) {
        Start(lang);
        const std::string wrong = lang == 0 ? "7.20" : "7,20";
        const std::string right = lang == 0 ? "7,20" : "7.20";
        std::vector<QString> errors;
        Alarms().execDialog = [&](CAlarmDlg& d) {
            Picture(&d, QString("alarm_dialog_%1_small.png").arg(lang ? "en" : "de"), {720, 360});
            d.AddButton()->click();
            d.Table()->item(0, 1)->setText(QString::fromStdString(wrong));
            d.OkButton()->click();
            errors.push_back(d.ErrorLabel()->text());
            d.Table()->item(0, 1)->setText(QString::fromStdString(right));
            d.Table()->item(0, 2)->setText(lang == 0 ? "7,5" : "7.5");
            d.OkButton()->click();
            errors.push_back(d.ErrorLabel()->text());
            d.Table()->item(0, 2)->setText(lang == 0 ? "6,5" : "6.5");
            Picture(&d, QString("alarm_dialog_%1_large.png").arg(lang ? "en" : "de"), {1200, 600});
            d.OkButton()->click();
            return d.result();
        };
        Alarms().RunDialog();
        ASSERT_EQ(errors.size(), 2u);
        EXPECT_EQ(errors[0].toStdString(),
                  lang == 0 ? "Alarm 1, Oberer Grenzwert: \"7.20\" ist keine Zahl (Dezimalzeichen Komma)"
                            : "Alarm 1, High limit: \"7,20\" is not a number (decimal mark point)");
        EXPECT_NE(errors[1].indexOf(lang == 0 ? "liegt nicht unter" : "is not below"), -1)
            << errors[1].toStdString();
        alarm::AlarmSettings stored;
        std::string error;
        ASSERT_TRUE(alarm::LoadAlarmsFile(Alarms().SettingsPath(), 1, stored, error)) << error;
        ASSERT_EQ(stored.alarms.size(), 1u);
        EXPECT_EQ(stored.alarms[0].high, 7.2);
        EXPECT_EQ(stored.alarms[0].low, 6.5);
        EXPECT_EQ(Alarms().Monitor().Settings(), stored);
        std::filesystem::remove(Alarms().SettingsPath());
    }
}

}  // namespace
}  // namespace qor::ui
