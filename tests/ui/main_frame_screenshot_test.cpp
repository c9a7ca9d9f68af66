#include "data/qor_doc.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/freigabe_dlg.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/shell/main_frame.h"
#include "ui/station/meter_geometry.h"
#include "ui_test_app.h"

#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <memory>

namespace qor::ui {
namespace {

// The window while recording from two modules, as a user sees it. With QOR_SCREENSHOT_DIR
// set the pictures are also written there (docs/screenshot_de.png, docs/screenshot_en.png).
TEST(MainFrameScreenshot, RecordingWithTwoMeterViews)
{
    test::App();
    for (int lang : {0, 1}) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        qputenv("APPDATA", dir.path().toLocal8Bit());
        StartOptions o;
        o.transport = StartOptions::Transport::Simulate;
        o.language = lang;
        CMainFrame frame(o);
        frame.resize(1180, 800);
        frame.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.LogbookView() != nullptr; }, 5000));

        test::OnNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CFreigabeDlg*>(w);
            ASSERT_NE(dlg, nullptr);
            dlg->LeftList()->setCurrentRow(0);
            dlg->AddButton()->click();
            dlg->LeftList()->setCurrentRow(0);
            dlg->AddButton()->click();
            dlg->OkButton()->click();
        });
        ASSERT_TRUE(frame.Run(station::Cmd::SearchModules));
        test::OnNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CGrafikSetupGlg*>(w);
            ASSERT_NE(dlg, nullptr);
            dlg->IntervalEdit()->setTime(QTime(0, 0, 1));
            dlg->Show(0, 0)->setChecked(true);
            dlg->Show(1, 0)->setChecked(true);
            dlg->accept();
        });
        ASSERT_TRUE(frame.Run(station::Cmd::StartRecording));
        ASSERT_TRUE(frame.Run(station::Cmd::ShowMeters));
        ASSERT_NE(frame.MeterFrame(0), nullptr);
        ASSERT_NE(frame.MeterFrame(1), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.Document().m_samples.size() >= 6; }, 12000));

        // Two meter windows side by side over the graph.
        QMdiSubWindow* a = frame.MeterFrame(0);
        QMdiSubWindow* b = frame.MeterFrame(1);
        a->move(40, 170);
        b->move(a->geometry().right() + 16, 170);
        QTest::qWait(50);

        // The needle of the pH meter points where the value says.
        CDigitalMessView* view = frame.MeterView(0);
        C3DMeterCtrl* meter = view->Meter(0);
        const QImage face = meter->grab().toImage();
        const MeterGeometry g = MeterGeometry::FromRect(0, 0, meter->width(), meter->height());
        const MeterPoint mid = g.PointAt(meter->CurrentNeedleAngle(), (g.innerRadius + g.outerRadius) / 2.0);
        // The reddest pixel next to that point: the needle is thin and its edges are smoothed.
        QColor needle(0, 0, 0);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint at(mid.x + dx, mid.y + dy);
                if (face.rect().contains(at) && face.pixelColor(at).red() - face.pixelColor(at).green() >
                                                    needle.red() - needle.green())
                    needle = face.pixelColor(at);
            }
        EXPECT_GT(needle.red(), 150) << mid.x << "," << mid.y;
        EXPECT_LT(needle.green(), 110);
        EXPECT_EQ(view->UnitText(0), "pH");

        const QImage shot = frame.grab().toImage();
        EXPECT_EQ(shot.size(), frame.size() * frame.devicePixelRatio());
        const QByteArray out = qgetenv("QOR_SCREENSHOT_DIR");
        if (!out.isEmpty()) {
            const QString name =
                lang ? QStringLiteral("screenshot_en.png") : QStringLiteral("screenshot_de.png");
            EXPECT_TRUE(shot.save(QDir(QString::fromLocal8Bit(out)).filePath(name)));
        }
        ASSERT_TRUE(frame.Run(station::Cmd::Stop));
        frame.Document().m_modified = false;
    }
}

}  // namespace
}  // namespace qor::ui
