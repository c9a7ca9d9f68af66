#pragma once

#include "data/sample_listener.h"
#include "plant/mqtt_messages.h"
#include "station/measurement.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

struct mosquitto;

namespace qor::plant {

struct MqttOptions {
    std::string host = "127.0.0.1";
    int port = 1883;
    std::string station;  // topic level; never empty here
    std::string prefix = "qor";
    std::string user;  // empty: no credentials
    std::string password;
    bool tls = false;
    std::string tlsCa;  // given: TLS, the broker checked against this CA (else the system's)
    int keepAliveS = 30;
    // Messages held while the broker is away; past it the oldest are dropped and counted.
    std::size_t maxQueued = 100000;
    // Longest wait at a clean end for what is queued to reach a connected broker.
    int drainMs = 10000;
};

// Publishes each poll cycle's values to an MQTT broker, QoS 1, and the station's status
// (retained "online", "offline" at a clean end and as the last will).
//
// A cycle is held until it is known whether the recording stores it: a sample stored of it
// sends its values stamped with the sample's time ("stored": true), and so does a sample
// stored with no recent cycle (all null); a cycle no sample took goes out with its own time
// ("stored": false) when the next one ends.
//
// OnMeasurement runs on the cycle's thread and only queues; a worker thread owns the
// connection, sends in order while the broker takes them and reconnects when it is away.
// What libmosquitto holds unacknowledged it sends again after a reconnect. Outages are
// written to the logbook on the cycle's thread, one line each, when the broker is back (or
// at Stop).
class MqttPublisher final : public station::MeasurementListener, public data::SampleListener {
public:
    using LogbookFn = std::function<void(const std::string&)>;
    using VirtualFn = std::function<VirtualValues(const station::Measurement&)>;
    // The logbook's language when a line is written (0 German, 1 English): the user may switch
    // it while the link runs.
    using LanguageFn = std::function<int()>;

    MqttPublisher(MqttOptions options, LanguageFn language, LogbookFn logbook, VirtualFn virtuals = {});
    ~MqttPublisher() override;
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void OnMeasurement(const station::Measurement& m) override;
    void OnSampleStored(const data::CQORDoc& doc, std::size_t index) override;
    // An alarm transition: the JSON line goes to PREFIX/STATION/alarm, QoS 1, at once.
    void PublishAlarm(const std::string& jsonLine);
    // The clean end: what is queued goes out while the broker takes it (up to drainMs), then
    // "offline"; an outage still open and what stayed unsent are logged. Idempotent.
    void Stop();

    struct Counts {
        std::uint64_t queued = 0;   // handed to the queue
        std::uint64_t acked = 0;    // acknowledged by the broker
        std::uint64_t dropped = 0;  // dropped past the bound
        std::size_t waiting = 0;    // in the queue now
        bool connected = false;
        std::uint64_t failures = 0;  // connections lost or refused
    };
    Counts GetCounts() const;

private:
    void Enqueue(MqttMessage message);
    void Send(const station::Measurement& m, std::int64_t t, bool stored);
    // The held cycle, unless a sample took it, goes out with its own time.
    void Release();
    void Run();
    void Feed(mosquitto* mosq);
    void NoteOutage(std::int64_t now);
    std::string Clock(std::int64_t t) const;
    int Language() const;

    // libmosquitto's callbacks (worker thread).
    static void OnConnect(mosquitto* mosq, void* self, int rc);
    static void OnDisconnect(mosquitto* mosq, void* self, int rc);
    static void OnPublish(mosquitto* mosq, void* self, int mid);

    const MqttOptions m_options;
    const LanguageFn m_language;
    const std::string m_base;
    LogbookFn m_logbook;
    VirtualFn m_virtuals;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<MqttMessage> m_queue;
    std::set<int> m_inflight;  // message ids libmosquitto holds for us (worker only)
    std::uint64_t m_queued = 0, m_acked = 0, m_dropped = 0;
    bool m_stopping = false;
    bool m_statusAcked = false;
    int m_statusMid = -1;

    std::atomic<bool> m_connected{false};
    std::atomic<std::uint64_t> m_failures{0};  // lost connections and failed attempts
    std::thread m_worker;

    // The last cycle, and whether a sample took it: cycle thread only.
    std::optional<station::Measurement> m_held;
    bool m_heldStored = false;

    // Outage bookkeeping: cycle thread only.
    std::uint64_t m_seenFailures = 0;
    bool m_outage = false;
    std::int64_t m_outageStart = 0;
    std::uint64_t m_queuedAtStart = 0, m_droppedAtStart = 0;
    std::int64_t m_lastTime = 0;
    bool m_stopped = false;
};

}  // namespace qor::plant
