#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/fitted_digits.h"
#include "ui/station/led.h"
#include "ui/station/meter_geometry.h"
#include "ui_test_app.h"

#include <QImage>
#include <cmath>
#include <limits>
#include <tuple>

namespace qor::ui {
namespace {

// The dial's centre and radii from the client rectangle, and the needle's angle for a value.
TEST(MeterGeometry, FromClientRectangleAndNeedleAngle)
{
    struct Case {
        int left, top, right, bottom, cx, cy, R, r, half;
    } cases[] = {
        {0, 0, 200, 160, 100, 150, 120, 60, 3},  // the 160-pixel control
        {0, 0, 125, 100, 62, 94, 75, 37, 1},    {0, 0, 83, 61, 41, 58, 45, 22, 1},
        {0, 0, 40, 15, 20, 15, 11, 5, 0},       {10, 20, 210, 180, 110, 170, 120, 60, 3},
    };
    for (const Case& c : cases) {
        const MeterGeometry g = MeterGeometry::FromRect(c.left, c.top, c.right, c.bottom);
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top << " .. " << c.right << "," << c.bottom);
        EXPECT_EQ(std::tuple(g.centreX, g.centreY, g.outerRadius, g.innerRadius, g.NeedleHalfBase()),
                  std::tuple(c.cx, c.cy, c.R, c.r, c.half));
    }

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Angle {
        double value, min, max, angle;
    } angles[] = {
        {0.0, -5.0, 5.0, 90.0},                              // defaults: vertical
        {-5.0, -5.0, 5.0, 120.0},                            // minimum at the left end
        {5.0, -5.0, 5.0, 60.0},                              // maximum at the right end
        {7.0, -5.0, 5.0, 60.0},                              // beyond the range: held at the right end
        {-9.0, -5.0, 5.0, 120.0},                            // below: held at the left end
        {2.5, -5.0, 5.0, 75.0},    {7.0, -2.0, 16.0, 90.0},  // pH 7 on -2..16
        {100.0, 0.0, 200.0, 90.0}, {1.0, 0.0, 0.0, 120.0},   // empty range: at rest
        {nan, -5.0, 5.0, 120.0},   {inf, -5.0, 5.0, 60.0},
        {-inf, -5.0, 5.0, 120.0},  {2.0, 5.0, -5.0, 102.0},  // a backward range turns the scale round
    };
    for (const Angle& c : angles)
        EXPECT_NEAR(NeedleAngle(c.value, c.min, c.max), c.angle, 1e-9)
            << c.value << " on " << c.min << ".." << c.max;
}

// The texts of a meter, and its needle drawn where the angle says. Numbers that fit at no
// size are checked through the digital view.
TEST(Meter, TextsAndNeedle)
{
    C3DMeterCtrl meter;  // -5 .. 5
    meter.UpdateNeedle(7.0);
    EXPECT_EQ(meter.ValueText(), "7.000");  // the digits keep the value the needle cannot show
    EXPECT_DOUBLE_EQ(meter.CurrentNeedleAngle(), 60.0);

    meter.SetRange(-2000, 2000);
    meter.SetScaleDecimals(0);
    meter.SetValueDecimals(1);
    meter.UpdateNeedle(-123.44);
    EXPECT_EQ(meter.ValueText(), "-123.4");
    EXPECT_EQ(meter.MinText(), "-2000");
    EXPECT_EQ(meter.MaxText(), "2000");
    meter.SetValueDecimals(-4);  // nonsense decimals are held to the printable range
    EXPECT_EQ(meter.ValueText(), "-123");
    // A unit that fits at no size is narrowed, never turned into a mark as a number is.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(20);
    EXPECT_EQ(FitDigits(font, "µS/cm mS/cm µS/cm", 20, 6).text, "µS/cm mS/cm µS/cm");

    C3DMeterCtrl drawn;
    drawn.resize(200, 160);
    drawn.SetNeedleColor(0x0000FF);
    // Needle at the right end: red pixels right of the centre, none on the left half.
    drawn.UpdateNeedle(5.0);
    QImage img = drawn.grab().toImage();
    const MeterGeometry g = MeterGeometry::FromRect(0, 0, 200, 160);
    const MeterPoint tip = g.PointAt(60, 70);
    EXPECT_GT(img.pixelColor(tip.x, tip.y).red(), 180);
    EXPECT_LT(img.pixelColor(tip.x, tip.y).green(), 90);
    const MeterPoint mirror = g.PointAt(120, 70);
    EXPECT_LT(img.pixelColor(mirror.x, mirror.y).red() - img.pixelColor(mirror.x, mirror.y).green(), 60);

    drawn.UpdateNeedle(-5.0);
    img = drawn.grab().toImage();
    EXPECT_GT(img.pixelColor(mirror.x, mirror.y).red(), 180);
    EXPECT_LT(img.pixelColor(mirror.x, mirror.y).green(), 90);
}

// The lamp's picture is a cell of the strip: the lit green one drawn centred, the corners
// transparent; a colour or state out of range takes the nearest cell, never one beyond.
TEST(Led, CellOfTheStrip)
{
    CLed led;
    led.SetLed(200, 9, CLed::LED_SQUARE);
    EXPECT_EQ(led.Cell(), QRect(32, 112, 16, 16));

    led.resize(30, 20);
    led.SetLed(CLed::LED_COLOR_GREEN, CLed::LED_ON, CLed::LED_SQUARE);
    QImage img(30, 20, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    led.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor centre = img.pixelColor(15, 10);
    EXPECT_GT(centre.green(), 150);
    EXPECT_LT(centre.red(), 150);
    EXPECT_EQ(img.pixelColor(1, 1).alpha(), 0);
}

}  // namespace
}  // namespace qor::ui
