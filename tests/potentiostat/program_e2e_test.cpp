// qortool pot program and read-program against qorsim's potentiostat through a
// pseudo-terminal of the test's own, which records every byte qortool sends.
#include "bus/frame.h"
#include "potentiostat/pot_step_setup_model.h"
#include "support/process.h"

#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>

using namespace qor::potentiostat;
using qor::test::BinPath;
using qor::test::RunProgram;

namespace {

// Passes bytes between `tty` (qorsim) and a new pseudo-terminal (Name(), for qortool).
struct Tap {
    explicit Tap(const std::string& tty)
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ::grantpt(master), ::unlockpt(master);
        name = ::ptsname(master);
        sim = ::open(tty.c_str(), O_RDWR | O_NOCTTY);
        slave = ::open(name.c_str(), O_RDWR | O_NOCTTY);  // raw until qortool opens it
        for (int fd : {sim, slave}) {
            termios t{};
            ::tcgetattr(fd, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
        relay = std::thread([this] {
            std::uint8_t buf[512];
            while (!stop) {
                pollfd fds[2] = {{master, POLLIN, 0}, {sim, POLLIN, 0}};
                if (::poll(fds, 2, 10) <= 0)
                    continue;
                if (fds[0].revents & POLLIN) {
                    const ssize_t n = ::read(master, buf, sizeof buf);
                    if (n > 0 && ::write(sim, buf, static_cast<std::size_t>(n)) == n)
                        sent.insert(sent.end(), buf, buf + n);
                }
                if (fds[1].revents & POLLIN) {
                    const ssize_t n = ::read(sim, buf, sizeof buf);
                    if (n > 0 && ::write(master, buf, static_cast<std::size_t>(n)) != n)
                        break;
                }
            }
        });
    }
    ~Tap()
    {
        stop = true;
        relay.join();
        for (int fd : {master, slave, sim})
            ::close(fd);
    }
    // The request frames sent so far, checksums checked and cut off.
    std::vector<std::vector<std::uint8_t>> Frames() const
    {
        std::vector<std::vector<std::uint8_t>> frames;
        for (std::size_t at = 0; at + 10 <= sent.size();) {
            const std::size_t len = 8u + (sent[at + 3] | sent[at + 4] << 8);
            EXPECT_EQ(sent[at + len] | sent[at + len + 1] << 8, qor::bus::Crc16(&sent[at], len));
            frames.emplace_back(sent.begin() + static_cast<long>(at),
                                sent.begin() + static_cast<long>(at + len));
            at += len + 2;
        }
        return frames;
    }

    int master = -1, slave = -1, sim = -1;
    std::string name;
    std::atomic<bool> stop{false};
    std::vector<std::uint8_t> sent;
    std::thread relay;
};

TEST(PotProgramEndToEnd, ProgramAndReadBackThroughQorsim)
{
    const std::string dir = testing::TempDir();
    PotStepSetupModel m(1);
    m.Append(), m.Append();
    std::string msg;
    m.Select(0);
    StepText t = *m.BeginChange(msg);
    t[F_NEXT] = "2";
    m.EndChange(t);
    m.Select(1);
    t = *m.BeginChange(msg);
    t[F_TYPE] = "GAL", t[F_VALUE1] = "1234.567", t[F_UNIT1] = "µA", t[F_SAMPLES] = "1000";
    m.EndChange(t);
    ASSERT_EQ(m.SaveTemplate(dir + "in.stp"), "");

    qor::test::Process sim({BinPath("qorsim"), "--pty", "--module", "3=66"});
    Tap tap(sim.ReadLine());
    std::string out;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "pot", "program", "--serial", tap.name, "--address", "3",
                          dir + "in.stp"},
                         &out),
              0);
    const auto frames = tap.Frames();
    ASSERT_EQ(frames.size(), 256u);
    const std::vector<std::uint8_t> settings{2,    0xD2, 3, 24,   0, 0, 0, 0,   0, 0x40, 0x40,
                                             0xFF, 10,   0, 0xFF, 0, 0, 0, 100, 0, 0,    0,
                                             0,    0,    0, 0,    0, 0, 0, 0,   0, 0};
    EXPECT_EQ(frames[0], settings);
    std::vector<std::uint8_t> slot1{2, 0xD1, 3,    40, 0, 0, 0, 0, 1, 0,    0,    0,    0, 0, 0, 0,
                                    0, 0x70, 0x17, 0,  0, 1, 2, 1, 0, 0x50, 0xC3, 0x47, 0, 0, 1, 0};
    slot1.resize(48);
    EXPECT_EQ(frames[1], slot1);
    EXPECT_EQ(frames[2][21], 0);                // GAL
    EXPECT_EQ(frames[2][29], 200);              // 1000 samples/s
    std::vector<std::uint8_t> empty255(48, 0);  // step 255 marked empty
    empty255[0] = 2, empty255[1] = 0xD1, empty255[2] = 3, empty255[3] = 40, empty255[8] = 255,
    empty255[31] = 1;
    EXPECT_EQ(frames[255], empty255);

    ASSERT_EQ(RunProgram({BinPath("qortool"), "pot", "read-program", "--serial", tap.name, "--address", "3",
                          "--out", dir + "back.stp"},
                         &out),
              0);
    const auto reads = tap.Frames();
    ASSERT_EQ(reads.size(), 256u + 4u);
    EXPECT_EQ(reads[256], (std::vector<std::uint8_t>{2, 0xE1, 3, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(reads[259], (std::vector<std::uint8_t>{2, 0xE2, 3, 0, 0, 0, 0, 0}));
    PotStepSetupModel back(1);
    ASSERT_EQ(back.LoadTemplate(dir + "back.stp"), "");
    ASSERT_EQ(back.Rows(), 2);
    for (int r = 0; r < 2; ++r)
        EXPECT_EQ(ToDevice(back.Row(r)), ToDevice(m.Row(r))) << "row " << r;
    EXPECT_EQ(back.Cell(1, 2), "1.234567");
}

}  // namespace
