#include "graph/decimator.h"
#include "graph/line_raster.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_property_page.h"
#include "ui/graph/graph_select.h"
#include "ui/graph/graph_wnd.h"
#include "ui/graph/ruler.h"
#include "ui_test_app.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <optional>

namespace qor::ui {
namespace {

// Pixels in `r` that are `colour`, or dark where no colour is given.
int DarkPixels(const QImage& img, const QRect& r, std::optional<QRgb> colour = {})
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += colour ? img.pixel(x, y) == *colour : qGray(img.pixel(x, y)) < 128;
    return n;
}

// `g` drawn into a white picture of `size`, and the layout of the drawing.
std::pair<QImage, CGraphWnd::Layout> Draw(CGraphWnd& g, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    g.Render(p, img.rect());
    p.end();
    return {img, g.ComputeLayout(img.rect(), &img)};
}

// A numeric graph: a red line at y = 0 and a blue spike at x = 5.
void Fill(CGraphWnd& g)
{
    g.SetFrameFlags(graph::kFrameNumericX);
    g.SetAxisTitle("U", "V", 2, graph::kAxisY, false);
    const int red = g.AddGraph(graph::MakeRgb(255, 0, 0), "flat");
    const int blue = g.AddGraph(graph::MakeRgb(0, 0, 255), "spike");
    for (int i = 0; i <= 1000; ++i) {
        g.AddPoint(red, i, i / 100.0, 0.0, false);
        g.AddPoint(blue, i, i / 100.0, i == 500 ? 0.9 : -0.5, false);
    }
    g.SetRange(0, 10, -1, 1, false);
}

// The legend stands where it hides no data: a rising line keeps the top right corner in
// sight. A legend too large for a corner of a small plot, or lines through every corner, send
// it to a band below the rulers that holds its curves' colours, the plot keeping the rest.
TEST(GraphRender, LegendCoversNoData)
{
    CGraphWnd g;
    g.SetFrameFlags(graph::kFrameNumericX);
    g.SetStyle(graph::kStyleLegend, false);
    const int rising = g.AddGraph(graph::MakeRgb(255, 0, 0), "rising");
    for (int i = 0; i <= 100; ++i)
        g.AddPoint(rising, i, i / 10.0, i / 10.0, false);
    g.SetRange(0, 10, 0, 10, false);
    auto [img, l] = Draw(g, QSize(1200, 800));
    ASSERT_TRUE(l.legend.isEmpty());
    const QRect topRight(l.plot.right() - 150, l.plot.top(), 150, 60);
    EXPECT_GT(DarkPixels(img, topRight, qRgb(255, 0, 0)), 40) << "the line's end is not covered";

    for (int i = 0; i < 6; ++i)
        g.AddGraph(graph::MakeRgb(0, 160, 0), "a long curve name of some module [unit] * 1.0");
    for (const QSize size : {QSize(1600, 1000), QSize(400, 300)}) {
        std::tie(img, l) = Draw(g, size);
        EXPECT_EQ(l.legend.isEmpty(), size.width() > 1000);
        EXPECT_FALSE(l.plot.intersects(l.legend));
        EXPECT_EQ(DarkPixels(img, l.legend, qRgb(0, 160, 0)) > 20, !l.legend.isEmpty());
    }

    const int falling = g.AddGraph(graph::MakeRgb(0, 0, 255), "falling");
    for (int i = 0; i <= 100; ++i)
        g.AddPoint(falling, i, i / 10.0, 10.0 - i / 10.0, false);
    std::tie(img, l) = Draw(g, QSize(1200, 800));
    EXPECT_FALSE(l.legend.isEmpty());
    EXPECT_FALSE(l.plot.intersects(l.legend));
    EXPECT_GT(DarkPixels(img, l.legend, qRgb(0, 0, 255)), 20);
}

// A picture of many points is drawn by two threads in strips; it must equal the curves
// drawn in one piece, and a sparse curve with markers keeps its marks.
TEST(GraphRender, LargePictureInStripsMatchesOneDrawing)
{
    CGraphWnd g;
    g.SetFrameFlags(graph::kFrameNumericX);
    g.SetStyle(0, false);  // no grid: the strips clear their own columns
    const int n = 150000;
    const int a = g.AddGraph(graph::MakeRgb(200, 0, 0), "a");
    const int b = g.AddGraph(graph::MakeRgb(0, 0, 200), "b");
    const int marked = g.AddGraph(graph::MakeRgb(0, 150, 0), "marked", graph::kGraphMarkers);
    for (int i = 0; i < n; ++i) {
        g.AddPoint(a, i, i, std::sin(i * 0.001) + (i % 997 == 0 ? 0.8 : 0.0), false);
        g.AddPoint(b, i, i, std::cos(i * 0.0007) * 0.8, false);
    }
    for (int i = 0; i < 5; ++i)
        g.AddPoint(marked, i, i * n / 5.0 + n / 10.0, 0.0, false);
    g.SetRange(0, n - 1, -2, 2, false);
    const auto [img, layout] = Draw(g, QSize(900, 500));
    const QRect plot = layout.plot;

    // The same curves, one after the other, straight into a buffer of the plot's size.
    std::vector<std::uint32_t> want(static_cast<std::size_t>(plot.width() * plot.height()), 0xffffffffu);
    graph::LineRaster raster(want.data(), plot.width(), plot.height(),
                             static_cast<std::size_t>(plot.width()) * 4);
    const graph::GraphRange& r = g.Range();
    const graph::ScaleMapping xm(0, plot.width() - 1, r.xFrom, r.xTo),
        ym(plot.height() - 1, 0, r.yFrom, r.yTo);
    for (int c : {a, b}) {
        const graph::CGraphProps* props = g.GetGraph(c);
        graph::Decimator::Draw(props->m_points, xm, ym, -0.5, plot.width() - 0.5, raster,
                               0xff000000u | props->m_colour, 0.5, 0.5);
    }
    int differ = 0, green = 0;
    for (int y = 1; y < plot.height() - 1; ++y)  // inside the frame line
        for (int x = 1; x < plot.width() - 1; ++x) {
            const QRgb got = img.pixel(plot.left() + x, plot.top() + y);
            if (qGreen(got) == 150 && qRed(got) == 0)
                ++green;
            else if ((got | 0xff000000u) != want[static_cast<std::size_t>(y * plot.width() + x)] &&
                     differ++ < 5)
                ADD_FAILURE() << "column " << x << " row " << y << ": " << std::hex << got << " instead of "
                              << want[static_cast<std::size_t>(y * plot.width() + x)];
        }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(green, 5 * 20) << "five marks of 5 x 5 pixels and the line between them";
}

// Into an image the curves are written straight; wherever that is not safe (a clip, a shared
// image) the kept layer is drawn instead. Both give the same picture, and saving a picture
// leaves the window's own layer alone.
TEST(GraphRender, ImagesGetTheSamePictureStraightOrThroughTheLayer)
{
    CGraphWnd g;
    Fill(g);
    g.SetStyle(graph::kStyleGrid, false);
    const int big = g.AddGraph(graph::MakeRgb(0, 120, 0), "big");
    for (int i = 0; i < 250000; ++i)  // drawn by two threads
        g.AddPoint(big, i, i / 25000.0, std::sin(i * 0.0003) * 0.4 + (i % 4999 == 0 ? 0.5 : 0.0), false);
    g.resize(640, 420);
    g.show();
    QCoreApplication::processEvents();
    const QImage windowLayer = g.Panel()->Layer();
    ASSERT_FALSE(windowLayer.isNull());

    auto render = [&](QImage::Format format, bool clip, bool shared) {
        g.Redraw();
        QImage img(700, 480, format);
        img.fill(Qt::white);
        const QImage copy = shared ? img : QImage();
        {
            QPainter p(&img);
            if (clip)
                p.setClipRect(img.rect());
            g.Render(p, img.rect());
        }
        return img.convertToFormat(QImage::Format_RGB32);
    };
    QImage straight = render(QImage::Format_RGB32, false, false);
    // The plot is framed, a major tick of the Y ruler at 0 sits by the plot on the zero row,
    // labels below the X ticks and left of the Y ticks.
    const CGraphWnd::Layout l = g.ComputeLayout(straight.rect(), &straight);
    const int row = l.plot.top() + static_cast<int>(std::lround((l.plot.height() - 1) / 2.0));
    EXPECT_LT(qGray(straight.pixel(l.plot.left() + 50, l.plot.top())), 128);
    EXPECT_LT(qGray(straight.pixel(l.vRuler.right() - 1, row)), 128);
    EXPECT_GT(DarkPixels(straight, l.hRuler.adjusted(0, 6, 0, 0)), 50);
    EXPECT_GT(DarkPixels(straight, l.vRuler.adjusted(0, 0, -6, 0)), 50);
    EXPECT_EQ(g.Panel()->Layer(), windowLayer) << "the window's layer is its own";
    EXPECT_EQ(straight, render(QImage::Format_RGB32, true, false)) << "clipped: through the layer";
    EXPECT_EQ(straight, render(QImage::Format_RGB32, false, true)) << "shared: through the layer";
    EXPECT_EQ(straight, render(QImage::Format_ARGB32_Premultiplied, false, false));
    EXPECT_EQ(straight, render(QImage::Format_ARGB32, false, false));
    EXPECT_EQ(straight, g.RenderImage(QSize(700, 480)));
}

// On screen, the zoom mode (which ends the text mode) sets the range to the dragged rectangle.
// The dialogs hand what was chosen to the window, and clearing the texts asks first.
TEST(GraphWidget, ZoomRectangleAndDialogs)
{
    CGraphWnd g;
    Fill(g);
    g.resize(600, 400);
    g.show();
    QCoreApplication::processEvents();
    CGraphPanel* panel = g.Panel();
    g.SetTextMode(true);
    g.SetZoomMode(true);
    EXPECT_TRUE(!g.TextMode() && g.ZoomMode());
    const int w = panel->width(), h = panel->height();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(1, 1));  // (0, 0) would mean the centre
    QTest::mouseMove(panel, QPoint((w - 1) / 2, (h - 1) / 2));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint((w - 1) / 2, (h - 1) / 2));
    EXPECT_FALSE(g.ZoomMode()) << "the mode ends with its action";
    const graph::GraphRange r = g.Range();
    EXPECT_NEAR(r.xFrom, 0, 0.05);
    EXPECT_NEAR(r.xTo, 5, 0.05);
    EXPECT_NEAR(r.yFrom, 0, 0.02);
    EXPECT_NEAR(r.yTo, 1, 0.02);

    {
        CGraphSelect dlg(g, 0);
        dlg.SelectNone();
        dlg.Box(1)->setChecked(true);
        dlg.Selection().Apply(g);
        EXPECT_FALSE(g.GetGraph(0)->m_visible);
        EXPECT_TRUE(g.GetGraph(1)->m_visible);
    }
    CGraphPropertySheet sheet(g);
    auto* y = static_cast<CGraphAxisPage*>(sheet.Page(1));
    y->NameEdit()->setText("Strom");
    y->UnitEdit()->setText("mA");
    y->DecimalsBox()->setValue(3);
    auto* gp = static_cast<CGraphGraphicsPage*>(sheet.Page(2));
    gp->ShowAll();
    gp->SetColour(graph::MakeRgb(1, 2, 3));
    gp->NameEdit()->setText("renamed");
    sheet.ApplyAll();
    EXPECT_EQ(g.GetAxis(graph::kAxisY).m_name, "Strom");
    EXPECT_EQ(g.GetAxis(graph::kAxisY).m_fmtUnit, "%0.3f mA");
    EXPECT_TRUE(g.GetGraph(0)->m_visible);
    EXPECT_EQ(g.GetGraph(0)->m_colour, graph::MakeRgb(1, 2, 3));
    EXPECT_EQ(g.GetGraph(0)->m_name, "renamed");

    g.AddText({1, 1, "note", 0, {}, 1.0});
    for (const auto& [answer, cleared] : {std::pair{QMessageBox::No, false}, {QMessageBox::Yes, true}}) {
        test::OnNextModal([answer](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(answer)->click(); });
        EXPECT_EQ(g.ClearTextsAsk(), cleared);
        EXPECT_EQ(g.Texts().empty(), cleared);
    }
}

// Rulers grow with the device resolution. The Y ruler and a numeric X ruler keep their
// pictures on raster devices; whatever they show must still follow.
TEST(Rulers, KeptRulersFollowEveryChange)
{
    FVRuler v;
    FHRuler h;
    QImage low(10, 10, QImage::Format_RGB32), high(10, 10, QImage::Format_RGB32);
    low.setDotsPerMeterX(3780), low.setDotsPerMeterY(3780);      // 96 dpi
    high.setDotsPerMeterX(23622), high.setDotsPerMeterY(23622);  // 600 dpi
    EXPECT_GE(v.GetThickness(&low), 16);
    EXPECT_NEAR(v.GetThickness(&high) / double(v.GetThickness(&low)), 600.0 / 96, 0.7);
    h.SetMode(0);
    const int timeAxis = h.GetThickness(&low);
    h.SetMode(graph::kFrameNumericX);
    EXPECT_GE(timeAxis, 32) << "a third of an inch for two label lines";
    EXPECT_LT(h.GetThickness(&low), timeAxis);

    const struct {
        const char* name;
        FRuler* ruler;
        unsigned flags, log;
        QSize size, other;
    } rulers[] = {{"Y", &v, 0, graph::kFrameLogY, QSize(60, 300), QSize(60, 200)},
                  {"X", &h, graph::kFrameNumericX, graph::kFrameNumericX | graph::kFrameLogX, QSize(300, 40),
                   QSize(200, 40)}};
    for (const auto& r : rulers) {
        r.ruler->SetMode(r.flags);
        r.ruler->SetRange(1, 5, false);  // no multiplier: the title shows
        r.ruler->SetTexts("U [V]", {});
        auto draw = [&](int dpm = 3780, QSize size = QSize()) {
            size = size.isEmpty() ? r.size : size;
            QImage img(size + QSize(20, 20), QImage::Format_RGB32);
            img.setDotsPerMeterX(dpm), img.setDotsPerMeterY(dpm);
            img.fill(Qt::green);
            QPainter p(&img);
            r.ruler->Draw(&p, 10, 10, 10 + size.width(), 10 + size.height());
            return img;
        };
        const QRect inside(QPoint(10, 10), r.size);
        const QImage first = draw();
        EXPECT_EQ(first.pixel(5, 5), QColor(Qt::green).rgb()) << r.name << ": nothing outside the rectangle";
        EXPECT_GT(DarkPixels(first, inside), 100) << r.name;
        EXPECT_EQ(draw(), first) << r.name;

        r.ruler->SetRange(0, 1000, false);
        EXPECT_NE(draw(), first) << r.name << ": range";
        r.ruler->SetRange(1, 5, false);
        EXPECT_EQ(draw(), first) << r.name;

        r.ruler->SetTexts("I [A]", {});
        EXPECT_NE(draw(), first) << r.name << ": title";
        r.ruler->SetTexts("U [V]", {});
        r.ruler->SetMode(r.log);
        EXPECT_NE(draw(), first) << r.name << ": logarithmic";
        r.ruler->SetMode(r.flags);
        EXPECT_NE(draw(3780, r.other), first) << r.name << ": size";
        const QImage fine = draw(23622);  // 600 dpi: longer ticks, larger labels
        EXPECT_GT(DarkPixels(fine, inside), DarkPixels(first, inside)) << r.name;
        EXPECT_EQ(draw(), first) << r.name;
    }
}

}  // namespace
}  // namespace qor::ui
