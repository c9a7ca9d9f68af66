#include "station/pot_program.h"

#include "bus/frame.h"
#include "potentiostat/pot_texts.h"

#include <array>

namespace qor::station {

using namespace qor::potentiostat;

namespace {
constexpr int kWriteTimeoutS = 5;
constexpr int kReadStepTimeoutS = 5;
constexpr int kReadSettingsTimeoutS = 2;
constexpr int kStateTimeoutS = 2;
}  // namespace

// Holds the link's busy flag for one operation and closes the progress window on every way out.
class PotProgram::Hold {
public:
    explicit Hold(PotProgram& p) : m_p(p), m_wasBusy(p.m_link.Busy())
    {
        m_p.m_link.SetBusy(true);
        m_p.m_cancelled = false;
        m_p.m_link.OpenPort();
    }
    ~Hold()
    {
        m_p.CloseProgress();
        m_p.m_link.SetBusy(m_wasBusy);
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    PotProgram& m_p;
    bool m_wasBusy;
};

const std::uint8_t* PotProgram::Exchange(std::uint8_t command, std::span<const std::uint8_t> payload,
                                         std::size_t expectedData, int timeoutS)
{
    std::array<std::uint8_t, bus::kBufferSize> req{};
    const int len = bus::BuildRequest(req.data(), command, m_address, payload);
    const int r = m_link.SendCommand(req.data(), len, m_link.Answer(), timeoutS);
    if (r != static_cast<int>(bus::kHeaderSize + expectedData))
        return nullptr;
    return m_link.Answer() + bus::kHeaderSize;
}

void PotProgram::ShowProgress()
{
    m_ui.ShowProgress(text::kTransfer[m_lang], "", kMaxSteps);
    m_progressOpen = true;
}

void PotProgram::CloseProgress()
{
    if (m_progressOpen)
        m_ui.CloseProgress();
    m_progressOpen = false;
}

bool PotProgram::Fail()
{
    CloseProgress();
    m_ui.ShowMessage(text::kTransferError[m_lang]);
    return false;
}

bool PotProgram::KeepGoing()
{
    if (m_keepGoing && !m_keepGoing())
        m_cancelled = true;
    return !m_cancelled;
}

bool PotProgram::Program(PotStepSetupModel& model)
{
    // Nothing goes to the module that the editor would not have let the user enter.
    if (std::string refused = model.CheckProgram(); !refused.empty()) {
        m_ui.ShowMessage(refused);
        return false;
    }
    Hold hold(*this);
    const SettingsBytes settings = model.ProgramSettings();
    if (!Exchange(bus::CMD_WRITE_SETTINGS, settings, 2, kWriteTimeoutS))
        return Fail();
    ShowProgress();
    for (int i = 1; i <= kMaxSteps; ++i) {
        if (!KeepGoing())
            return false;
        const StepSlot slot = model.ProgramSlot(i);
        if (!Exchange(bus::CMD_WRITE_STEP, slot, 2, kWriteTimeoutS))
            return Fail();
        m_ui.SetProgress(i);
    }
    model.ClearModified();
    return true;
}

bool PotProgram::ReadBack(PotStepSetupModel& model)
{
    Hold hold(*this);
    ShowProgress();
    model.BeginReadBack();
    for (int i = 1; i <= kMaxSteps; ++i) {
        if (!KeepGoing())
            return false;
        m_ui.SetProgress(i);
        const std::uint8_t number = static_cast<std::uint8_t>(i);
        const std::uint8_t* slot = Exchange(bus::CMD_READ_STEP, {&number, 1}, kSlotSize, kReadStepTimeoutS);
        if (!slot)
            return Fail();
        if (slot[0] == 0) {
            m_ui.SetProgress(kMaxSteps);
            break;
        }
        model.AddReadStep(DecodeSlot(slot));
    }
    const std::uint8_t* settings =
        Exchange(bus::CMD_READ_POT_SETTINGS, {}, kSettingsSize, kReadSettingsTimeoutS);
    if (!settings)
        return Fail();
    model.TakeSettings(settings);
    return true;
}

bool PotProgram::ManualRead(PotManuellModel& model)
{
    Hold hold(*this);
    const std::uint8_t* settings =
        Exchange(bus::CMD_READ_POT_SETTINGS, {}, kSettingsSize, kReadSettingsTimeoutS);
    if (!settings)
        return Fail();
    model.TakeSettings(settings);
    const StateBytes read = EncodeStateRead();
    const std::uint8_t* state = Exchange(bus::CMD_OPERATING_STATE, read, kStateSize, kStateTimeoutS);
    if (!state)
        return Fail();
    model.TakeState(state);
    return true;
}

bool PotProgram::ManualMeasure(PotManuellModel& model)
{
    // The port is open since the window's opening read; opening it again would reset it
    // every second.
    if (m_link.Busy())
        return true;  // asked again at the next tick
    // The window's read is no poll of the cycle: a silent module must not count toward ending
    // a recording.
    const std::uint8_t pollErrors = m_link.PollErrors();
    m_link.PrepareMeasureRequest(m_address);
    const std::optional<bus::MeasurementAnswer> m = m_link.PollModule();
    m_link.SetPollErrors(pollErrors);
    if (!m) {
        model.TakeMeasurement(std::nullopt);
        return false;
    }
    model.TakeMeasurement(std::pair(m->status, m->raw));
    return true;
}

bool PotProgram::ManualApply(PotManuellModel& model)
{
    Hold hold(*this);
    const SettingsBytes settings = model.SettingsPayload();
    if (!Exchange(bus::CMD_WRITE_SETTINGS, settings, 2, kWriteTimeoutS))
        return Fail();
    const StateBytes set = model.StateSetPayload();
    const std::uint8_t* state = Exchange(bus::CMD_OPERATING_STATE, set, kStateSize, kStateTimeoutS);
    if (!state)
        return Fail();
    model.TakeState(state);
    return true;
}

}  // namespace qor::station
