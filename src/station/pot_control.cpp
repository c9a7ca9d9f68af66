#include "station/pot_control.h"

#include "bus/answers.h"
#include "station/station_texts.h"

#include <array>

namespace qor::station {

using namespace qor::bus;

namespace {
constexpr int kExchangeTimeoutS = 2;
constexpr int kCommandTimeoutS = 5;
constexpr int kFastModeCount = 10;
// A module that keeps answering with records is read at most this often per poll.
constexpr int kMaxRecordReads = 1000;
}  // namespace

bool PotControl::SendProgramCommand(std::uint8_t command, const TextPair& refused)
{
    BusLink& link = m_ctx.link;
    link.OpenPort();
    m_ctx.Log(m_ctx.T(text::kStartPotGal));
    if (m_ctx.flags.potList.empty()) {
        m_ctx.ui.ShowMessage(m_ctx.T(text::kTransferError));
        return false;
    }
    std::array<std::uint8_t, kBufferSize> req{};
    const std::uint8_t startPayload[2] = {0x01, 0x00};
    const int len = command == CMD_START_PROGRAM
                        ? BuildRequest(req.data(), command, m_ctx.flags.potList.front(), startPayload)
                        : BuildRequest(req.data(), command, m_ctx.flags.potList.front());
    const int r = link.SendCommand(req.data(), len, link.Answer(), kCommandTimeoutS);
    if (r != 10) {
        m_ctx.ui.ShowMessage(m_ctx.T(text::kTransferError));
        return false;
    }
    if (link.Answer()[kHeaderSize] != 1) {
        m_ctx.ui.ShowMessage(m_ctx.T(refused));
        return false;
    }
    return true;
}

std::optional<std::uint8_t> PotControl::Start()
{
    if (!SendProgramCommand(CMD_START_PROGRAM, text::kStartRefused))
        return std::nullopt;
    m_ctx.SetPotRunning(true);
    return m_ctx.flags.potList.front();
}

void PotControl::Stop()
{
    if (SendProgramCommand(CMD_STOP_PROGRAM, text::kStopRefused))
        m_ctx.SetPotRunning(false);
}

bool PotControl::PollRunning(std::uint8_t address, bool& stillRunning)
{
    BusLink& link = m_ctx.link;
    catalogue::CSlave& slave = m_ctx.Slave(address);
    slave.m_potTime = m_ctx.clock.Now();
    const int count = (m_ctx.config.potRate == 0 || m_ctx.flags.potList.size() > 1) ? 1 : kFastModeCount;
    slave.m_potCount = count;
    link.PrepareMeasureRequest(address);
    bool anyAnswer = false;
    for (int i = 0; i < count && !m_ctx.flags.stoppedInCycle; ++i) {
        // The record read-out between two polls uses its own request buffer, so the
        // prepared measurement request stays in place.
        const std::optional<bus::MeasurementAnswer> m = link.PollModule();
        if (!m)
            continue;
        anyAnswer = true;
        const bool pot = ApplyMeasurement(slave, *m);
        // In the fast mode the module numbers its answers 1..10; an answer without such a
        // number has no slot.
        const std::optional<std::uint8_t> slot = count == 1 ? std::optional<std::uint8_t>(0) : m->slot;
        if (slot && *slot < kFastModeCount) {
            catalogue::PotSlot& s = slave.m_potSlot[*slot];
            s.m_status = m->status;
            s.m_value1 = catalogue::DescribeModule(slave).factor * slave.m_value1;
            s.m_value2 = slave.m_value2;
            s.m_value3 = slave.m_value3;
        }
        if (slave.m_type > 0x4F && m->status < 0x80)
            stillRunning = true;
        if (pot)
            ReadRecords(address);
    }
    // A potentiostat that did not answer at all says nothing about its program: a lost
    // answer must not end the run (and the recording started with it).
    if (!anyAnswer) {
        stillRunning = true;
        ForgetValues(slave);
    }
    return anyAnswer;
}

void PotControl::ReadRecords(std::uint8_t address)
{
    BusLink& link = m_ctx.link;
    std::array<std::uint8_t, kBufferSize> req{};
    std::uint8_t* ans = link.Answer();
    auto exchange = [&](std::uint8_t command, int len) -> int {
        int r = link.Transceive(req.data(), len, ans, kExchangeTimeoutS);
        if (r < 1) {
            link.LinkError();
            return -1;
        }
        return Accepted(ans, r, command) ? r : -1;
    };
    // Reads until the module has no more to give; false when an exchange failed.
    auto readAll = [&](std::uint8_t command, std::uint8_t max, data::CQORDoc::PotBlock kind) {
        for (int reads = 0; reads < kMaxRecordReads; ++reads) {
            const int r = exchange(command, BuildRequest(req.data(), command, address, {&max, 1}, 0));
            if (r < 0)
                return false;
            if (r == static_cast<int>(kHeaderSize))
                break;
            for (auto record :
                 kind == data::CQORDoc::PotBlock::Record ? PotRecords(ans, r) : EisRecords(ans, r))
                m_ctx.doc.AddPotData(kind, record.data(), record.size());
        }
        return true;
    };

    int r = exchange(CMD_COUNT_EIS_RECORDS, BuildRequest(req.data(), CMD_COUNT_EIS_RECORDS, address));
    if (r < 0)
        return;
    if (PendingEisRecords(ans, r) != 0 &&
        !readAll(CMD_READ_EIS_RECORDS, 50, data::CQORDoc::PotBlock::Impedance))
        return;

    r = exchange(CMD_COUNT_POT_RECORDS, BuildRequest(req.data(), CMD_COUNT_POT_RECORDS, address));
    if (r < 0 || PendingPotRecords(ans, r) == 0)
        return;
    m_ctx.timers.Stop(kTimerPoll);
    readAll(CMD_READ_POT_RECORDS, 100, data::CQORDoc::PotBlock::Record);
    if (m_ctx.flags.measuring || m_ctx.flags.inCycle)
        m_ctx.timers.Start(kTimerPoll, 1000);
}

}  // namespace qor::station
