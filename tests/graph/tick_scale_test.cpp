#include "graph/ruler_labels.h"
#include "graph/tick_scale.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

using namespace qor::graph;

TEST(ScaleMapping, PixelAndEmptyRange)
{
    const ScaleMapping m(0, 200, 0, 100), up(300, 100, -1, 1), flat(7, 7, 0, 100);  // up: vertical
    EXPECT_EQ(std::tuple(m.Slope(), m.Pixel(50), up.Pixel(1), up.Pixel(0)),
              std::tuple(0.5, 100.0, 100.0, 200.0));
    EXPECT_EQ(std::tuple(flat.Slope(), flat.Pixel(42)), std::tuple(0.0, 7.0));
}

TEST(TickScale, Table)
{
    const struct {
        const char* name;
        double r0, r1;
        int count;
        int exponent;
        std::vector<double> values;
    } cases[] = {
        // The sixth running value 0.2f*5 lies just above 1 and is dropped.
        {"0..100 five labels", 0, 100, 5, 2, {0, 20, 40, 60, 80}},
        // |a-b| = 0.1 < 0.2: one decade down, a = 10, b = 11; step 0.2f.
        {"1.0..1.1", 1.0, 1.1, 5, -1, {1.0, 1.02, 1.04, 1.06, 1.08}},
        // Runs downward from the start; 5 * 0.2f lies above 1, so the first tick is 80.
        {"backward 100..0", 100, 0, 5, 2, {80, 60, 40, 20, 0}},
        {"negative -50..50", -50, 50, 5, 1, {-40, -20, 0, 20, 40}},
        // Below 1 the decade rounds away from zero: 0.5 is 5 of the decade -1.
        {"0..0.5 below one", 0, 0.5, 5, -1, {0, 0.1, 0.2, 0.3, 0.4, 0.5}},
        {"log decades 0..3", 0, 3, 6, 0, {0, 0.5, 1, 1.5, 2, 2.5, 3}},
        {"0..1000 ten labels", 0, 1000, 10, 3, {0, 100, 200, 300, 400, 500, 600, 700, 800, 900}},
        // No count: a tenth step; 0.1f * 10 overshoots 1 and is dropped.
        {"0..1 no count", 0, 1, 0, 0, {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9}},
        {"equal ends: count ticks at the start", 7.5, 7.5, 4, 0, {7.5, 7.5, 7.5, 7.5}},
    };
    for (const auto& c : cases) {
        const ScaleMapping m(10, 510, c.r0, c.r1);
        const TickScale t = TickScale::Compute(m, c.count);
        EXPECT_EQ(t.exponent, c.exponent) << c.name;
        ASSERT_EQ(t.values.size(), c.values.size()) << c.name;
        ASSERT_EQ(t.pixels.size(), c.values.size()) << c.name;
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            EXPECT_NEAR(t.values[i], c.values[i], 1e-6 * std::max(1.0, std::fabs(c.values[i])))
                << c.name << " #" << i;
            EXPECT_NEAR(t.pixels[i], m.Pixel(t.values[i]), 1e-6) << c.name << " #" << i;
        }
    }
}

TEST(TickScale, DegenerateInputsGiveNoTicks)
{
    // Guards the rescaling loop against ranges it could never widen.
    EXPECT_TRUE(TickScale::Compute(ScaleMapping(0, 100, 0, NAN), 5).values.empty());
    EXPECT_TRUE(TickScale::Compute(ScaleMapping(0, 100, 0, INFINITY), 5).values.empty());
    EXPECT_TRUE(TickScale::Compute(ScaleMapping(0, 100, 0, 5e-324), 5).values.size() < 1000);
    EXPECT_TRUE(TickScale::Compute(ScaleMapping(0, 100, -1e308, 1e308), 5).values.size() < 1000);
}

TEST(RulerLabels, LinearLabelsAndCount)
{
    EXPECT_EQ(LinearLabel(20.000000298, 2), "0.2");
    EXPECT_EQ(LinearLabel(-0.0, 0), "0.0");
    EXPECT_EQ(LinearLabel(1.04, -1), "10.4");
    EXPECT_EQ(LabelCount(100, 10, 30), 3);  // 90/30 exactly
    EXPECT_EQ(LabelCount(101, 10, 30), 4);  // rounded up
    EXPECT_EQ(LabelCount(5, 10, 30), 0);
    EXPECT_EQ(LabelCount(100, 0, 0), 0);
    EXPECT_EQ(InchesToPixels(1.0 / 30, 96), 3);
    EXPECT_EQ(InchesToPixels(1.0 / 42, 20), 1);  // below one pixel becomes 1
    EXPECT_EQ(InchesToPixels(1.0 / 6, 600), 100);
}

TEST(RulerLabels, LogarithmicLabels)
{
    // A power of ten as "10^exponent", a plain number as itself, an unlabelled tick as "-".
    const struct {
        const char* name;
        std::vector<double> decades;
        std::vector<std::string> labels;
    } cases[] = {
        {"whole decades only",
         TickScale::Compute(ScaleMapping(0, 300, 0, 3), 6).scaled,
         {"10^+0", "-", "10^+1", "-", "10^+2", "-", "10^+3"}},
        {"a narrow span labels every tick", {0.0, 0.5, 1.0}, {"1.0", "3.2", "10.0"}},
        // Regression: summed steps give 2.9999999; that is the decade 3, not an unlabelled tick.
        {"decade reached from below", {-1.0, 0.9999999, 2.9999999}, {"10^-1", "10^+1", "10^+3"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const LogLabel& l : LogLabels(c.decades))
            got.push_back(!l.major ? "-" : l.power ? "10^" + l.text : l.text);
        EXPECT_EQ(got, c.labels) << c.name;
    }
}

TEST(RulerLabels, TimeLabels)
{
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(ElapsedLabel(1000, 1000), "0:00:00");
    EXPECT_EQ(ElapsedLabel(1000, 1000 + 3661), "1:01:01");
    EXPECT_EQ(ElapsedLabel(0, 30 * 3600 + 5), "30:00:05");  // hours run past 24
    const DateTimeLabel l = AbsoluteLabel(1700000000);      // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(l.date, "14.11.23");
    EXPECT_EQ(l.time, "22:13:20");
    // Stamps of a corrupt file: no overflow, the differences held at the limits.
    constexpr std::int64_t lo = INT64_MIN, hi = INT64_MAX;
    EXPECT_EQ(ElapsedLabel(lo, hi), "2562047788015215:30:07");
    EXPECT_EQ(ElapsedLabel(hi, lo), "-2562047788015215:30:08");
    EXPECT_EQ(AbsoluteLabel(hi).date + " " + AbsoluteLabel(lo).date, "30.12.99 02.01.01");
}

TEST(RulerLabels, TimeAxisTicksFallOnWholeSamplesWithDistinctLabelsThatFit)
{
    setenv("TZ", "UTC", 1);
    tzset();
    const std::int64_t nine = 1709283600;  // 01.03.24 09:00:00 UTC
    // Every character 7 pixels wide: "09:00:00" is 56, labels at least 4 apart.
    const TimeLabelRoom wide{0, 1000, 4, [](const std::string& s) { return 7.0 * s.size(); }};
    const TimeLabelRoom narrow{0, 200, 4, wide.width};
    const struct {
        const char* name;
        std::size_t samples;
        std::int64_t interval;  // seconds per sample; 0: a whole minute per 60 samples
        double r0, r1;
        bool absolute;
        const TimeLabelRoom& room;
        double step;         // in samples
        const char* labels;  // time of day (or elapsed) of the labelled ticks; empty: not checked
    } cases[] = {
        {"one sample", 1, 1, -0.5, 0.5, true, wide, 1, "09:00:00"},
        {"one sample, default section", 1, 1, 0, 500, true, wide, 50, "09:00:00"},
        // The labels at both ends are moved inward, not dropped.
        {"plot at the ruler's ends", 5, 1, 0, 4, true, wide, 1,
         "09:00:00 09:00:01 09:00:02 09:00:03 09:00:04"},
        {"five samples at 1 s", 5, 1, 0, 4, true, wide, 1, "09:00:00 09:00:01 09:00:02 09:00:03 09:00:04"},
        {"five samples, elapsed", 5, 1, 0, 4, false, wide, 1, "0:00:00 0:00:01 0:00:02 0:00:03 0:00:04"},
        {"forty samples at 1 s", 40, 1, 0, 39, true, wide, 5,
         "09:00:00 09:00:05 09:00:10 09:00:15 09:00:20 09:00:25 09:00:30 09:00:35"},
        {"forty samples, cramped ruler", 40, 1, 0, 39, true, narrow, 20, "09:00:00 09:00:20"},
        {"forty samples 10 minutes apart", 40, 600, 0, 39, true, wide, 5,
         "09:00:00 09:50:00 10:40:00 11:30:00 12:20:00 13:10:00 14:00:00 14:50:00"},
        {"backward range", 5, 1, 4, 0, true, wide, 1, "09:00:04 09:00:03 09:00:02 09:00:01 09:00:00"},
        // Minute time stamps at one sample a second: the step widens past the repeats.
        {"repeated time stamps", 120, 0, 0, 119, true, wide, 100, "09:00:00 09:01:00"},
        {"a week at 1 s", 604800, 1, 0, 604799, true, wide, 50000, ""},
        {"no samples", 0, 1, 0, 500, true, wide, 0, ""},
    };
    for (const auto& c : cases) {
        auto timeOf = [&](std::size_t i) {
            EXPECT_LT(i, c.samples) << c.name;
            return c.interval ? nine + static_cast<std::int64_t>(i) * c.interval
                              : nine + static_cast<std::int64_t>(i / 60) * 60;
        };
        // The plot is inset, as between the rulers of a graph window.
        const double inset = c.name == std::string("plot at the ruler's ends") ? 0 : 40;
        const ScaleMapping map(c.room.left + inset, c.room.right - inset, c.r0, c.r1);
        const TimeAxisTicks t = TimeTicks(map, 15, c.samples, timeOf, c.absolute, c.room);
        EXPECT_EQ(t.step, c.step) << c.name;
        if (c.samples == 0) {
            EXPECT_TRUE(t.ticks.empty()) << c.name;
            continue;
        }
        std::vector<std::string> labels;
        const TimeTick* prev = nullptr;
        for (const TimeTick& tick : t.ticks) {
            EXPECT_EQ(tick.value, std::round(tick.value)) << c.name;
            EXPECT_DOUBLE_EQ(tick.pixel, map.Pixel(tick.value)) << c.name;
            if (tick.line1.empty())
                continue;
            const double w = std::max(c.room.width(tick.line1), c.room.width(tick.line2));
            const double x = tick.labelCentre;
            EXPECT_LE(std::fabs(x - tick.pixel), w / 2 + 0.5) << c.name;
            EXPECT_GE(x - w / 2, c.room.left) << c.name;
            EXPECT_LE(x + w / 2, c.room.right) << c.name;
            if (prev) {
                EXPECT_NE(tick.line1 + tick.line2, prev->line1 + prev->line2) << c.name;
                const double w0 = std::max(c.room.width(prev->line1), c.room.width(prev->line2));
                EXPECT_GE(std::fabs(x - prev->labelCentre), (w + w0) / 2 + c.room.space) << c.name;
            }
            prev = &tick;
            labels.push_back(c.absolute ? tick.line2 : tick.line1);
            if (c.absolute) {
                EXPECT_EQ(tick.line1, AbsoluteLabel(timeOf(static_cast<std::size_t>(tick.value))).date);
            }
        }
        std::string joined;
        for (const std::string& l : labels)
            joined += (joined.empty() ? "" : " ") + l;
        if (*c.labels)
            EXPECT_EQ(joined, c.labels) << c.name;
        else
            EXPECT_GE(labels.size(), 5u) << c.name;
    }
}
