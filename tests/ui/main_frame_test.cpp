#include "data/qor_doc.h"
#include "station/station.h"
#include "station/timers.h"
#include "ui/document/export_dlg.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/document/logbuch_view.h"
#include "ui/shell/main_frame.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/freigabe_dlg.h"
#include "ui/station/led.h"
#include "ui/station/rs232_dlg.h"
#include "ui_test_app.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <memory>

namespace qor::ui {
namespace {

using station::Cmd;

// A main window on the in-process simulated bus and the simulated clock, its configuration in
// a temporary folder.
class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::App();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("APPDATA", m_dir.path().toLocal8Bit());
        Open();
    }
    void TearDown() override
    {
        if (m_frame)
            m_frame->Document().m_modified = false;  // no save prompt at the end of a test
        m_frame.reset();
    }

    void Open(int language = 0, const std::string& file = {})
    {
        m_frame.reset();
        StartOptions o;
        o.transport = StartOptions::Transport::Simulate;
        o.language = language;
        o.file = file;
        m_frame = std::make_unique<CMainFrame>(o, m_time.clock, m_time);
        m_time.fire = [this](int id) { m_frame->OnTimer(id); };
        m_frame->show();
        test::Settle();  // the first activation
        ASSERT_NE(m_frame->LogbookView(), nullptr);
    }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Searches and releases the modules at the given rows of the "not released" list.
    void SearchAndRelease(std::initializer_list<int> rows)
    {
        test::OnNextModal([rows](QWidget* w) {
            auto* dlg = qobject_cast<CFreigabeDlg*>(w);
            ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
            int moved = 0;
            for (int row : rows) {
                dlg->LeftList()->setCurrentRow(row - moved++);
                dlg->AddButton()->click();
            }
            dlg->OkButton()->click();
        });
        ASSERT_TRUE(m_frame->Run(Cmd::SearchModules));
    }

    // Runs a file command whose file dialog gets `path`; `then` handles the next dialog.
    void WithFile(Cmd cmd, const QString& path, std::function<void(QWidget*)> then = {})
    {
        test::OnNextModal([path, then](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
            dlg->selectFile(path);
            if (then)
                test::OnNextModal(then);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        ASSERT_TRUE(m_frame->Run(cmd));
    }

    const std::string& Log() { return m_frame->LogbookObject().m_text; }

    QTemporaryDir m_dir;
    test::SimTime m_time;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MainFrameTest, LanguageSwitchRetranslatesPanesAndCommands)
{
    EXPECT_EQ(m_frame->PaneText(2), "keine Datenübertragung");
    m_frame->SetLanguage(1);
    EXPECT_EQ(m_frame->PaneText(2), "No data transfer");
    EXPECT_EQ(m_frame->Action(Cmd::SearchModules)->statusTip(), "Release modules");
    EXPECT_EQ(m_frame->LogbookView()->windowTitle(), "log book");
    EXPECT_TRUE(m_frame->LanguageAction(1)->isChecked());
}

TEST_F(MainFrameTest, MetersCascadeAndShowThePolledModules)
{
    SearchAndRelease({0, 1, 2});
    ASSERT_TRUE(m_frame->Run(Cmd::StartMeasuring));
    EXPECT_EQ(m_frame->PaneText(2), "Datenübertragung läuft");
    for (int a = 0; a < 3; ++a) {
        ASSERT_NE(m_frame->MeterFrame(a), nullptr) << a;
        EXPECT_EQ(m_frame->MeterFrame(a)->pos(), QPoint(20 * (a + 1), 20 * (a + 1)));
    }
    EXPECT_EQ(m_frame->MeterFrame(3), nullptr);
    EXPECT_FALSE(m_frame->Action(Cmd::ShowMeters)->isEnabled());

    // One poll: the digits follow the module record, the lamp is lit green.
    m_time.Advance(1000);
    CDigitalMessView* view = m_frame->MeterView(0);
    EXPECT_EQ(view->ValueText(0), QString::asprintf("%.3f", m_frame->Document().m_slave[0].m_value1));
    EXPECT_EQ(view->Lamp()->LedColour(), CLed::LED_COLOR_GREEN);

    // Closing every view enables the command again while measuring runs.
    for (int a = 0; a < 3; ++a)
        m_frame->MeterFrame(a)->close();
    test::Settle();
    EXPECT_TRUE(m_frame->Action(Cmd::ShowMeters)->isEnabled());
    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
    EXPECT_FALSE(m_time.Active(station::kTimerPoll));
    EXPECT_EQ(m_frame->PaneText(2), "keine Datenübertragung");
}

TEST_F(MainFrameTest, ManualLogbookEntryAndToggle)
{
    test::OnNextModal([](QWidget* w) {
        auto* edit = w->findChild<QPlainTextEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setPlainText(QStringLiteral("A\nB"));
        QMetaObject::invokeMethod(w, "accept");
    });
    ASSERT_TRUE(m_frame->Run(Cmd::LogbookEntry));
    EXPECT_NE(Log().find("\tmanueller Eintrag\n\t\t\t\tA\r\n\t\t\t\tB\n"), std::string::npos) << Log();

    ASSERT_TRUE(m_frame->Run(Cmd::ToggleLogbook));
    EXPECT_FALSE(m_frame->Action(Cmd::ToggleLogbook)->isChecked());
    EXPECT_FALSE(m_frame->Action(Cmd::LogbookEntry)->isEnabled());
    ASSERT_TRUE(m_frame->Run(Cmd::ToggleLogbook));
    EXPECT_TRUE(m_frame->Action(Cmd::LogbookEntry)->isEnabled());
}

TEST_F(MainFrameTest, WrongFileTypeIsRefused)
{
    QString message;
    WithFile(Cmd::FileOpen, Path("notes.txt"), [&](QWidget* box) {
        message = qobject_cast<QMessageBox*>(box) ? qobject_cast<QMessageBox*>(box)->text() : QString();
        QMetaObject::invokeMethod(box, "accept");
    });
    EXPECT_EQ(message, "Falscher Dateityp!");
    EXPECT_FALSE(m_frame->Document().m_fileBound);
}

// End to end: search, release two modules, record three ticks, stop, save, export, close, open again.
TEST_F(MainFrameTest, RecordSaveExportCloseAndOpenAgain)
{
    const QString file = Path("run.qo3");
    WithFile(Cmd::FileOpen, file);
    ASSERT_TRUE(m_frame->Document().m_fileBound);
    SearchAndRelease({0, 1});

    test::OnNextModal([](QWidget* w) {
        auto* dlg = qobject_cast<CGrafikSetupGlg*>(w);
        ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
        EXPECT_FALSE(dlg->Show(5, 0)->isEnabled());  // not released
        dlg->IntervalEdit()->setTime(QTime(0, 0, 1));
        dlg->Show(0, 0)->setChecked(true);
        dlg->Show(1, 0)->setChecked(true);
        dlg->accept();
    });
    ASSERT_TRUE(m_frame->Run(Cmd::StartRecording));
    ASSERT_TRUE(m_frame->GetStation().Recording());
    EXPECT_TRUE(m_time.Active(station::kTimerSave));
    // The first sample at once, then one per recording tick.
    m_time.Advance(3000);
    ASSERT_EQ(m_frame->Document().Samples().size(), 4u);
    EXPECT_EQ(m_frame->PaneText(4), "Messwerte: 4");

    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
    EXPECT_FALSE(m_frame->GetStation().Recording());
    const float first = m_frame->Document().Samples().front().m_value[0];
    ASSERT_TRUE(m_frame->Run(Cmd::FileSave));
    EXPECT_FALSE(m_frame->Document().m_modified);

    // Export: the file dialog, then the column choice; one line per sample below the header.
    const QString table = Path("run.txt");
    WithFile(Cmd::FileExport, table, [](QWidget* d) {
        auto* dlg = qobject_cast<CExportDlg*>(d);
        ASSERT_NE(dlg, nullptr) << d->metaObject()->className();
        EXPECT_TRUE(dlg->Box(0, 0)->isChecked());
        EXPECT_FALSE(dlg->Box(5, 0)->isEnabled());  // not recorded
        dlg->DecimalChoice(1)->click();
        QMetaObject::invokeMethod(dlg, "accept");
    });
    QFile exported(table);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = exported.readAll().split('\n');
    EXPECT_EQ(lines.size(), 4 + 2);  // header, samples, empty tail
    EXPECT_TRUE(lines.value(1).contains(QByteArray::number(first, 'f', 2)));
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));
    EXPECT_FALSE(m_frame->Document().m_fileBound);
    EXPECT_TRUE(m_frame->Document().Samples().empty());

    WithFile(Cmd::FileOpen, file);
    ASSERT_EQ(m_frame->Document().Samples().size(), 4u);
    EXPECT_EQ(m_frame->Document().Samples().front().m_value[0], first);
    EXPECT_NE(Log().find("Aufzeichnung gestartet aller  00:00:01"), std::string::npos) << Log();
}

TEST_F(MainFrameTest, ClosingWithModifiedDocumentAsks)
{
    WithFile(Cmd::FileOpen, Path("asked.qo3"));
    m_frame->GetStation().AddLogbookEntry("x");
    ASSERT_TRUE(m_frame->Document().m_modified);
    // Cancel keeps the window and the bound file.
    test::OnNextModal([](QWidget* w) { w->findChild<QPushButton*>("cancel")->click(); });
    EXPECT_FALSE(m_frame->close());
    EXPECT_TRUE(m_frame->Document().m_fileBound);
    // Yes saves, then the window closes and the configuration is written.
    test::OnNextModal([](QWidget* w) { w->findChild<QPushButton*>("yes")->click(); });
    EXPECT_TRUE(m_frame->close());
    EXPECT_GT(QFileInfo(Path("asked.qo3")).size(), 0);
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath("QORremote/config.ini")));
}

TEST_F(MainFrameTest, PortSetupSwitchesFromLanToCom)
{
    SearchAndRelease({0});
    ASSERT_NE(m_frame->SimulatedBus(), nullptr);
    EXPECT_EQ(m_frame->PaneText(1), "Ethernet to 127.0.0.1:50000 open");
    EXPECT_TRUE(m_time.Active(station::kTimerKeepAlive));
    test::OnNextModal([](QWidget* w) {
        auto* dlg = qobject_cast<Crs232*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->SerialChoice()->click();
        QMetaObject::invokeMethod(dlg, "accept");
    });
    ASSERT_TRUE(m_frame->Run(Cmd::PortSetup));
    EXPECT_EQ(m_frame->PaneText(1), "COM 1  56000,N,8,1");
    EXPECT_FALSE(m_frame->GetStation().Link().Connected());
    EXPECT_FALSE(m_time.Active(station::kTimerKeepAlive));
    // The serial line in front of the simulated bus answers as well.
    SearchAndRelease({});
    EXPECT_EQ(m_frame->PaneText(3), "Module angemeldet");

    // Measuring keeps the setup away.
    ASSERT_TRUE(m_frame->Run(Cmd::StartMeasuring));
    EXPECT_FALSE(m_frame->Run(Cmd::PortSetup));
    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
}

// The potentiostat's lamp turns yellow while its program runs, green again after the stop.
TEST_F(MainFrameTest, PotentiostatStartAndStopFromTheMenu)
{
    SearchAndRelease({3});
    ASSERT_TRUE(m_frame->GetStation().PotentiostatPresent());
    EXPECT_FALSE(m_frame->Action(Cmd::StopPotentiostat)->isEnabled());
    ASSERT_TRUE(m_frame->Run(Cmd::StartPotentiostat));
    ASSERT_TRUE(m_frame->GetStation().PotentiostatRunning());
    EXPECT_TRUE(m_frame->Action(Cmd::StopPotentiostat)->isEnabled());
    EXPECT_FALSE(m_frame->Action(Cmd::DefineSteps)->isEnabled());
    ASSERT_NE(m_frame->MeterView(3), nullptr);
    m_time.Advance(1000);
    EXPECT_EQ(m_frame->MeterView(3)->Lamp()->LedColour(), CLed::LED_COLOR_YELLOW);
    EXPECT_NE(Log().find("Start POT/GAL"), std::string::npos);

    ASSERT_TRUE(m_frame->Run(Cmd::StopPotentiostat));
    EXPECT_FALSE(m_frame->GetStation().PotentiostatRunning());
    m_time.Advance(1000);
    EXPECT_EQ(m_frame->MeterView(3)->Lamp()->LedColour(), CLed::LED_COLOR_GREEN);
    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
    EXPECT_EQ(m_frame->MeterFrame(3), nullptr);  // the stop closes the measurement windows
}

// The File menu lists the documents opened last and the list outlives the window; a file
// named on the command line is read at the first activation; an entry whose file went away
// is dropped instead of being created empty.
TEST_F(MainFrameTest, RecentFilesAndTheCommandLineFile)
{
    const QString first = Path("first.qo3"), second = Path("second.qo3");
    for (const QString& f : {first, second}) {
        WithFile(Cmd::FileOpen, f);
        SearchAndRelease({0});
        m_frame->GetStation().AddLogbookEntry("marker entry");
        m_frame->Document().AddSample(0);
        ASSERT_TRUE(m_frame->Run(Cmd::FileSave));
        ASSERT_TRUE(m_frame->Run(Cmd::FileClose));
    }
    ASSERT_EQ(m_frame->RecentFiles().Files().size(), 2u);
    EXPECT_EQ(QString::fromStdString(m_frame->RecentFiles().Files()[0]), second);
    EXPECT_TRUE(m_frame->RecentAction(0)->text().endsWith(QStringLiteral("second.qo3")));
    EXPECT_FALSE(m_frame->RecentAction(2)->isVisible());

    Open(1, second.toStdString());
    EXPECT_EQ(m_frame->Document().Samples().size(), 1u);
    EXPECT_LT(Log().find("marker entry"), Log().find("Start of program"));
    EXPECT_NE(Log().find("File " + second.toStdString() + " load"), std::string::npos);
    EXPECT_EQ(m_frame->PaneText(4), "Samples: 1");
    EXPECT_TRUE(m_frame->windowTitle().startsWith(second));
    m_frame->UpdateCommands();
    EXPECT_FALSE(m_frame->RecentAction(1)->isEnabled()) << "a file is bound";
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));

    m_frame->OpenRecent(1);
    EXPECT_EQ(QString::fromStdString(m_frame->Document().m_path), first);
    EXPECT_EQ(m_frame->Document().Samples().size(), 1u);
    EXPECT_EQ(QString::fromStdString(m_frame->RecentFiles().Files()[0]), first);
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));

    ASSERT_TRUE(QFile::remove(second));
    test::OnNextModal([](QWidget* w) {
        ASSERT_NE(qobject_cast<QMessageBox*>(w), nullptr) << w->metaObject()->className();
        QMetaObject::invokeMethod(w, "accept");
    });
    m_frame->OpenRecent(1);
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_FALSE(m_frame->Document().m_fileBound);
    EXPECT_EQ(m_frame->RecentFiles().Files().size(), 1u);
}

}  // namespace
}  // namespace qor::ui
