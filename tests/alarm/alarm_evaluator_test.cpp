// The alarms' life cycle on the simulated clock: one poll cycle a second.
#include "alarm/alarm_evaluator.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qor::alarm {
namespace {

constexpr double X = std::numeric_limits<double>::quiet_NaN();  // missed

// Runs `values` of S0.1 (NaN: the module missed the poll), one cycle a second from time 1000,
// and lists the transitions as "cycle source kind event".
std::vector<std::string> RunCycles(const AlarmSettings& s, const std::vector<double>& values)
{
    AlarmEvaluator e;
    e.Configure(s);
    std::vector<std::string> got;
    for (std::size_t i = 0; i < values.size(); ++i) {
        station::Measurement m;
        m.tickMs = static_cast<std::int64_t>(i) * 1000;
        m.time = 1000 + static_cast<std::int64_t>(i);
        m.modules[0].type = 1;
        m.modules[0].state = std::isnan(values[i]) ? station::Reading::Missed : station::Reading::Measured;
        station::ShownValues shown;
        for (auto& v : shown.values)
            v.fill(X);
        shown.virtualChannels.fill(X);
        shown.values[0][0] = values[i];
        for (const AlarmTransition& t : e.Evaluate(m, shown))
            got.push_back(std::to_string(i) + " " + t.source + " " + KindText(t.kind) + " " +
                          EventText(t.event));
    }
    return got;
}

AlarmSettings One(std::optional<double> high, std::optional<double> low, double deadband = 0, double on = 0,
                  double off = 0, int commLoss = 0)
{
    AlarmSettings s;
    s.commLoss = commLoss;
    AlarmDefinition d;
    d.high = high;
    d.low = low;
    d.deadband = deadband;
    d.onDelay = on;
    d.offDelay = off;
    s.alarms.push_back(d);
    return s;
}

TEST(AlarmEvaluator, LimitsDeadbandDelaysMissesAndCommunication)
{
    struct Case {
        const char* what;
        AlarmSettings settings;
        std::vector<double> values;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"swinging across the limit by less than the deadband raises once and never clears",
         One(7.2, {}, 0.1),
         {7.1, 7.25, 7.15, 7.25, 7.11, 7.3, 7.15},
         {"1 S0.1 high raised"}},
        {"back past the limit by the deadband clears",
         One(7.2, {}, 0.1),
         {7.25, 7.15, 7.05},
         {"0 S0.1 high raised", "2 S0.1 high cleared"}},
        {"a dip shorter than the on-delay raises nothing; a longer one once, delay seconds after it began",
         One({}, 6.0, 0, 5),
         {6.5, 5.0, 5.0, 5.0, 6.5, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 5.0, 6.5},
         {"10 S0.1 low raised", "12 S0.1 low cleared"}},
        {"the off-delay: a return shorter than it clears nothing",
         One(7.2, {}, 0, 0, 3),
         {8, 7, 7, 8, 7, 7, 7, 7},
         {"0 S0.1 high raised", "7 S0.1 high cleared"}},
        {"high and low on one source",
         One(7.2, 6.0),
         {6.5, 5.9, 6.5, 7.3, 6.5},
         {"1 S0.1 low raised", "2 S0.1 low cleared", "3 S0.1 high raised", "4 S0.1 high cleared"}},
        {"missed values neither raise nor clear; the on-delay goes on over them",
         One(7.2, {}, 0, 2),
         {8, X, X, 8, X, 6, X},
         {"3 S0.1 high raised", "5 S0.1 high cleared"}},
        {"the communication alarm after N misses, cleared by the next answer",
         One(7.2, {}, 0, 0, 0, 3),
         {7, X, X, X, X, 7, X, X, 7},
         {"3 S0 comm raised", "5 S0 comm cleared"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunCycles(c.settings, c.values), c.expected) << c.what;
}

TEST(AlarmEvaluator, LifeCycleAcknowledgeAndShelving)
{
    AlarmEvaluator e;
    e.Configure(One(7.2, {}));
    station::ShownValues shown{};
    std::int64_t tick = 0;
    auto cycle = [&](double v) {
        station::Measurement m;
        m.modules[0].type = 1;
        m.modules[0].state = station::Reading::Measured;
        m.tickMs = tick;
        m.time = tick / 1000;
        tick += 1000;
        shown.values[0][0] = v;
        std::string events;
        for (const AlarmTransition& t : e.Evaluate(m, shown))
            events += std::string(EventText(t.event)) + " ";
        return events;
    };
    const AlarmPoint& p = e.Points()[0];
    EXPECT_EQ(cycle(8), "raised ");
    EXPECT_EQ(p.state, AlarmState::ActiveUnacked);
    EXPECT_EQ(e.Unacknowledged(), 1);
    EXPECT_EQ(e.SourceState(false, 0, 1), AlarmState::ActiveUnacked);
    ASSERT_EQ(e.Acknowledge(0, 1).size(), 1u);
    EXPECT_EQ(p.state, AlarmState::ActiveAcked);
    EXPECT_EQ(e.SourceState(false, 0, 1), AlarmState::ActiveAcked);
    EXPECT_TRUE(e.Acknowledge(0, 1).empty()) << "nothing left to acknowledge";
    EXPECT_EQ(cycle(7), "cleared ");
    EXPECT_EQ(p.state, AlarmState::Normal);
    // Cleared while unacknowledged: it stays to be acknowledged.
    EXPECT_EQ(cycle(8), "raised ");
    EXPECT_EQ(cycle(7), "cleared ");
    EXPECT_EQ(p.state, AlarmState::ClearedUnacked);
    EXPECT_EQ(e.Unacknowledged(), 1);
    EXPECT_EQ(e.AcknowledgeAll(5).size(), 1u);
    EXPECT_EQ(p.state, AlarmState::Normal);
    // Shelved for 3 s while active: silent, then back by itself and raised again.
    EXPECT_EQ(cycle(8), "raised ");
    ASSERT_EQ(e.Shelve(0, 3, 6, tick).size(), 1u);
    EXPECT_EQ(e.Unacknowledged(), 0);
    EXPECT_EQ(cycle(7), "");
    EXPECT_EQ(cycle(8), "");
    EXPECT_EQ(cycle(8), "");
    EXPECT_EQ(cycle(8), "unshelved raised ");
    EXPECT_EQ(p.state, AlarmState::ActiveUnacked);
    // Shelved and back while normal: no alarm comes back.
    e.Shelve(0, 1, 10, tick);
    EXPECT_EQ(cycle(7), "") << "cleared while shelved: nothing to tell";
    EXPECT_EQ(cycle(7), "unshelved ");
    EXPECT_EQ(p.state, AlarmState::Normal);
}

}  // namespace
}  // namespace qor::alarm
