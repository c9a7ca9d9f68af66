// The publisher as a subscriber of a recording station on the simulated clock.
#include "plant/mqtt_link.h"
#include "station/station_rig.h"
#include "support/free_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace qor::plant {
namespace {

using station::testing::Rig;
using station::testing::Wire;

// A broker address that takes the connection and never answers: the recording keeps its
// second, sample for sample, and every cycle's values wait in the queue.
TEST(MqttCycle, SilentBrokerNeverSlowsTheRecording)
{
    int port = 0;
    const int silent = test::ListenLoopback(port);
    ASSERT_GE(silent, 0);

    Rig r(Wire::Tcp);
    r.bus.AddModule(0, 1).SetRawValues({7000, -1234, 251});
    r.bus.AddModule(1, 5).SetRawValues({1234, 500, 200});
    r.SearchAll();
    r.doc.SetRecordingInterval(0, 0, 1);
    MqttOptions o;
    o.port = port;
    o.station = "rig";
    o.drainMs = 100;
    MqttStationLink link(*r.station, o);
    const std::int64_t t0 = r.clock.Now();
    ASSERT_TRUE(r.station->StartRecording());
    r.Run(3600 * 1000);
    r.station->StopCommand();
    link.Stop();

    const auto& samples = r.doc.Samples();
    ASSERT_EQ(samples.size(), 3601u);
    EXPECT_EQ(samples.back().m_time, t0 + 3600);
    const MqttPublisher::Counts c = link.Publisher().GetCounts();
    EXPECT_EQ(c.queued, c.waiting);  // nothing went out, nothing was dropped
    EXPECT_GE(c.queued, 6u * 3600);  // two modules, three values, a cycle a second
    EXPECT_EQ(c.dropped, 0u);
    EXPECT_TRUE(data::test::Has(r.station->Logbook(),
                                std::to_string(c.waiting) + " Nachrichten beim Beenden nicht gesendet"));
    ::close(silent);
}

}  // namespace
}  // namespace qor::plant
