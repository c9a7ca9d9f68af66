#include "station/station.h"

#include "bus/frame.h"
#include "catalogue/catalogue.h"
#include "station/station_texts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace qor::station {

using namespace qor::bus;

namespace {
constexpr int kExchangeTimeoutS = 2;
constexpr int kFileTimeoutS = 10;
constexpr int kCommandTimeoutS = 5;
constexpr int kFastModeCount = 10;
// A module that keeps answering with records is read at most this often per poll.
constexpr int kMaxRecordReads = 1000;
constexpr std::size_t kPotSampleSize = 12;
constexpr std::size_t kPotSampleStride = 12;
constexpr std::size_t kEisPointSize = 18;
constexpr std::size_t kEisPointStride = 20;
}  // namespace

// The common frame of the file read-outs: waits for and holds the busy flag; on every way
// out clears it, closes the windows and restarts the keep-alive of a connected TCP link.
class Station::TransferFrame {
public:
    explicit TransferFrame(Station& s) : m_s(s)
    {
        BusLink& link = s.m_link;
        for (int waited = 0; link.Busy() && waited < 10000; waited += 10)
            s.m_clock.SleepMs(10);
        link.SetBusy(true);
        m_ok = !link.Ethernet() || link.OpenEthernet();
    }
    ~TransferFrame()
    {
        m_s.m_link.SetBusy(false);
        if (m_progress)
            m_s.m_ui.CloseProgress();
        if (m_wait)
            m_s.m_ui.CloseWait();
        if (m_s.m_link.Ethernet() && m_s.m_link.Connected())
            m_s.m_timers.Start(kTimerKeepAlive, kKeepAlivePeriodMs);
    }
    TransferFrame(const TransferFrame&) = delete;
    TransferFrame& operator=(const TransferFrame&) = delete;
    bool Ok() const { return m_ok; }
    void UsesProgress() { m_progress = true; }
    void UsesWait() { m_wait = true; }

private:
    Station& m_s;
    bool m_ok = false;
    bool m_progress = false;
    bool m_wait = false;
};

Station::Station(const StationConfig& config, Clock& clock, StationUi& ui, Timers& timers, data::CQORDoc& doc,
                 data::Logbook& logbook)
    : m_config(config), m_clock(clock), m_ui(ui), m_timers(timers), m_doc(doc), m_logbook(logbook),
      m_link(clock, *this), m_language(config.language == 1 ? 1 : 0)
{
    m_link.Settings() = config.link;
    if (m_config.idCount < 0)
        m_config.idCount = 0;
    if (m_config.idCount > 15)
        m_config.idCount = 15;
}

StationConfig Station::ConfigToSave() const
{
    StationConfig c = m_config;
    c.link = m_link.Settings();
    c.language = static_cast<std::uint8_t>(m_language);
    return c;
}

// ---------------------------------------------------------------------------------------
// Search and release

CommandState Station::Commands() const
{
    CommandState s;
    s.documentClosed = m_documentClosed;
    s.fileBound = m_doc.m_fileBound;
    s.modulesReleased = m_modulesReleased;
    s.measuring = m_measuring;
    s.recording = m_recording;
    s.metersShown = m_metersShown;
    s.potPresent = m_potPresent;
    s.potRunning = m_potRunning;
    return s;
}

void Station::SearchModules()
{
    FreigabeDlgModel dialog(m_language);
    m_potList.clear();
    m_link.OpenPort();
    if (m_link.Ethernet() && !m_link.Connected())
        return;
    m_ui.ShowWait(T(text::kSearching));
    m_ui.SetPane(3, T(text::kNoModules));

    const int last = std::clamp(m_config.idCount, 0, 15);
    bool anyAnswer = false;
    // Free addresses stay silent by nature: they must not count as failures of the link
    // (the counter would otherwise stop the next recording after one lost answer).
    const std::uint8_t pollErrors = m_link.PollErrors();
    for (int n = 0; n <= last; ++n) {
        const auto a = static_cast<std::uint8_t>(n);
        catalogue::CSlave& slave = Slave(n);
        m_ui.ShowWait(Format("%s\nSlave %2d ", text::kSearching[m_language], n));
        m_link.PrepareMeasureRequest(a);
        m_link.SetPollErrors(0);
        if (!m_link.PollModule()) {
            slave.m_enabled = 0;
            continue;
        }
        anyAnswer = true;
        slave.m_type = m_link.LastMeasurement().status;
        slave.m_language = static_cast<std::uint8_t>(m_language);
        const std::string entry = Format("Slave %2d: %s", n, catalogue::ModuleName(slave).c_str());
        if (slave.m_enabled)
            dialog.AddReleased(entry, a);
        else
            dialog.AddNotReleased(entry, a);
    }
    m_link.SetPollErrors(pollErrors);
    for (int n = last + 1; n < 16; ++n)
        Slave(n).m_enabled = 0;

    if (!anyAnswer) {
        m_ui.ShowErrorDialog(T(text::kNoSlave));
        m_ui.CloseWait();
        AddLogbookEntry(Format("\t %s", T(text::kNoSlave).c_str()));
        m_modulesReleased = false;
        return;
    }

    if (m_ui.RunReleaseDialog(dialog)) {
        for (std::uint8_t a : dialog.NotReleased()) {
            if (a == FreigabeDlgModel::kEnd)
                break;
            if (a < 16) {
                Slave(a).m_enabled = 0;
                Slave(a).m_type = 0;
            }
        }
        AddLogbookEntry(T(text::kReleaseOfSlaves));
        m_modulesReleased = false;
        for (std::uint8_t a : dialog.Released()) {
            if (a == FreigabeDlgModel::kEnd)
                break;
            if (a >= 16)
                continue;
            catalogue::CSlave& slave = Slave(a);
            m_ui.ShowWait(T(text::kReadModuleData));
            slave.m_enabled = 1;
            m_modulesReleased = true;
            AddLogbookEntry(Format("\tSlave %d  %s", a, catalogue::ModuleName(slave).c_str()));
            if (!IdentifyModule(slave, a)) {
                // Repeated until the user acknowledges it with OK.
                for (int i = 0; i < 1000 && !m_ui.ShowErrorDialog(T(text::kCheckSlave)); ++i) {
                }
            } else {
                m_ui.SetPane(3, T(text::kModules));
            }
        }
    }
    m_ui.CloseWait();

    unsigned mask = 0;
    for (int n = 0; n < 16; ++n)
        if (Slave(n).m_enabled)
            mask |= 1u << n;
    m_config.sEnable = mask;

    if (m_link.Ethernet())
        m_ui.SetPane(1, m_link.EthernetPaneText(m_link.Connected() ? "open" : "closed"));
}

int Station::IdentifyModule(catalogue::CSlave& slave, std::uint8_t address)
{
    if (m_link.Ethernet() && !m_link.Connected() && !m_link.OpenEthernet())
        return 0;
    std::array<std::uint8_t, kBufferSize> req{};
    const std::uint8_t payload[2] = {0x00, 0x80};
    int len = BuildRequest(req.data(), CMD_IDENTIFY, address, payload);
    int r = m_link.Transceive(req.data(), len, m_link.Answer(), kExchangeTimeoutS);
    if (r < 1) {
        m_link.LinkError();
        return 0;
    }
    // Work on a copy that is zero beyond the answer, so a short answer never shows the
    // bytes of an earlier one.
    std::array<std::uint8_t, kBufferSize> ans{};
    std::copy(m_link.Answer(), m_link.Answer() + std::min<int>(r, static_cast<int>(kBufferSize)),
              ans.begin());
    if (ans[5] & kStatusRefused)
        return 0;
    const std::uint8_t* data = ans.data() + kHeaderSize;
    slave.m_address = address;
    slave.m_type = data[10];
    if (slave.m_type < 64) {
        if (slave.m_type == 9 || slave.m_type == 10)
            std::copy(data + 48, data + 52, reinterpret_cast<std::uint8_t*>(slave.m_unit.data()));
        const int offsets[5] = {16, 20, 24, 52, 44};
        for (int i = 0; i < 5; ++i)
            std::copy(data + offsets[i], data + offsets[i] + 4,
                      slave.m_calibration[static_cast<std::size_t>(i)].begin());
    } else {
        if (static_cast<int>(m_potList.size()) >= kMaxPotentiostats) {
            m_ui.ShowMessage(T(text::kOnlyFourPots));
        } else {
            m_potList.push_back(address);
            m_potPresent = true;
            if (slave.m_type & 0x10)
                SetPotRunning(true);
        }
        slave.m_channelByte = data[64];
    }

    len = BuildRequest(req.data(), CMD_READ_SETTINGS, address);
    slave.m_settingValue = 25.0f;
    slave.m_settingByte = address;
    r = m_link.Transceive(req.data(), len, m_link.Answer(), kExchangeTimeoutS);
    if (r >= static_cast<int>(kHeaderSize) + 5 && !(m_link.Answer()[5] & kStatusRefused)) {
        slave.m_settingByte = m_link.Answer()[8];
        slave.m_settingValue = ReadF32(m_link.Answer() + 9);
    }

    len = BuildRequest(req.data(), CMD_READ_REVISION, address);
    r = m_link.Transceive(req.data(), len, m_link.Answer(), kExchangeTimeoutS);
    if (r >= static_cast<int>(kHeaderSize) + 12 && !(m_link.Answer()[5] & kStatusRefused))
        slave.m_revision = ReadF32(m_link.Answer() + kHeaderSize + 8);
    else
        slave.m_revision = 1.0f;

    slave.m_value1 = 0.0;
    slave.m_value3 = 0.0;
    return 1;
}

void Station::AutoEnable()
{
    if (!m_config.autoEnable)
        return;
    for (int n = 0; n < 16; ++n)
        Slave(n).m_enabled = (m_config.sEnable >> n) & 1u ? 1 : 0;
    m_ui.ProcessEvents(1000);
    SearchModules();
}

std::optional<std::uint8_t> Station::ChoosePotentiostat()
{
    SlaveAuswahlModel dialog(m_language);
    const std::uint8_t pollErrors = m_link.PollErrors();
    for (int n = 0; n < 16; ++n) {
        catalogue::CSlave& slave = Slave(n);
        if (!slave.m_enabled)
            continue;
        m_link.PrepareMeasureRequest(static_cast<std::uint8_t>(n));
        m_link.SetPollErrors(0);
        const int ok = m_link.PollModule();
        m_link.SetPollErrors(pollErrors);
        if (!ok)
            continue;
        const std::uint8_t type = m_link.LastMeasurement().status;
        if (type >= 0x40 && type <= 0x5F) {
            catalogue::CSlave probe = slave;
            probe.m_type = type;
            dialog.AddEntry(Format("Slave %2d: %s", n, catalogue::ModuleName(probe).c_str()),
                            static_cast<std::uint8_t>(n));
        }
    }
    if (dialog.Count() == 0) {
        m_ui.ShowMessage(T(text::kNoMatchingSlave));
        return std::nullopt;
    }
    if (!m_ui.RunModuleSelection(dialog))
        return std::nullopt;
    return dialog.SelectedAddress();
}

// ---------------------------------------------------------------------------------------
// Measuring and recording

void Station::StartMeasuring()
{
    if (!m_metersShown) {
        m_link.OpenPort();
        m_timers.Start(kTimerPoll, 1000);
        m_measuring = true;
        m_cycleFree = true;
    }
    ShowMeters();
    m_ui.SetPane(2, T(text::kTransfer));
}

void Station::ShowMeters()
{
    m_ui.ShowMeters();
    m_metersShown = true;
}

int Station::SaveIntervalMs() const
{
    const TimeOfDay t = SplitDayFraction(m_config.interval);
    int seconds = (t.hours % 24) * 3600 + (t.minutes % 60) * 60 + t.seconds % 60;
    // An interval of 00:00:00 would save without pause; the port setup turns it into ten minutes.
    if (!t.valid || seconds <= 0)
        seconds = 600;
    return seconds * 1000;
}

bool Station::StartRecording()
{
    m_link.OpenPort();
    bool started = false;
    if (m_ui.RunRecordingSetup()) {
        m_firstSample = false;
        m_stoppedInCycle = false;
        m_cycleFree = true;
        PollCycle();
        if (!m_stoppedInCycle) {
            m_timers.Start(kTimerPoll, 1000);
            m_timers.Start(kTimerSave, SaveIntervalMs());
            m_measuring = true;
            m_recording = true;
            m_ui.SetPane(2, T(text::kTransfer));
            const data::CGrafikSetup::Hms iv = m_doc.m_grafikSetup.Interval();
            AddLogbookEntry(Format("%s %02d:%02d:%02d", T(text::kLoggingStarted).c_str(), iv.hours,
                                   iv.minutes, iv.seconds));
            started = true;
        }
    }
    m_cycleFree = true;
    return started;
}

void Station::StopAll()
{
    if (m_recording)
        AddLogbookEntry(T(text::kLoggingEnded));
    m_ui.CloseMeters();
    m_metersShown = false;
    m_measuring = false;
    m_recording = false;
    m_timers.Stop(kTimerPoll);
    m_timers.Stop(kTimerRecord);
    m_timers.Stop(kTimerSave);
    m_ui.SetPane(2, T(text::kNoTransfer));
}

void Station::StopCommand()
{
    StopAll();
    if (m_potRunning && m_ui.AskOkCancel(T(text::kStillRunning)))
        StopPotentiostat();
    if (m_link.Ethernet() && m_link.Connected() && m_link.LinkTest() < 1) {
        m_link.CloseEthernet();
        m_ui.SetPane(1, m_link.EthernetPaneText("closed"));
    }
}

void Station::StopRecording()
{
    if (m_inCycle)
        m_stoppedInCycle = true;
    StopCommand();
}

void Station::OnTimer(int id)
{
    switch (id) {
    case kTimerPoll:
        PollCycle();
        break;
    case kTimerRecord:
        m_doc.AddSample(0);
        m_doc.m_newSample = true;
        break;
    case kTimerSave:
        m_doc.PeriodicSave();
        break;
    case kTimerKeepAlive:
        m_link.KeepAlive();
        break;
    default:
        break;
    }
}

bool Station::ApplyMeasurement(std::uint8_t address)
{
    const Measurement& m = m_link.LastMeasurement();
    catalogue::CSlave& slave = Slave(address);
    catalogue::DecodeValues(slave, m.status, m.raw);
    if (IsConductivityType(m.status))
        slave.m_displayMode = m.modeBits;
    return catalogue::IsPotentiostat(m.status);
}

void Station::PollOnce(std::uint8_t address)
{
    m_link.PrepareMeasureRequest(address);
    if (!m_link.PollModule()) {
        m_link.LinkError();
        return;
    }
    if (ApplyMeasurement(address))
        ReadPotRecords(address);
}

void Station::PollRunningPotentiostat(std::uint8_t address, bool& stillRunning)
{
    catalogue::CSlave& slave = Slave(address);
    slave.m_potTime = m_clock.Now();
    const int count = (m_config.potRate == 0 || m_potList.size() > 1) ? 1 : kFastModeCount;
    slave.m_potCount = count;
    m_link.PrepareMeasureRequest(address);
    bool anyAnswer = false;
    for (int i = 0; i < count && !m_stoppedInCycle; ++i) {
        // The record read-out between two polls uses its own request buffer, so the
        // prepared measurement request stays in place.
        if (!m_link.PollModule()) {
            m_link.LinkError();
            continue;
        }
        anyAnswer = true;
        const Measurement& m = m_link.LastMeasurement();
        const bool pot = ApplyMeasurement(address);
        int slot = count == 1 ? 0 : m.header[2] - 1;
        // The module numbers its fast answers 1..10 in header byte 2; anything else would
        // land outside the ten slots.
        if (slot >= 0 && slot < kFastModeCount) {
            catalogue::PotSlot& s = slave.m_potSlot[static_cast<std::size_t>(slot)];
            s.m_status = m.status;
            s.m_value1 = catalogue::DescribeModule(slave).factor * slave.m_value1;
            s.m_value2 = slave.m_value2;
            s.m_value3 = slave.m_value3;
        }
        if (slave.m_type > 0x4F && m.status < 0x80)
            stillRunning = true;
        if (pot)
            ReadPotRecords(address);
    }
    // A potentiostat that did not answer at all says nothing about its program: a lost
    // answer must not end the run (and the recording started with it).
    if (!anyAnswer)
        stillRunning = true;
}

void Station::ReadPotRecords(std::uint8_t address)
{
    std::array<std::uint8_t, kBufferSize> req{};
    std::uint8_t* ans = m_link.Answer();
    auto exchange = [&](std::uint8_t command, int len) -> int {
        int r = m_link.Transceive(req.data(), len, ans, kExchangeTimeoutS);
        if (r < 1) {
            m_link.LinkError();
            return -1;
        }
        if (ans[0] != kStartByte || ans[1] != command || (ans[5] & kStatusRefused))
            return -1;
        return r;
    };

    int r = exchange(CMD_COUNT_EIS_RECORDS, BuildRequest(req.data(), CMD_COUNT_EIS_RECORDS, address));
    if (r < 0)
        return;
    int pending =
        r >= 8 + 3 ? std::abs(static_cast<std::int8_t>(ans[8]) - static_cast<std::int8_t>(ans[10])) : 0;
    if (pending != 0) {
        const std::uint8_t max = 50;
        for (int reads = 0; reads < kMaxRecordReads; ++reads) {
            r = exchange(CMD_READ_EIS_RECORDS,
                         BuildRequest(req.data(), CMD_READ_EIS_RECORDS, address, {&max, 1}, 0));
            if (r < 0)
                return;
            const std::size_t d = static_cast<std::size_t>(r) - kHeaderSize;
            if (d == 0)
                break;
            // Only whole records: a cut last record would carry bytes of an older answer.
            for (std::size_t off = 0; off + kEisPointSize <= d; off += kEisPointStride)
                m_doc.AddPotData(2, ans + kHeaderSize + off, kEisPointSize);
        }
    }

    r = exchange(CMD_COUNT_POT_RECORDS, BuildRequest(req.data(), CMD_COUNT_POT_RECORDS, address));
    if (r < 0)
        return;
    pending =
        r >= 8 + 4 ? std::abs(static_cast<int>(ReadU16(ans + 8)) - static_cast<int>(ReadU16(ans + 10))) : 0;
    if (pending != 0) {
        m_timers.Stop(kTimerPoll);
        const std::uint8_t max = 100;
        for (int reads = 0; reads < kMaxRecordReads; ++reads) {
            r = exchange(CMD_READ_POT_RECORDS,
                         BuildRequest(req.data(), CMD_READ_POT_RECORDS, address, {&max, 1}, 0));
            if (r < 0)
                break;
            const std::size_t d = static_cast<std::size_t>(r) - kHeaderSize;
            if (d == 0)
                break;
            for (std::size_t off = 0; off + kPotSampleSize <= d; off += kPotSampleStride)
                m_doc.AddPotData(1, ans + kHeaderSize + off, kPotSampleSize);
        }
        if (m_measuring || m_inCycle)
            m_timers.Start(kTimerPoll, 1000);
    }
}

void Station::PollCycle()
{
    if (!m_link.Busy()) {
        if (m_cycleFree) {
            m_cycleFree = false;
            m_inCycle = true;
            m_stoppedInCycle = false;
            bool potPending = false;
            bool stillRunning = false;
            const int last = std::clamp(m_config.idCount, 0, 15);
            for (int n = 0; n <= last && !m_stoppedInCycle; ++n) {
                catalogue::CSlave& slave = Slave(n);
                if (!slave.m_enabled)
                    continue;
                const auto a = static_cast<std::uint8_t>(n);
                if (!(slave.m_type & 0x40)) {
                    PollOnce(a);
                } else if (!m_potRunning) {
                    PollOnce(a);
                    if (slave.m_countdown > 0)
                        --slave.m_countdown;
                } else {
                    PollRunningPotentiostat(a, stillRunning);
                    potPending = true;
                }
            }
            m_inCycle = false;
            if (potPending)
                m_doc.AddSample(1);
            if (!stillRunning) {
                if (m_potRunning && m_potWithRecording) {
                    m_potWithRecording = false;
                    // The program has ended: the stop command must not ask whether to end it.
                    SetPotRunning(false);
                    StopCommand();
                }
                SetPotRunning(false);
            }
        }
        m_cycleFree = true;
        if (!m_firstSample && !m_stoppedInCycle)
            StoreFirstSample();
    }
    m_ui.RefreshViews();
}

void Station::SetPotRunning(bool running)
{
    m_potRunning = running;
    m_doc.m_potRunning = running;
}

void Station::StoreFirstSample()
{
    m_firstSample = true;
    m_doc.AddSample(0);
    // An invalid interval time reads as -1:-1:-1 and so falls under the 1 s floor too.
    int seconds = m_doc.m_grafikSetup.IntervalSeconds();
    if (seconds < 1) {
        seconds = 1;
        m_doc.m_grafikSetup.SetInterval(0, 0, 1);
    }
    m_timers.Start(kTimerRecord, seconds * 1000);
}

// ---------------------------------------------------------------------------------------
// Data logger and logbook read-out

int Station::RequestFileBlock(const char* name, std::uint16_t block)
{
    const std::size_t k = std::strlen(name);
    std::array<std::uint8_t, kBufferSize> req{};
    std::vector<std::uint8_t> payload(4 + k);
    WriteU16(payload.data(), static_cast<std::uint16_t>(k));
    WriteU16(payload.data() + 2, block);
    std::memcpy(payload.data() + 4, name, k);
    const std::uint8_t address = m_potList.empty() ? 0 : m_potList.front();
    const int len = BuildRequest(req.data(), CMD_READ_FILE_BLOCK, address, payload);
    return m_link.Transceive(req.data(), len, m_link.Answer(), kFileTimeoutS);
}

bool Station::FileAnswerValid(int result)
{
    const std::uint8_t* a = m_link.Answer();
    return result >= static_cast<int>(kHeaderSize) && a[0] == kStartByte && a[1] == CMD_READ_FILE_BLOCK;
}

bool Station::ReadFileBlocks(const char* name, int firstResult, std::string& content, bool progress)
{
    int r = firstResult;
    std::uint16_t block = 0;
    for (;;) {
        const std::uint8_t* a = m_link.Answer();
        const std::uint8_t status = a[8];
        if (r < static_cast<int>(kHeaderSize) + 4 || (status != 1 && status != 2)) {
            m_ui.ShowMessage(T(text::kTransferInterrupted));
            return false;
        }
        const std::size_t n = static_cast<std::size_t>(r) - kHeaderSize - 4;
        if (content.size() + n > kLoggerCapacity) {
            // More than the content buffer holds: refuse rather than keep a cut file.
            m_ui.ShowMessage(T(text::kTransferInterrupted));
            return false;
        }
        content.append(reinterpret_cast<const char*>(a + kHeaderSize + 4), n);
        if (status == 2) {
            if (progress)
                m_ui.SetProgress(kProgressMax);
            return true;
        }
        if (block == 0xFFFF) {
            m_ui.ShowMessage(T(text::kTransferInterrupted));
            return false;
        }
        ++block;
        if (progress)
            m_ui.SetProgress(std::min<int>(block, kProgressMax));
        r = RequestFileBlock(name, block);
        if (!FileAnswerValid(r))
            r = RequestFileBlock(name, block);
        if (!FileAnswerValid(r)) {
            m_ui.ShowMessage(T(text::kTransferInterrupted));
            return false;
        }
    }
}

bool Station::WriteLoggerFile(const std::string& path, const std::string& content, std::size_t ringStart)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        m_ui.ShowMessage(Format("%s: %s", path.c_str(), std::strerror(errno)));
        return false;
    }
    bool ok = std::fwrite(content.data() + ringStart, 1, content.size() - ringStart, f) ==
              content.size() - ringStart;
    if (ringStart > 0)
        ok = ok && std::fwrite(content.data(), 1, ringStart, f) == ringStart;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok)
        m_ui.ShowMessage(Format("%s: %s", path.c_str(), std::strerror(errno)));
    return ok;
}

void Station::ReadDataLogger()
{
    const std::optional<std::string> path = m_ui.ChooseLoggerFile();
    if (!path)
        return;
    m_link.OpenPort();
    AddLogbookEntry(T(text::kReadDataLogger));
    TransferFrame frame(*this);
    if (!frame.Ok())
        return;
    m_ui.ShowProgress(T(text::kTransmissionTitle), T(text::kTransmissionText), kProgressMax);
    frame.UsesProgress();
    if (m_potList.empty()) {
        m_ui.ShowMessage(T(text::kDataNotAvailable));
        return;
    }

    std::string content;
    int r = RequestFileBlock("dl.txt", 0);
    if (r >= 1) {
        if (!FileAnswerValid(r)) {
            m_ui.ShowMessage(T(text::kDataNotAvailable));
            return;
        }
        if (m_link.Answer()[8] == 0 || r < static_cast<int>(kHeaderSize) + 4) {
            m_ui.ShowMessage(T(text::kDataNotAvailable));
        } else {
            m_timers.Stop(kTimerKeepAlive);
            if (!ReadFileBlocks("dl.txt", r, content, true))
                return;
            if (m_link.Ethernet() && m_link.Connected())
                m_timers.Start(kTimerKeepAlive, kKeepAlivePeriodMs);
        }
    }

    if (m_link.Ethernet() && !m_link.OpenEthernet())
        return;
    std::size_t ringStart = 0;
    r = RequestFileBlock("dl.ini", 0);
    if (!FileAnswerValid(r)) {
        m_ui.ShowMessage(T(text::kDataNotAvailable));
        return;
    }
    const std::uint8_t status = m_link.Answer()[8];
    if (status != 0) {
        m_timers.Stop(kTimerKeepAlive);
        if (status != 2 || r < static_cast<int>(kHeaderSize) + 8) {
            m_ui.ShowMessage(T(text::kTransferInterrupted));
            return;
        }
        ringStart = ReadU32(m_link.Answer() + kHeaderSize + 4);
        // The second request only closes the index file's transfer; its answer carries
        // nothing we use. The logger content and ring start are complete at this point,
        // so a lost answer here keeps the read-out (a broken TCP link is still reported).
        if (RequestFileBlock("dl.ini", 1) < 1)
            m_link.LinkError();
        if (m_link.Ethernet() && m_link.Connected())
            m_timers.Start(kTimerKeepAlive, kKeepAlivePeriodMs);
    }
    if (ringStart > content.size()) {
        m_ui.ShowMessage(T(text::kTransferInterrupted));
        return;
    }
    if (!WriteLoggerFile(*path, content, ringStart))
        return;
    m_ui.ShowDataLoggerGraph(*path, m_language);
}

void Station::ReadDeviceLogbook()
{
    m_link.OpenPort();
    TransferFrame frame(*this);
    if (!frame.Ok())
        return;
    m_ui.ShowWait(T(text::kReadingData));
    frame.UsesWait();
    if (m_potList.empty()) {
        m_ui.ShowMessage(T(text::kDataNotAvailable));
        return;
    }
    int r = RequestFileBlock("logbook.txt", 0);
    if (!FileAnswerValid(r) || r < static_cast<int>(kHeaderSize) + 4 || m_link.Answer()[8] == 0) {
        m_ui.ShowMessage(T(text::kDataNotAvailable));
        return;
    }
    m_timers.Stop(kTimerKeepAlive);
    std::string content;
    if (!ReadFileBlocks("logbook.txt", r, content, false))
        return;
    std::replace(content.begin(), content.end(), '\n', '\t');
    std::string entry = Format("%s QOR- System\n", T(text::kLogbookHeading).c_str()) + content;
    entry.erase(std::remove(entry.begin(), entry.end(), '\0'), entry.end());
    AddLogbookEntry(entry);
}

// ---------------------------------------------------------------------------------------
// Potentiostat start and stop

void Station::StartPotentiostat()
{
    m_link.OpenPort();
    AddLogbookEntry(T(text::kStartPotGal));
    if (m_potList.empty()) {
        m_ui.ShowMessage(T(text::kTransferError));
        return;
    }
    const std::uint8_t address = m_potList.front();
    std::array<std::uint8_t, kBufferSize> req{};
    const std::uint8_t payload[2] = {0x01, 0x00};
    const int len = BuildRequest(req.data(), CMD_START_PROGRAM, address, payload);
    const int r = m_link.SendCommand(req.data(), len, m_link.Answer(), kCommandTimeoutS);
    if (r != 10) {
        m_ui.ShowMessage(T(text::kTransferError));
        return;
    }
    if (m_link.Answer()[kHeaderSize] != 1) {
        m_ui.ShowMessage(T(text::kStartRefused));
        return;
    }
    SetPotRunning(true);
    StartMeasuring();
    m_ui.ShowMeter(address);
    m_ui.ProcessEvents(1000);
}

void Station::StopPotentiostat()
{
    m_link.OpenPort();
    AddLogbookEntry(T(text::kStartPotGal));
    if (m_potList.empty()) {
        m_ui.ShowMessage(T(text::kTransferError));
        return;
    }
    std::array<std::uint8_t, kBufferSize> req{};
    const int len = BuildRequest(req.data(), CMD_STOP_PROGRAM, m_potList.front());
    const int r = m_link.SendCommand(req.data(), len, m_link.Answer(), kCommandTimeoutS);
    if (r != 10) {
        m_ui.ShowMessage(T(text::kTransferError));
        return;
    }
    if (m_link.Answer()[kHeaderSize] != 1) {
        m_ui.ShowMessage(T(text::kStopRefused));
        return;
    }
    SetPotRunning(false);
}

void Station::StartPotentiostatAndRecording()
{
    if (!StartRecording())
        return;
    StartPotentiostat();
    m_potWithRecording = true;
}

}  // namespace qor::station
