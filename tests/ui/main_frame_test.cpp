#include "station/timers.h"
#include "data/qor_doc.h"
#include "station/station.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/digital_mess_view.h"
#include "ui/document/export_dlg.h"
#include "ui/station/freigabe_dlg.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/station/led.h"
#include "ui/document/logbuch_view.h"
#include "ui/shell/main_frame.h"
#include "ui/station/rs232_dlg.h"
#include "ui_test_app.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <memory>

namespace qor::ui {
namespace {

// A main window on the in-process simulated bus, its configuration in a temporary folder.
class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::App();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("APPDATA", m_dir.path().toLocal8Bit());
        StartOptions o;
        o.transport = StartOptions::Transport::Simulate;
        o.language = m_lang;
        m_frame = std::make_unique<CMainFrame>(o);
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->LogbookView() != nullptr; }, 5000));
    }
    void TearDown() override
    {
        if (m_frame)
            m_frame->Document().m_modified = false;  // no save prompt at the end of a test
        m_frame.reset();
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
        ASSERT_TRUE(m_frame->Run(station::Cmd::SearchModules));
    }

    // Runs a file command whose file dialog gets `path`.
    void WithFile(station::Cmd cmd, const QString& path)
    {
        test::OnNextModal([path](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
            dlg->selectFile(path);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        ASSERT_TRUE(m_frame->Run(cmd));
    }

    QTemporaryDir m_dir;
    int m_lang = 0;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MainFrameTest, StartsInGermanWithPanesAndLogbook)
{
    EXPECT_EQ(m_frame->PaneText(1), "Ethernet to 127.0.0.1:50000");
    EXPECT_EQ(m_frame->PaneText(2), "keine Datenübertragung");
    EXPECT_EQ(m_frame->PaneText(3), "keine Module angemeldet");
    EXPECT_TRUE(m_frame->LogbookView()->toPlainText().contains("\tProgrammstart"));
    EXPECT_EQ(m_frame->Action(station::Cmd::SearchModules)->statusTip(), "Freigeben der Module");
    EXPECT_EQ(m_frame->Action(station::Cmd::SearchModules)->toolTip(), "Module suchen");
    EXPECT_FALSE(m_frame->Action(station::Cmd::StartRecording)->isEnabled());
    EXPECT_TRUE(m_frame->Action(station::Cmd::ToggleLogbook)->isChecked());

    m_frame->SetLanguage(1);
    EXPECT_EQ(m_frame->PaneText(2), "No data transfer");
    EXPECT_EQ(m_frame->PaneText(3), "no modules recognized");
    EXPECT_EQ(m_frame->Action(station::Cmd::SearchModules)->statusTip(), "Release modules");
    EXPECT_EQ(m_frame->LogbookView()->windowTitle(), "log book");
    EXPECT_TRUE(m_frame->LanguageAction(1)->isChecked());
    EXPECT_FALSE(m_frame->LanguageAction(0)->isChecked());
}

TEST_F(MainFrameTest, MetersCascadeAndShowTheModules)
{
    SearchAndRelease({0, 1, 2});
    EXPECT_EQ(m_frame->PaneText(3), "Module angemeldet");
    EXPECT_TRUE(m_frame->Action(station::Cmd::StartMeasuring)->isEnabled());
    ASSERT_TRUE(m_frame->Run(station::Cmd::StartMeasuring));
    EXPECT_EQ(m_frame->PaneText(2), "Datenübertragung läuft");
    EXPECT_TRUE(m_frame->TimerActive(station::kTimerPoll));
    EXPECT_EQ(m_frame->TimerInterval(station::kTimerPoll), 1000);
    // Three released modules: three frames, moved by 20, 40 and 60 pixels.
    for (int a = 0; a < 3; ++a) {
        ASSERT_NE(m_frame->MeterFrame(a), nullptr) << a;
        EXPECT_EQ(m_frame->MeterFrame(a)->pos(), QPoint(20 * (a + 1), 20 * (a + 1)));
    }
    EXPECT_EQ(m_frame->MeterFrame(3), nullptr);
    EXPECT_EQ(m_frame->MeterView(0)->Title(), "Slave 00 pH - Verstärker");
    EXPECT_FALSE(m_frame->Action(station::Cmd::ShowMeters)->isEnabled());

    // One poll: the digits follow the module record, the lamp is lit green.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_frame->MeterView(0)->ValueText(0).isEmpty(); }, 4000));
    const auto& slave = m_frame->Document().m_slave[0];
    EXPECT_EQ(m_frame->MeterView(0)->ValueText(0), QString::asprintf("%.3f", slave.m_value1));
    EXPECT_EQ(m_frame->MeterView(0)->UnitText(0), "pH");
    EXPECT_EQ(m_frame->MeterView(0)->Meter(0)->Units(), "pH");
    EXPECT_DOUBLE_EQ(m_frame->MeterView(0)->Meter(0)->RangeMin(), -2.0);
    EXPECT_EQ(m_frame->MeterView(0)->Lamp()->LedColour(), CLed::LED_COLOR_GREEN);
    EXPECT_EQ(m_frame->MeterView(0)->Lamp()->LedState(), CLed::LED_ON);

    // Closing every view enables the command again while measuring runs.
    for (int a = 0; a < 3; ++a)
        m_frame->MeterFrame(a)->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->Action(station::Cmd::ShowMeters)->isEnabled(); }, 2000));
    ASSERT_TRUE(m_frame->Run(station::Cmd::Stop));
    EXPECT_FALSE(m_frame->TimerActive(station::kTimerPoll));
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
    ASSERT_TRUE(m_frame->Run(station::Cmd::LogbookEntry));
    EXPECT_TRUE(
        m_frame->LogbookView()->toPlainText().contains("\tmanueller Eintrag\n\t\t\t\tA\r\n\t\t\t\tB\n") ||
        m_frame->LogbookObject().m_text.find("\tmanueller Eintrag\n\t\t\t\tA\r\n\t\t\t\tB\n") !=
            std::string::npos);
    EXPECT_NE(m_frame->LogbookObject().m_text.find("manueller Eintrag\n\t\t\t\tA\r\n\t\t\t\tB\n"),
              std::string::npos);

    ASSERT_TRUE(m_frame->Run(station::Cmd::ToggleLogbook));
    EXPECT_FALSE(m_frame->Action(station::Cmd::ToggleLogbook)->isChecked());
    EXPECT_FALSE(m_frame->Action(station::Cmd::LogbookEntry)->isEnabled());
    ASSERT_TRUE(m_frame->Run(station::Cmd::ToggleLogbook));
    EXPECT_TRUE(m_frame->Action(station::Cmd::LogbookEntry)->isEnabled());
}

TEST_F(MainFrameTest, WrongFileTypeIsRefused)
{
    QString message;
    test::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->selectFile(Path("notes.txt"));
        QMetaObject::invokeMethod(dlg, "accept");
        test::OnNextModal([&](QWidget* box) {
            message = qobject_cast<QMessageBox*>(box) ? qobject_cast<QMessageBox*>(box)->text() : QString();
            QMetaObject::invokeMethod(box, "accept");
        });
    });
    ASSERT_TRUE(m_frame->Run(station::Cmd::FileOpen));
    EXPECT_EQ(message, "Falscher Dateityp!");
    EXPECT_FALSE(m_frame->Document().m_fileBound);
}

// End to end: search, release two modules, record three ticks, stop, save, close, open again.
TEST_F(MainFrameTest, RecordSaveCloseAndOpenAgain)
{
    const QString file = Path("run.qo3");
    WithFile(station::Cmd::FileOpen, file);
    ASSERT_TRUE(m_frame->Document().m_fileBound);
    EXPECT_TRUE(m_frame->windowTitle().startsWith(file));

    SearchAndRelease({0, 1});
    EXPECT_EQ(m_frame->Document().m_slave[0].m_enabled, 1);
    EXPECT_EQ(m_frame->Document().m_slave[1].m_enabled, 1);
    EXPECT_EQ(m_frame->Document().m_slave[2].m_enabled, 0);

    test::OnNextModal([](QWidget* w) {
        auto* dlg = qobject_cast<CGrafikSetupGlg*>(w);
        ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
        EXPECT_TRUE(dlg->IntervalEdit()->isEnabled());
        EXPECT_FALSE(dlg->Show(5, 0)->isEnabled());  // not released
        dlg->IntervalEdit()->setTime(QTime(0, 0, 1));
        dlg->Show(0, 0)->setChecked(true);
        dlg->Show(1, 0)->setChecked(true);
        dlg->accept();
    });
    ASSERT_TRUE(m_frame->Run(station::Cmd::StartRecording));
    ASSERT_TRUE(m_frame->GetStation().Recording());
    EXPECT_TRUE(m_frame->TimerActive(station::kTimerSave));
    // The first sample at once, then three recording ticks.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->Document().m_samples.size() >= 4; }, 8000));
    EXPECT_EQ(m_frame->TimerInterval(station::kTimerRecord), 1000);
    EXPECT_EQ(m_frame->PaneText(4),
              QStringLiteral("Messwerte: %1").arg(m_frame->Document().m_samples.size()));

    ASSERT_TRUE(m_frame->Run(station::Cmd::Stop));
    EXPECT_FALSE(m_frame->GetStation().Recording());
    const std::size_t samples = m_frame->Document().m_samples.size();
    const float first = m_frame->Document().m_samples.front().m_value[0];
    ASSERT_TRUE(m_frame->Run(station::Cmd::FileSave));
    EXPECT_FALSE(m_frame->Document().m_modified);

    // Export: the file dialog, then the column choice; one line per sample below the header.
    const QString table = Path("run.txt");
    test::OnNextModal([table](QWidget* w) {
        auto* files = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(files, nullptr);
        files->selectFile(table);
        QMetaObject::invokeMethod(files, "accept");
        test::OnNextModal([](QWidget* d) {
            auto* dlg = qobject_cast<CExportDlg*>(d);
            ASSERT_NE(dlg, nullptr) << d->metaObject()->className();
            EXPECT_TRUE(dlg->Box(0, 0)->isChecked());
            EXPECT_FALSE(dlg->Box(5, 0)->isEnabled());  // not recorded
            dlg->DecimalChoice(1)->click();
            QMetaObject::invokeMethod(dlg, "accept");
        });
    });
    ASSERT_TRUE(m_frame->Run(station::Cmd::FileExport));
    QFile exported(table);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = exported.readAll().split('\n');
    EXPECT_EQ(lines.size(), static_cast<qsizetype>(samples) + 2);  // header, samples, empty tail
    EXPECT_TRUE(lines.value(1).contains(QByteArray::number(first, 'f', 2)));
    ASSERT_TRUE(m_frame->Run(station::Cmd::FileClose));
    EXPECT_FALSE(m_frame->Document().m_fileBound);
    EXPECT_TRUE(m_frame->Document().m_samples.empty());

    WithFile(station::Cmd::FileOpen, file);
    ASSERT_EQ(m_frame->Document().m_samples.size(), samples);
    EXPECT_EQ(m_frame->Document().m_samples.front().m_value[0], first);
    const std::string& log = m_frame->LogbookObject().m_text;
    EXPECT_NE(log.find("Aufzeichnung gestartet aller  00:00:01"), std::string::npos) << log;
    EXPECT_NE(log.find("Aufzeichnung beendet"), std::string::npos);
    EXPECT_NE(log.find("Datei " + file.toStdString() + " geladen"), std::string::npos);
    EXPECT_TRUE(m_frame->LogbookView()->toPlainText().contains("geladen"));
}

TEST_F(MainFrameTest, ClosingWithModifiedDocumentAsks)
{
    WithFile(station::Cmd::FileOpen, Path("asked.qo3"));
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

}  // namespace
}  // namespace qor::ui

namespace qor::ui {
namespace {

TEST_F(MainFrameTest, PortSetupSwitchesFromLanToCom)
{
    // Connect the simulated gateway first.
    SearchAndRelease({0});
    ASSERT_TRUE(m_frame->SimulatedBus() != nullptr);
    EXPECT_EQ(m_frame->PaneText(1), "Ethernet to 127.0.0.1:50000 open");
    EXPECT_TRUE(m_frame->TimerActive(station::kTimerKeepAlive));
    test::OnNextModal([](QWidget* w) {
        auto* dlg = qobject_cast<Crs232*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->SerialChoice()->click();
        dlg->IntervalEdit()->setTime(QTime(0, 0, 30));
        QMetaObject::invokeMethod(dlg, "accept");
    });
    ASSERT_TRUE(m_frame->Run(station::Cmd::PortSetup));
    EXPECT_EQ(m_frame->PaneText(1), "COM 1  56000,N,8,1");
    EXPECT_FALSE(m_frame->GetStation().Link().Connected());
    EXPECT_FALSE(m_frame->TimerActive(station::kTimerKeepAlive));
    const station::TimeOfDay t = station::SplitDayFraction(m_frame->GetStation().Config().interval);
    EXPECT_EQ(t.minutes, 10);
    EXPECT_EQ(t.seconds, 0);
    // The serial line in front of the simulated bus answers as well.
    SearchAndRelease({});
    EXPECT_EQ(m_frame->PaneText(3), "Module angemeldet");

    // Measuring keeps the setup away.
    ASSERT_TRUE(m_frame->Run(station::Cmd::StartMeasuring));
    EXPECT_FALSE(m_frame->Action(station::Cmd::PortSetup)->isEnabled());
    EXPECT_FALSE(m_frame->Run(station::Cmd::PortSetup));
    ASSERT_TRUE(m_frame->Run(station::Cmd::Stop));
}

}  // namespace
}  // namespace qor::ui

namespace qor::ui {
namespace {

// A file named on the command line is read at the first activation.
TEST_F(MainFrameTest, FileFromTheCommandLineIsRead)
{
    const QString file = Path("start.qo3");
    WithFile(station::Cmd::FileOpen, file);
    SearchAndRelease({0});
    m_frame->GetStation().AddLogbookEntry("marker entry");
    m_frame->Document().AddSample(0);
    m_frame->Document().AddSample(0);
    ASSERT_TRUE(m_frame->Run(station::Cmd::FileSave));
    m_frame.reset();

    StartOptions o;
    o.transport = StartOptions::Transport::Simulate;
    o.language = 1;
    o.file = file.toStdString();
    m_frame = std::make_unique<CMainFrame>(o);
    m_frame->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->LogbookView() != nullptr; }, 5000));
    EXPECT_TRUE(m_frame->Document().m_fileBound);
    EXPECT_EQ(m_frame->Document().m_samples.size(), 2u);
    const std::string& log = m_frame->LogbookObject().m_text;
    EXPECT_LT(log.find("marker entry"), log.find("Start of program"));
    EXPECT_NE(log.find("File " + file.toStdString() + " load"), std::string::npos);
    EXPECT_EQ(m_frame->PaneText(4), "Samples: 2");
    EXPECT_TRUE(m_frame->windowTitle().startsWith(file));
}

}  // namespace
}  // namespace qor::ui

namespace qor::ui {
namespace {

// The potentiostat's lamp turns yellow while its program runs, green again after the stop.
TEST_F(MainFrameTest, PotentiostatStartAndStopFromTheMenu)
{
    SearchAndRelease({3});
    ASSERT_TRUE(m_frame->GetStation().PotentiostatPresent());
    EXPECT_TRUE(m_frame->Action(station::Cmd::StartPotentiostat)->isEnabled());
    EXPECT_FALSE(m_frame->Action(station::Cmd::StopPotentiostat)->isEnabled());
    ASSERT_TRUE(m_frame->Run(station::Cmd::StartPotentiostat));
    ASSERT_TRUE(m_frame->GetStation().PotentiostatRunning());
    EXPECT_TRUE(m_frame->Action(station::Cmd::StopPotentiostat)->isEnabled());
    EXPECT_FALSE(m_frame->Action(station::Cmd::DefineSteps)->isEnabled());
    ASSERT_NE(m_frame->MeterView(3), nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_frame->MeterView(3)->Lamp()->LedColour() == CLed::LED_COLOR_YELLOW; }, 4000));
    EXPECT_NE(m_frame->LogbookObject().m_text.find("Start POT/GAL"), std::string::npos);

    ASSERT_TRUE(m_frame->Run(station::Cmd::StopPotentiostat));
    EXPECT_FALSE(m_frame->GetStation().PotentiostatRunning());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return m_frame->MeterView(3)->Lamp()->LedColour() == CLed::LED_COLOR_GREEN; }, 4000));
    ASSERT_TRUE(m_frame->Run(station::Cmd::Stop));
    EXPECT_EQ(m_frame->MeterFrame(3), nullptr);  // the stop closes the measurement windows
}

}  // namespace
}  // namespace qor::ui

namespace qor::ui {
namespace {

// The File menu lists the documents opened last; the list outlives the window, and an
// entry whose file went away is dropped instead of being created empty.
TEST_F(MainFrameTest, RecentFilesAreListedKeptAndReopened)
{
    const QString first = Path("first.qo3");
    const QString second = Path("second.qo3");
    for (const QString& f : {first, second}) {
        WithFile(station::Cmd::FileOpen, f);
        SearchAndRelease({0});
        m_frame->Document().AddSample(0);
        ASSERT_TRUE(m_frame->Run(station::Cmd::FileSave));
        ASSERT_TRUE(m_frame->Run(station::Cmd::FileClose));
    }
    const auto& files = m_frame->RecentFiles().Files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(QString::fromStdString(files[0]), second);
    EXPECT_TRUE(m_frame->RecentAction(0)->isVisible());
    EXPECT_TRUE(m_frame->RecentAction(0)->text().endsWith(QStringLiteral("second.qo3")));
    EXPECT_FALSE(m_frame->RecentAction(2)->isVisible());

    m_frame.reset();
    StartOptions o;
    o.transport = StartOptions::Transport::Simulate;
    m_frame = std::make_unique<CMainFrame>(o);
    m_frame->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_frame->LogbookView() != nullptr; }, 5000));
    ASSERT_EQ(m_frame->RecentFiles().Files().size(), 2u);
    m_frame->OpenRecent(1);
    EXPECT_TRUE(m_frame->Document().m_fileBound);
    EXPECT_EQ(QString::fromStdString(m_frame->Document().m_path), first);
    EXPECT_EQ(m_frame->Document().m_samples.size(), 1u);
    EXPECT_EQ(QString::fromStdString(m_frame->RecentFiles().Files()[0]), first);
    // While a file is bound, File Open and the list are disabled.
    m_frame->UpdateCommands();
    EXPECT_FALSE(m_frame->RecentAction(1)->isEnabled());
    ASSERT_TRUE(m_frame->Run(station::Cmd::FileClose));

    ASSERT_TRUE(QFile::remove(second));
    test::OnNextModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr) << w->metaObject()->className();
        EXPECT_TRUE(box->text().contains(QStringLiteral("nicht gefunden")));
        box->accept();
    });
    m_frame->OpenRecent(1);
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_FALSE(m_frame->Document().m_fileBound);
    ASSERT_EQ(m_frame->RecentFiles().Files().size(), 1u);
    EXPECT_FALSE(m_frame->RecentAction(1)->isVisible());
}

}  // namespace
}  // namespace qor::ui
