// A day of a station's samples (sixteen modules, three values each, one sample a second)
// queued at once, as after an outage, and sent to the database at URL: the wall time until
// the last one is acknowledged, the requests made and the processor time spent. With --live,
// one sample a second for S seconds instead, as a recording stores them: the processor time
// as a share of one core.
//
// usage: bench_tsdb_backlog URL [--samples N | --live S]
#include "plant/tsdb_writer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

namespace {

double CpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

qor::plant::TsdbPoint Point(std::int64_t time, long i)
{
    qor::plant::TsdbPoint p;
    p.time = time;
    for (std::size_t a = 0; a < 16; ++a)
        p.values[a] = {7.0f + static_cast<float>(i % 1000) * 0.001f, -123.4f + static_cast<float>(a),
                       25.1f + static_cast<float>(i % 60) * 0.01f};
    p.virtualChannels.fill(std::nan(""));
    return p;
}

int Live(const qor::plant::TsdbOptions& o, long seconds)
{
    qor::plant::TsdbWriter writer(o);
    std::string error;
    if (!writer.Start(0, error)) {
        std::fprintf(stderr, "bench_tsdb_backlog: %s\n", error.c_str());
        return 1;
    }
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const std::int64_t first = static_cast<std::int64_t>(std::time(nullptr));
    for (long i = 0; i < seconds; ++i) {
        std::this_thread::sleep_until(t0 + std::chrono::seconds(i));
        writer.Offer(static_cast<std::size_t>(i) + 1, [&](std::size_t k) {
            return Point(first + static_cast<std::int64_t>(k), static_cast<long>(k));
        });
    }
    const bool all = writer.Finish(std::chrono::minutes(1));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    std::printf(
        "%ld samples live, %llu values in %llu requests: %.3f s of processor time in %.1f s, %.3f %% of one "
        "core%s\n",
        seconds, static_cast<unsigned long long>(writer.ValuesAcknowledged()),
        static_cast<unsigned long long>(writer.Requests()), cpu, wall, 100 * cpu / wall,
        all ? "" : " (NOT all acknowledged)");
    return all ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_tsdb_backlog URL [--samples N | --live S]\n");
        return 2;
    }
    long samples = 86400;
    if (argc >= 4 && std::strcmp(argv[2], "--samples") == 0)
        samples = std::atol(argv[3]);
    qor::plant::TsdbOptions o;
    o.url = argv[1];
    o.station = "bench";
    if (argc >= 4 && std::strcmp(argv[2], "--live") == 0)
        return Live(o, std::atol(argv[3]));
    qor::plant::TsdbWriter writer(o);
    std::string error;
    // The day that just ended, so that a database's retention keeps it.
    const std::int64_t first = static_cast<std::int64_t>(std::time(nullptr)) - samples;
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    // As after an outage: the writer holds what it has room for, the rest follows from the recording.
    const auto point = [&](std::size_t k) {
        return Point(first + static_cast<std::int64_t>(k), static_cast<long>(k));
    };
    writer.Offer(static_cast<std::size_t>(samples), point);
    if (!writer.Start(0, error)) {
        std::fprintf(stderr, "bench_tsdb_backlog: %s\n", error.c_str());
        return 1;
    }
    const bool all = writer.Finish(std::chrono::minutes(10), point);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%ld samples, %llu values in %llu requests: %.1f s, %.1f s of processor time%s\n", samples,
                static_cast<unsigned long long>(writer.ValuesAcknowledged()),
                static_cast<unsigned long long>(writer.Requests()), wall, CpuSeconds() - cpu0,
                all ? "" : " (NOT all acknowledged)");
    return all ? 0 : 1;
}
