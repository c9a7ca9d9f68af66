#include "ui/shell/shell_services.h"

#include "common/clock.h"
#include "data/document_ui.h"
#include "station/station_texts.h"
#include "ui/common/fehler_dlg.h"
#include "ui/common/ui_texts.h"
#include "ui/common/wait_wnd.h"
#include "ui/shell/main_frame.h"
#include "ui/station/freigabe_dlg.h"
#include "ui/station/slave_auswahl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>
#include <algorithm>

namespace qor::ui {

QString QtFilter(const std::string& filter, int lang)
{
    // The documents' filters name their files in German; the English window says it in English.
    static constexpr TextPair kLabels[] = {{"Alle Dateien", "All files"}, {"Tabellen", "Tables"}};
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString label = parts[i];
        for (const TextPair& l : kLabels)
            label.replace(QString::fromUtf8(l[0]), Tr(l, lang));
        const int open = label.indexOf(QLatin1Char('('));
        out << (open >= 0 ? label.left(open).trimmed() : label) + QStringLiteral(" (") + patterns +
                   QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

ShellServices::ShellServices(CMainFrame& frame, Clock& clock, station::Timers* outsideTimers)
    : m_frame(frame), m_clock(clock), m_outsideTimers(outsideTimers)
{
}

ShellServices::~ShellServices() = default;

QWidget* ShellServices::Window() const
{
    return &m_frame;
}

int ShellServices::Language() const
{
    return m_frame.Language();
}

QWidget* ShellServices::NoticeParent() const
{
    // Over the window the user is working in (a dialog that asked for it, say): a notice
    // opened behind a modal dialog holds the program without being seen.
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return Window();
}

// ----------------------------------------------------------------------------------------
// Messages, wait and progress windows

void ShellServices::ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::Information, Tr(txt::kAppName, Language()), QString::fromStdString(text),
                    QMessageBox::Ok, NoticeParent());
    box.exec();
}

void ShellServices::ShowNotice(const std::string& text)
{
    m_frame.ShowNotice(text);
}

bool ShellServices::AskOkCancel(const std::string& text)
{
    QMessageBox box(QMessageBox::Question, Tr(txt::kAppName, Language()), QString::fromStdString(text),
                    QMessageBox::NoButton, NoticeParent());
    QPushButton* ok = box.addButton(Tr(txt::kOk, Language()), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(Tr(txt::kCancel, Language()), QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok;
}

bool ShellServices::ShowErrorDialog(const std::string& text)
{
    CFehlerDlg dlg(Language(), Window());
    dlg.SetText(QString::fromStdString(text));
    return dlg.exec() == QDialog::Accepted;
}

void ShellServices::ShowWait(const std::string& text)
{
    if (!m_wait) {
        m_wait = new CWaitWnd(Language(), Window());
        m_wait->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_wait->SetText(QString::fromStdString(text));
    if (!m_wait->isVisible()) {
        m_wait->show();
        m_wait->raise();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
    }
    m_wait->repaint();
}

void ShellServices::CloseWait()
{
    if (m_wait)
        m_wait->hide();
}

void ShellServices::ShowProgress(const std::string& title, const std::string& text, int maximum)
{
    if (!m_progress)
        m_progress = new CProgressWnd(Language(), Window());
    m_progress->setWindowTitle(QString::fromStdString(title));
    m_progress->SetText(QString::fromStdString(text));
    m_progress->SetRange(0, maximum);
    m_progress->SetPos(0);
    m_progress->show();
    m_progress->raise();
    m_progress->repaint();
}

void ShellServices::SetProgress(int value)
{
    if (m_progress)
        m_progress->SetPos(value);
}

void ShellServices::CloseProgress()
{
    if (m_progress)
        m_progress->hide();
}

void ShellServices::ProcessEvents(int ms)
{
    if (m_outsideTimers) {
        QCoreApplication::processEvents();
        m_clock.SleepMs(ms);
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// ----------------------------------------------------------------------------------------
// Dialogs

bool ShellServices::RunReleaseDialog(station::FreigabeDlgModel& dialog)
{
    CloseWait();
    CFreigabeDlg dlg(dialog, Window());
    return dlg.exec() == QDialog::Accepted;
}

bool ShellServices::RunModuleSelection(station::SlaveAuswahlModel& dialog)
{
    CSlaveAuswahl dlg(dialog, Window());
    return dlg.exec() == QDialog::Accepted;
}

std::optional<std::string> ShellServices::ChooseLoggerFile()
{
    const QString path = QFileDialog::getSaveFileName(Window(), QString(), QStringLiteral("dl.tx3"),
                                                      QtFilter(station::text::kLoggerFilter, Language()));
    if (path.isEmpty())
        return std::nullopt;
    QString p = path;
    if (!p.contains(QLatin1Char('.')))
        p += QStringLiteral(".tx3");
    return p.toStdString();
}

std::optional<std::string> ShellServices::ChooseFile(data::FileDialog kind, const std::string& defaultExt,
                                                     const std::string& filter)
{
    QFileDialog dlg(Window());
    dlg.setNameFilter(QString());
    dlg.setNameFilters(QtFilter(filter, Language()).split(QStringLiteral(";;")));
    dlg.setDefaultSuffix(QString::fromStdString(defaultExt));
    if (kind == data::FileDialog::SaveAs) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        // A name without suffix takes the one of the filter chosen (a table or CSV, say),
        // the default only where that filter names none.
        dlg.setDefaultSuffix(QString());
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return std::nullopt;
        QString path = dlg.selectedFiles().first();
        if (QFileInfo(path).suffix().isEmpty()) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("\\*\\.(\\w+)\\)")).match(dlg.selectedNameFilter());
            const QString suffix = m.hasMatch() ? m.captured(1) : QString::fromStdString(defaultExt);
            if (!suffix.isEmpty())
                path += QLatin1Char('.') + suffix;
        }
        return path.toStdString();
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        // Open creates a file that does not exist yet.
        dlg.setFileMode(QFileDialog::AnyFile);
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    return dlg.selectedFiles().first().toStdString();
}

// ----------------------------------------------------------------------------------------
// The window's own: panes, views and the recording setup

void ShellServices::SetPane(int pane, const std::string& text)
{
    m_frame.SetPane(pane, text);
}

bool ShellServices::RunRecordingSetup()
{
    return m_frame.RunRecordingSetup();
}

void ShellServices::ShowDataLoggerGraph(const std::string& path, int language)
{
    m_frame.OpenDataLogger(path, language);
}

void ShellServices::ShowMeters()
{
    m_frame.ShowMeters();
}

void ShellServices::CloseMeters()
{
    m_frame.CloseMeters();
}

void ShellServices::ShowMeter(std::uint8_t address)
{
    m_frame.ShowMeter(address);
}

void ShellServices::RefreshViews()
{
    m_frame.RefreshViews();
}

// ----------------------------------------------------------------------------------------
// Timers

void ShellServices::Start(int id, int ms)
{
    if (m_outsideTimers) {
        m_outsideTimers->Start(id, ms);
        return;
    }
    QTimer*& t = m_timers[id];
    if (!t) {
        t = new QTimer(Window());
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, Window(), [this, id] { m_frame.OnTimer(id); });
    }
    t->start(std::max(1, ms));
}

void ShellServices::Stop(int id)
{
    if (m_outsideTimers) {
        m_outsideTimers->Stop(id);
        return;
    }
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

void ShellServices::StopAllTimers()
{
    for (auto& [id, timer] : m_timers)
        timer->stop();
}

bool ShellServices::TimerActive(int id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

int ShellServices::TimerInterval(int id) const
{
    auto it = m_timers.find(id);
    return it != m_timers.end() ? it->second->interval() : 0;
}

}  // namespace qor::ui
