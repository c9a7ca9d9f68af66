#include "plant/mqtt_publisher.h"

#include "common/text.h"
#include "data/local_time.h"
#include "data/qor_doc.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mosquitto.h>
#include <pthread.h>
#include <unistd.h>

namespace qor::plant {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Messages handed to libmosquitto and not yet acknowledged; the rest wait in our queue, so
// the bound on it is the bound on what is held.
constexpr std::size_t kWindow = 200;
constexpr int kLoopMs = 50;
constexpr int kFirstRetryMs = 250;
constexpr int kLastRetryMs = 2000;
constexpr int kOfflineWaitMs = 2000;

void InitLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

// Bit for bit, so that the NaN of "no value" matches itself.
bool SameValues(const data::CDatenObject& a, const data::CDatenObject& b)
{
    return std::memcmp(a.m_value.data(), b.m_value.data(), sizeof a.m_value) == 0 &&
           std::memcmp(a.m_value2.data(), b.m_value2.data(), sizeof a.m_value2) == 0 &&
           std::memcmp(a.m_temperature.data(), b.m_temperature.data(), sizeof a.m_temperature) == 0;
}

}  // namespace

MqttPublisher::MqttPublisher(MqttOptions options, LanguageFn language, LogbookFn logbook, VirtualFn virtuals)
    : m_options(std::move(options)), m_language(std::move(language)),
      m_base(m_options.prefix + "/" + m_options.station), m_logbook(std::move(logbook)),
      m_virtuals(std::move(virtuals))
{
    InitLibrary();
    m_worker = std::thread([this] { Run(); });
}

int MqttPublisher::Language() const
{
    return m_language && m_language() == 1 ? 1 : 0;
}

MqttPublisher::~MqttPublisher()
{
    Stop();
}

MqttPublisher::Counts MqttPublisher::GetCounts() const
{
    std::lock_guard lock(m_mutex);
    return Counts{m_queued,           m_acked,          m_dropped, m_queue.size() + m_inflight.size(),
                  m_connected.load(), m_failures.load()};
}

void MqttPublisher::Enqueue(MqttMessage message)
{
    // Caller holds m_mutex.
    if (m_queue.size() >= std::max<std::size_t>(m_options.maxQueued, 1)) {
        m_queue.pop_front();
        ++m_dropped;
    }
    m_queue.push_back(std::move(message));
    ++m_queued;
}

void MqttPublisher::Send(const station::Measurement& m, std::int64_t t, bool stored)
{
    std::vector<MqttMessage> messages =
        CycleMessages(m, m_base, t, stored, m_virtuals ? m_virtuals(m) : VirtualValues{});
    {
        std::lock_guard lock(m_mutex);
        for (MqttMessage& msg : messages)
            Enqueue(std::move(msg));
    }
    m_wake.notify_one();
}

void MqttPublisher::Release()
{
    if (m_held && !m_heldStored)
        Send(*m_held, m_held->time, false);
    m_held.reset();
}

void MqttPublisher::OnMeasurement(const station::Measurement& m)
{
    if (m_stopped)
        return;
    m_lastTime = m.time;
    NoteOutage(m.time);
    // Samples are taken of the last cycle only: the one before is no sample's any more.
    Release();
    m_held = m;
    m_heldStored = false;
}

void MqttPublisher::OnSampleStored(const data::CQORDoc& doc, std::size_t index)
{
    if (m_stopped || !m_held)
        return;
    const data::CDatenObject& sample = doc.Samples()[index];
    station::Measurement m = *m_held;
    const bool took = SameValues(station::ToSample(m, sample.m_time), sample);
    if (!took) {
        // A sample with no recent cycle behind it holds no value: its modules go out as null.
        for (station::ModuleReading& r : m.modules)
            if (r.state != station::Reading::Absent) {
                r.state = station::Reading::Missed;
                r.values.fill(station::ModuleReading::kNone);
            }
        if (!SameValues(station::ToSample(m, sample.m_time), sample))
            return;
    }
    m_heldStored = m_heldStored || took;
    Send(m, sample.m_time, true);
}

void MqttPublisher::PublishAlarm(const std::string& jsonLine)
{
    if (m_stopped)
        return;
    {
        std::lock_guard lock(m_mutex);
        Enqueue({m_base + "/alarm", jsonLine});
    }
    m_wake.notify_one();
}

std::string MqttPublisher::Clock(std::int64_t t) const
{
    const data::LocalTm tm = data::ToLocal(t);
    return Format("%02d.%02d.%04d %02d:%02d:%02d", tm.day, tm.month, tm.year, tm.hour, tm.minute, tm.second);
}

void MqttPublisher::NoteOutage(std::int64_t now)
{
    const std::uint64_t failures = m_failures.load();
    const bool failed = failures != m_seenFailures;
    m_seenFailures = failures;
    if (failed && !m_outage) {
        m_outage = true;
        m_outageStart = now;
        std::lock_guard lock(m_mutex);
        m_queuedAtStart = m_queued;
        m_droppedAtStart = m_dropped;
    }
    if (!m_outage || !m_connected.load() || !m_logbook)
        return;
    m_outage = false;
    std::uint64_t queued, dropped;
    {
        std::lock_guard lock(m_mutex);
        queued = m_queued - m_queuedAtStart;
        dropped = m_dropped - m_droppedAtStart;
    }
    m_logbook(Format(TextPair{"MQTT-Broker %s:%d nicht erreichbar von %s bis %s: %llu Nachrichten gepuffert "
                              "und nachgesendet, %llu verworfen (Puffer %zu Nachrichten)",
                              "MQTT broker %s:%d unreachable from %s to %s: %llu messages held and sent "
                              "after, %llu dropped (queue of %zu messages)"}[Language()],
                     m_options.host.c_str(), m_options.port, Clock(m_outageStart).c_str(), Clock(now).c_str(),
                     static_cast<unsigned long long>(queued - std::min(queued, dropped)),
                     static_cast<unsigned long long>(dropped), m_options.maxQueued));
}

void MqttPublisher::Stop()
{
    if (m_stopped)
        return;
    Release();
    m_stopped = true;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_worker.joinable())
        m_worker.join();
    NoteOutage(m_lastTime);
    if (!m_logbook)
        return;
    std::size_t unsent;
    std::uint64_t dropped;
    {
        std::lock_guard lock(m_mutex);
        unsent = m_queue.size() + m_inflight.size();
        dropped = m_dropped - (m_outage ? m_droppedAtStart : m_dropped);
    }
    if (m_outage)
        m_logbook(
            Format(TextPair{"MQTT-Broker %s:%d nicht erreichbar von %s bis zum Ende: %zu Nachrichten nicht "
                            "gesendet, %llu verworfen (Puffer %zu Nachrichten)",
                            "MQTT broker %s:%d unreachable from %s to the end: %zu messages not sent, "
                            "%llu dropped (queue of %zu messages)"}[Language()],
                   m_options.host.c_str(), m_options.port, Clock(m_outageStart).c_str(), unsent,
                   static_cast<unsigned long long>(dropped), m_options.maxQueued));
    else if (unsent > 0)
        m_logbook(Format(TextPair{"MQTT: %zu Nachrichten beim Beenden nicht gesendet",
                                  "MQTT: %zu messages not sent at the end"}[Language()],
                         unsent));
}

void MqttPublisher::OnConnect(mosquitto* mosq, void* self, int rc)
{
    auto* p = static_cast<MqttPublisher*>(self);
    if (rc != 0)
        return;  // refused: the broker closes, the worker tries again
    const std::string topic = p->m_base + "/status";
    mosquitto_publish(mosq, nullptr, topic.c_str(), 6, "online", 1, true);
    p->m_connected = true;
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int rc)
{
    auto* p = static_cast<MqttPublisher*>(self);
    // rc 0: our own clean end, no outage.
    if (p->m_connected.exchange(false) && rc != 0)
        ++p->m_failures;
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid)
{
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard lock(p->m_mutex);
    if (p->m_inflight.erase(mid))
        ++p->m_acked;
    if (mid == p->m_statusMid)
        p->m_statusAcked = true;
}

void MqttPublisher::Feed(mosquitto* mosq)
{
    for (;;) {
        MqttMessage msg;
        {
            std::lock_guard lock(m_mutex);
            if (!m_connected || m_queue.empty() || m_inflight.size() >= kWindow)
                return;
            msg = std::move(m_queue.front());
            m_queue.pop_front();
        }
        int mid = 0;
        const int rc = mosquitto_publish(mosq, &mid, msg.topic.c_str(), static_cast<int>(msg.payload.size()),
                                         msg.payload.data(), 1, false);
        std::lock_guard lock(m_mutex);
        if (rc == MOSQ_ERR_SUCCESS) {
            m_inflight.insert(mid);
        } else if (rc == MOSQ_ERR_INVAL || rc == MOSQ_ERR_PAYLOAD_SIZE || rc == MOSQ_ERR_MALFORMED_UTF8) {
            ++m_dropped;  // never publishable: holding it would stop the queue for good
        } else {
            m_queue.push_front(std::move(msg));
            return;
        }
    }
}

void MqttPublisher::Run()
{
    // TLS writes (OpenSSL) to a broker that went away raise SIGPIPE, which would end the whole
    // program; blocked in the one thread that writes to the broker, the write just fails.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    const std::string clientId = "qor-" + m_options.station + "-" + std::to_string(::getpid());
    mosquitto* mosq = mosquitto_new(clientId.c_str(), true, this);
    if (!mosq) {
        ++m_failures;
        return;
    }
    mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    const std::string status = m_base + "/status";
    mosquitto_will_set(mosq, status.c_str(), 7, "offline", 1, true);
    if (!m_options.user.empty())
        mosquitto_username_pw_set(mosq, m_options.user.c_str(), m_options.password.c_str());
    if (m_options.tls || !m_options.tlsCa.empty()) {
        const bool own = !m_options.tlsCa.empty();
        mosquitto_tls_set(mosq, own ? m_options.tlsCa.c_str() : nullptr, own ? nullptr : "/etc/ssl/certs",
                          nullptr, nullptr, nullptr);
    }
    mosquitto_connect_callback_set(mosq, OnConnect);
    mosquitto_disconnect_callback_set(mosq, OnDisconnect);
    mosquitto_publish_callback_set(mosq, OnPublish);

    bool attempted = false, socketUp = false, offlineSent = false;
    int retryMs = kFirstRetryMs;
    auto nextTry = SteadyClock::now();
    auto connectStart = nextTry;
    std::optional<SteadyClock::time_point> drainUntil, offlineUntil;
    const auto lost = [&] {
        m_connected = false;
        socketUp = false;
        ++m_failures;
        nextTry = SteadyClock::now() + std::chrono::milliseconds(retryMs);
        retryMs = std::min(retryMs * 2, kLastRetryMs);
    };
    for (;;) {
        const auto now = SteadyClock::now();
        bool stopping;
        {
            std::lock_guard lock(m_mutex);
            stopping = m_stopping;
        }
        if (stopping) {
            if (!drainUntil)
                drainUntil = now + std::chrono::milliseconds(m_options.drainMs);
            // A broker that is away at the end is not waited for.
            if (!m_connected && (m_failures.load() > 0 || now >= *drainUntil))
                break;
            bool drained;
            {
                std::lock_guard lock(m_mutex);
                drained = m_queue.empty() && m_inflight.empty();
            }
            if (m_connected && !offlineSent && (drained || now >= *drainUntil)) {
                std::lock_guard lock(m_mutex);
                mosquitto_publish(mosq, &m_statusMid, status.c_str(), 7, "offline", 1, true);
                offlineSent = true;
                offlineUntil = now + std::chrono::milliseconds(kOfflineWaitMs);
            }
            if (offlineSent) {
                bool acked;
                {
                    std::lock_guard lock(m_mutex);
                    acked = m_statusAcked;
                }
                if (acked || now >= *offlineUntil) {
                    mosquitto_disconnect(mosq);
                    mosquitto_loop(mosq, kLoopMs, 1);
                    break;
                }
            }
        }
        if (!socketUp) {
            if (now >= nextTry) {
                const int rc = attempted ? mosquitto_reconnect_async(mosq)
                                         : mosquitto_connect_async(mosq, m_options.host.c_str(),
                                                                   m_options.port, m_options.keepAliveS);
                attempted = true;
                connectStart = now;
                if (rc == MOSQ_ERR_SUCCESS)
                    socketUp = true;
                else
                    lost();
            }
            if (!socketUp) {
                std::unique_lock lock(m_mutex);
                m_wake.wait_until(lock, nextTry, [&] { return m_stopping && !stopping; });
                continue;
            }
        }
        if (m_connected) {
            retryMs = kFirstRetryMs;
        } else if (now - connectStart > std::chrono::seconds(m_options.keepAliveS)) {
            // A broker that takes the connection and never answers it.
            lost();
            continue;
        }
        Feed(mosq);
        if (mosquitto_loop(mosq, kLoopMs, 1) != MOSQ_ERR_SUCCESS)
            lost();
    }
    m_connected = false;
    mosquitto_destroy(mosq);
}

}  // namespace qor::plant
