#include "plant/tsdb_writer.h"

#include "common/text.h"
#include "plant/tsdb_watermark.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

namespace qor::plant {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto kBatchPause = std::chrono::seconds(1);
constexpr auto kMaxRetryPause = std::chrono::seconds(5);

// The body as gzip (fastest level: the lines repeat so much that it still shrinks them about
// tenfold); empty when zlib fails, and the body then goes as it is.
std::string Gzip(const std::string& text)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int r = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return r == Z_STREAM_END ? out : std::string();
}

// Cuts a request in progress short; the pipe stays readable, so every later wait ends at once.
void Signal(int fd)
{
    if (fd < 0)
        return;
    const ssize_t n = ::write(fd, "x", 1);
    static_cast<void>(n);  // a pipe too full to take it is readable already
}

}  // namespace

std::string DescribeReply(const HttpReply& reply, int language, int timeoutMs)
{
    const int l = language == 1 ? 1 : 0;
    using F = HttpReply::Failure;
    switch (reply.failure) {
    case F::None: {
        std::string s = Format(TextPair{"Antwort %d", "answer %d"}[l], reply.status);
        std::string body = reply.body.substr(0, 200);
        std::replace_if(
            body.begin(), body.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
        while (!body.empty() && body.back() == ' ')
            body.pop_back();
        return body.empty() ? s : s + ": " + body;
    }
    case F::Resolve:
        return TextPair{"Rechnername unbekannt", "host name not found"}[l];
    case F::Connect:
        if (reply.error == ECONNREFUSED)
            return TextPair{"Verbindung abgewiesen", "connection refused"}[l];
        return std::string(TextPair{"keine Verbindung", "no connection"}[l]) + ": " +
               std::strerror(reply.error);
    case F::Timeout:
        return Format(TextPair{"keine Antwort in %d s", "no answer within %d s"}[l], timeoutMs / 1000);
    case F::Closed:
        return TextPair{"Verbindung ohne Antwort beendet", "connection closed without an answer"}[l];
    case F::Garbled:
        return TextPair{"Antwort ist kein HTTP", "the answer is not HTTP"}[l];
    case F::Cancelled:
        return TextPair{"abgebrochen", "cut short"}[l];
    }
    return {};
}

TsdbWriter::TsdbWriter(TsdbOptions options)
    : m_options(std::move(options)), m_station(EscapeTag(m_options.station))
{
    m_options.maxQueued = std::max<std::size_t>(m_options.maxQueued, 1);
}

TsdbWriter::~TsdbWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    Signal(m_cancel[1]);
    if (m_thread.joinable())
        m_thread.join();
    for (int fd : m_cancel)
        if (fd >= 0)
            ::close(fd);
}

bool TsdbWriter::Start(std::size_t acknowledged, std::string& error)
{
    if (!ParseHttpUrl(m_options.url, m_target, error))
        return false;
    if (::pipe2(m_cancel, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::strerror(errno);
        return false;
    }
    m_acknowledged = acknowledged;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void TsdbWriter::Offer(std::size_t total, const PointFn& point)
{
    std::size_t next, room;
    {
        std::lock_guard lock(m_mutex);
        m_offered = std::max(m_offered, total);
        next = m_queue.empty() ? m_acknowledged : m_queue.back().first + 1;
        room = m_options.maxQueued - std::min(m_queue.size(), m_options.maxQueued);
    }
    // Only this thread queues, and the writer only takes from the front: `next` stays right.
    std::vector<std::pair<std::size_t, TsdbPoint>> points;
    for (std::size_t i = next; i < total && points.size() < room; ++i)
        points.emplace_back(i, point(i));
    if (points.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_queue.insert(m_queue.end(), points.begin(), points.end());
    }
    m_wake.notify_all();
}

bool TsdbWriter::Finish(std::chrono::milliseconds wait, const PointFn& point)
{
    const auto deadline = SteadyClock::now() + wait;
    std::unique_lock lock(m_mutex);
    m_finishing = true;
    m_wake.notify_all();
    const auto more = [&] {
        return point && (m_queue.empty() ? m_acknowledged : m_queue.back().first + 1) < m_offered;
    };
    for (;;) {
        m_wake.wait_until(lock, deadline, [&] {
            return m_queue.empty() || m_stop || m_gaveUp || (more() && m_queue.size() < m_options.maxQueued);
        });
        if (!more() || m_stop || m_gaveUp || SteadyClock::now() >= deadline)
            break;
        lock.unlock();
        Offer(m_offered, point);
        lock.lock();
    }
    const bool done = m_queue.empty() && m_acknowledged >= m_offered;
    m_stop = true;
    lock.unlock();
    m_wake.notify_all();
    Signal(m_cancel[1]);
    if (m_thread.joinable())
        m_thread.join();
    return done;
}

std::vector<TsdbEvent> TsdbWriter::TakeEvents()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_events, {});
}

std::size_t TsdbWriter::Acknowledged() const
{
    std::lock_guard lock(m_mutex);
    return m_acknowledged;
}

std::size_t TsdbWriter::Waiting() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

std::size_t TsdbWriter::Left() const
{
    std::lock_guard lock(m_mutex);
    return m_offered - std::min(m_offered, m_acknowledged);
}

std::uint64_t TsdbWriter::ValuesAcknowledged() const
{
    std::lock_guard lock(m_mutex);
    return m_values;
}

std::uint64_t TsdbWriter::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void TsdbWriter::Note(TsdbEvent event)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back(std::move(event));
}

void TsdbWriter::Run()
{
    auto next = SteadyClock::now();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        // Samples wait for the second since the last request to pass; finishing sends at once,
        // but a database that is away is only asked again after its pause.
        m_wake.wait_until(lock, next, [&] { return m_stop || (m_finishing && m_failures == 0); });
        if (m_stop)
            return;
        lock.unlock();
        const auto started = SteadyClock::now();
        bool full = false;
        const bool ok = SendBatch(full);
        lock.lock();
        if (ok) {
            m_failures = 0;
            // A backlog goes out batch after batch.
            next = full ? SteadyClock::now() : started + kBatchPause;
            m_wake.notify_all();  // Finish waits for room or the end of the queue
        } else {
            m_failures = std::min(m_failures + 1, 10);
            if (m_finishing) {
                m_gaveUp = true;
                m_wake.notify_all();
                return;
            }
            next = SteadyClock::now() +
                   std::min<SteadyClock::duration>(kBatchPause * (1 << (m_failures - 1)), kMaxRetryPause);
        }
    }
}

bool TsdbWriter::SendBatch(bool& full)
{
    // The oldest points, copied: the recording may queue more meanwhile.
    std::vector<std::pair<std::size_t, TsdbPoint>> batch;
    {
        std::lock_guard lock(m_mutex);
        // At most 52 lines a point: enough points to fill a request.
        const std::size_t n = std::min(m_queue.size(), std::max<std::size_t>(1, kMaxBatchLines / 52));
        batch.assign(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(n));
        full = n < m_queue.size();
    }
    if (batch.empty())
        return true;
    std::string text;
    std::uint64_t lines = 0;
    for (const auto& [index, point] : batch)
        lines += AppendLines(text, m_station, point);

    HttpReply reply;
    if (lines == 0) {
        reply.status = 204;  // samples without a single value: nothing to write
    } else {
        std::vector<std::pair<std::string, std::string>> headers = {
            {"Content-Type", "text/plain; charset=utf-8"}};
        std::string body;
        if (m_options.gzip)
            body = Gzip(text);
        if (body.empty())
            body.swap(text);
        else
            headers.emplace_back("Content-Encoding", "gzip");
        reply = HttpPost(m_target, body, headers, m_options.timeoutMs, m_cancel[0]);
        std::lock_guard lock(m_mutex);
        ++m_requests;
    }
    if (!reply.Acknowledged()) {
        if (!m_away && reply.failure != HttpReply::Failure::Cancelled)
            Note({TsdbEvent::Kind::Away, DescribeReply(reply, 1, m_options.timeoutMs), reply});
        m_away = m_away || reply.failure != HttpReply::Failure::Cancelled;
        return false;
    }
    m_away = false;
    {
        std::lock_guard lock(m_mutex);
        const std::size_t last = batch.back().first;
        while (!m_queue.empty() && m_queue.front().first <= last)
            m_queue.pop_front();
        m_acknowledged = std::max(m_acknowledged, last + 1);
        m_values += lines;
    }
    SaveWatermark();
    return true;
}

void TsdbWriter::SaveWatermark()
{
    if (m_options.watermarkPath.empty())
        return;
    std::string error;
    const bool ok = TsdbWatermark::Write(m_options.watermarkPath, m_options.recording, m_options.url,
                                         m_options.station, Acknowledged(), error);
    if (!ok && !m_watermarkLost)
        Note({TsdbEvent::Kind::WatermarkLost, error, {}});
    m_watermarkLost = !ok;
}

}  // namespace qor::plant
