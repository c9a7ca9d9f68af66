// A week of recording at 1 s (604,800 samples): load and save of the document file, each
// timed beside the floor it is held to (reading the bytes into memory; writing them and
// syncing once), and the resident memory of the loaded document against the file size.
//
// usage: bench_data_load_save [FOLDER] [--samples N] [--repeat R]
#include "bench_document_ui.h"
#include "common/clock.h"
#include "data/archive.h"
#include "data/qor_doc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using qor::data::CQORDoc;

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

template <class F> double Best(int repeat, F f)
{
    double best = 1e9;
    for (int i = 0; i < repeat; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, Seconds(t0, std::chrono::steady_clock::now()));
    }
    return best;
}

long ResidentBytes()
{
    std::ifstream in("/proc/self/statm");
    long pages = 0, resident = 0;
    in >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The floor of a load: the file's bytes into fresh memory (not zero-filled first).
struct Bytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

Bytes ReadAll(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY);
    struct stat st {};
    ::fstat(fd, &st);
    Bytes buf{std::unique_ptr<char[]>(new char[static_cast<std::size_t>(st.st_size)]),
              static_cast<std::size_t>(st.st_size)};
    std::size_t got = 0;
    while (got < buf.size) {
        ssize_t n = ::read(fd, buf.data.get() + got, buf.size - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return buf;
}

void WriteAllAndSync(const std::string& path, const Bytes& bytes)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::size_t done = 0;
    while (done < bytes.size) {
        ssize_t n = ::write(fd, bytes.data.get() + done, bytes.size - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder = ".";
    long samples = 604800;
    int repeat = 5;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--samples" && i + 1 < argc)
            samples = std::atol(argv[++i]);
        else if (a == "--repeat" && i + 1 < argc)
            repeat = std::atoi(argv[++i]);
        else
            folder = a;
    }
    const std::string docPath = folder + "/bench_week.qo3";
    const std::string rawPath = folder + "/bench_week.raw";

    qor::SimClock clock(1262304000);
    qor::data::Logbook logbook;
    NoUi ui;
    {
        CQORDoc doc(clock, logbook, ui);
        for (long i = 0; i < samples; ++i) {
            qor::data::CDatenObject s;
            s.m_time = clock.Now();
            for (int c = 0; c < 16; ++c) {
                const auto a = static_cast<std::size_t>(c);
                s.m_value[a] = static_cast<float>(7.0 + 0.001 * static_cast<double>((i + c) % 997));
                s.m_value2[a] = static_cast<float>(-100.0 + static_cast<double>(i % 50));
                s.m_temperature[a] = static_cast<float>(20.0 + 0.1 * static_cast<double>(c));
            }
            doc.AddSample(s);
            clock.Advance(1000);
        }
        if (!doc.WriteFile(docPath).ok)
            return 1;
    }
    struct stat st {};
    ::stat(docPath.c_str(), &st);
    const double mb = static_cast<double>(st.st_size) / 1e6;
    std::printf("file: %ld samples, %.1f MB\n", samples, mb);
    std::fflush(stdout);

    // Resident memory of a loaded document, in a fresh process so nothing else counts.
    pid_t pid = ::fork();
    if (pid == 0) {
        long before = ResidentBytes();
        CQORDoc doc(clock, logbook, ui);
        doc.ReadFile(docPath, qor::data::Layout::Qo3);
        long after = ResidentBytes();
        std::printf("resident memory of the loaded document: %.1f MB = %.2f x file size (goal <= 1.3)\n",
                    static_cast<double>(after - before) / 1e6,
                    static_cast<double>(after - before) / static_cast<double>(st.st_size));
        std::fflush(stdout);
        std::_Exit(doc.Samples().size() == static_cast<std::size_t>(samples) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);

    ReadAll(docPath);  // hot cache
    std::size_t sink = 0;
    const double read = Best(repeat, [&] { sink += ReadAll(docPath).size; });
    const double load = Best(repeat, [&] {
        CQORDoc doc(clock, logbook, ui);
        logbook.m_text.clear();
        doc.ReadFile(docPath, qor::data::Layout::Qo3);
        sink += doc.Samples().size();
    });
    std::printf("read bytes: %.3f s   load: %.3f s   ratio %.2f (goal <= 2)\n", read, load, load / read);

    const Bytes bytes = ReadAll(docPath);
    CQORDoc doc(clock, logbook, ui);
    doc.ReadFile(docPath, qor::data::Layout::Qo3);
    logbook.m_text.clear();
    const double write = Best(repeat, [&] { WriteAllAndSync(rawPath, bytes); });
    const double save = Best(repeat, [&] { doc.WriteFile(docPath); });
    std::printf("write+fsync: %.3f s   save: %.3f s   ratio %.2f (goal <= 1.5)\n", write, save, save / write);
    // Where a save's time goes: the records turned into bytes, without any disk.
    const double encode = Best(repeat, [&] {
        std::FILE* null = std::fopen("/dev/null", "wb");
        qor::data::Archive ar = qor::data::Archive::Store(null);
        doc.Serialize(ar, qor::data::Layout::Qo3);
        ar.Flush();
        std::fclose(null);
    });
    std::printf("of which encoding the records: %.3f s\n", encode);

    ::unlink(docPath.c_str());
    ::unlink(rawPath.c_str());
    return sink == 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}
