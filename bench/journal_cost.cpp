// The processor time the sample journal costs a recording of sixteen modules at a 1 s
// interval: an hour of samples stored with and without the journal (each sample written and
// put on the device as the recording does), as a share of one core over that hour.
//
// usage: bench_journal_cost [FOLDER] [--samples N]
#include "bench_document_ui.h"
#include "common/clock.h"
#include "data/qor_doc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

double CpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Processor seconds for `samples` samples, one per simulated second.
double Record(const std::string& path, int samples, bool journal)
{
    qor::SimClock clock;
    qor::data::Logbook logbook;
    NoUi ui;
    qor::data::CQORDoc doc(clock, logbook, ui);
    doc.BindToNewFile(path);
    std::string reason;
    if (journal && !doc.StartJournal(reason)) {
        std::fprintf(stderr, "%s\n", reason.c_str());
        std::exit(1);
    }
    const double t0 = CpuSeconds();
    for (int i = 0; i < samples; ++i) {
        qor::data::CDatenObject s;  // sixteen pH amplifiers
        s.m_time = clock.Now();
        for (std::size_t a = 0; a < 16; ++a)
            s.m_value[a] = static_cast<float>(7.0 + 0.001 * i + static_cast<double>(a));
        doc.AddSample(s);
        clock.Advance(1000);
        doc.SyncJournal();  // the poll cycle's once a second
    }
    const double cpu = CpuSeconds() - t0;
    doc.DropJournal();
    return cpu;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder = "/tmp";
    int samples = 3600;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--samples") == 0 && i + 1 < argc)
            samples = std::atoi(argv[++i]);
        else
            folder = argv[i];
    }
    const std::string path = folder + "/bench_journal_" + std::to_string(::getpid()) + ".qo3";
    const double without = Record(path, samples, false);
    const double with = Record(path, samples, true);
    const double share = (with - without) / samples * 100.0;  // samples are seconds of recording
    std::printf(
        "%d samples of 16 modules at 1 s: %.3f s processor time without the journal, %.3f s with it\n",
        samples, without, with);
    std::printf("journalling: %.1f us per sample, %.4f %% of one core\n", (with - without) / samples * 1e6,
                share);
    return 0;
}
