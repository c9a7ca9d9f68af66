// The window finds the journal of a recording that ended without its save, and asks.
#include "station/station.h"
#include "ui_test_app.h"

#include <QFileInfo>
#include <QMessageBox>

namespace qor::ui {
namespace {

class JournalRecoveryTest : public ::testing::TestWithParam<bool>, protected test::SimFrame {};

// A bound document is recovered when it is opened again (Yes); the journal of a document
// without a file is found when the window starts and dropped on No.
TEST_P(JournalRecoveryTest, AsksAndRecoversOrDiscards)
{
    const bool bound = GetParam();
    const QString file = Path("crash.qo3");
    if (bound) {
        ASSERT_TRUE(WithFile(station::Cmd::FileOpen, file));
    }
    ASSERT_TRUE(SearchAndRelease({0, 1}));
    ASSERT_TRUE(StartRecording({{0, 0}}));
    m_time.Advance(3000);
    const std::vector<data::CDatenObject> recorded = m_frame->Document().Samples();
    ASSERT_EQ(recorded.size(), 4u);
    const std::string journal = bound ? file.toStdString() + ".journal" : m_frame->Document().JournalPath();
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(journal)));

    // The program ends without closing the document, as a crash would.
    QString question;
    test::OnNextModal([&](QWidget* w) {
        ASSERT_EQ(w->objectName(), "recoverPrompt");
        question = qobject_cast<QMessageBox*>(w)->text();
        w->findChild<QPushButton*>(bound ? "yes" : "no")->click();
    });
    Start(0, bound ? file.toStdString() : std::string());
    EXPECT_TRUE(question.contains(QStringLiteral("4 nicht gespeicherte Messwerte vom 01.01.2000")))
        << question.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(journal)));
    const data::CQORDoc& doc = m_frame->Document();
    if (!bound) {
        EXPECT_TRUE(doc.Samples().empty());
        return;
    }
    // What was recovered, bit for bit, is Journal.ADocumentRecoversWhatItsFileDoesNotHold's.
    ASSERT_EQ(doc.Samples().size(), recorded.size());
    EXPECT_EQ(doc.Samples().back().m_time, recorded.back().m_time);
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(m_frame->PaneText(4), "Messwerte: 4");
}

INSTANTIATE_TEST_SUITE_P(Documents, JournalRecoveryTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Bound" : "Unbound"; });

}  // namespace
}  // namespace qor::ui
