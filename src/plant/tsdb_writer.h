#pragma once

#include "data/journal.h"
#include "plant/tsdb_http.h"
#include "plant/tsdb_lines.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace qor::plant {

// Where a recording's samples go in a time-series database.
struct TsdbOptions {
    std::string url;      // the write endpoint, "http://HOST:PORT/write"
    std::string station;  // the station tag
    // The watermark file (TsdbWatermark); empty: what was acknowledged is known in memory only.
    std::string watermarkPath;
    data::RecordingId recording{};
    int timeoutMs = 10000;  // one request, from connecting to the answer
    bool gzip = true;
    // Samples held in memory for the database (about 240 bytes each); the later ones wait in
    // the recording until these are acknowledged.
    std::size_t maxQueued = 10000;
};

// What the writer has to tell the logbook; collected on its thread, taken on the recording's.
struct TsdbEvent {
    enum class Kind {
        Away,           // the database stopped acknowledging (once per outage)
        WatermarkLost,  // the watermark file cannot be written (once until it can again)
    };
    Kind kind;
    std::string reason;  // in English; the logbook line puts it in its language
    HttpReply reply;     // for Away: what the last request got
};

// Sends the points of stored samples to the database on a thread of its own, batched at most
// once a second (a backlog goes out in back-to-back batches), gzip-compressed. What the
// database did not acknowledge is kept, in order, and sent again when it answers; what it
// acknowledged is counted in the watermark, so nothing is sent twice. It holds at most
// maxQueued samples: the recording offers the rest again as these go out.
class TsdbWriter {
public:
    // The point of the recording's sample `index`, made on the caller's thread.
    using PointFn = std::function<TsdbPoint(std::size_t index)>;

    explicit TsdbWriter(TsdbOptions options);
    // Stops the thread without waiting for the database; the watermark tells what is left.
    ~TsdbWriter();
    TsdbWriter(const TsdbWriter&) = delete;
    TsdbWriter& operator=(const TsdbWriter&) = delete;

    // Checks the URL and starts the thread; samples before `acknowledged` count as sent.
    bool Start(std::size_t acknowledged, std::string& error);
    // The recording holds `total` samples: queues those after the ones queued or acknowledged
    // while there is room. Never waits for the network.
    void Offer(std::size_t total, const PointFn& point);
    // Sends what is queued without the pause between batches, for at most `wait`, then stops
    // the thread; a request that fails meanwhile ends it at once (the watermark keeps the rest
    // for later). With `point`, what the last Offer found no room for follows as room frees.
    // True when every sample offered was acknowledged.
    bool Finish(std::chrono::milliseconds wait, const PointFn& point = {});

    bool Started() const { return m_thread.joinable(); }
    std::vector<TsdbEvent> TakeEvents();
    // Samples acknowledged (the watermark), held in memory, offered and not acknowledged;
    // values (lines) acknowledged; requests made.
    std::size_t Acknowledged() const;
    std::size_t Waiting() const;
    std::size_t Left() const;
    std::uint64_t ValuesAcknowledged() const;
    std::uint64_t Requests() const;

    // The most lines one request carries.
    static constexpr std::size_t kMaxBatchLines = 50000;

private:
    void Run();
    // One request with the oldest queued points; true when acknowledged.
    bool SendBatch(bool& full);
    void Note(TsdbEvent event);
    void SaveWatermark();

    TsdbOptions m_options;
    std::string m_station;  // escaped
    HttpTarget m_target;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::pair<std::size_t, TsdbPoint>> m_queue;
    std::vector<TsdbEvent> m_events;
    std::size_t m_acknowledged = 0;
    std::size_t m_offered = 0;  // the recording's samples as far as known
    std::uint64_t m_values = 0;
    std::uint64_t m_requests = 0;
    bool m_stop = false;
    bool m_finishing = false;
    bool m_gaveUp = false;
    int m_cancel[2] = {-1, -1};  // a pipe: written to cut a request short
    std::thread m_thread;

    // On the thread only.
    bool m_away = false;
    bool m_watermarkLost = false;
    int m_failures = 0;
};

// The reason of a failed request in the logbook's language (0 German, 1 English).
std::string DescribeReply(const HttpReply& reply, int language, int timeoutMs);

}  // namespace qor::plant
