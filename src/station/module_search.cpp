#include "station/module_search.h"

#include "bus/answers.h"
#include "station/freigabe_dlg_model.h"
#include "station/link_texts.h"
#include "station/slave_auswahl_model.h"
#include "station/station_texts.h"

#include <algorithm>
#include <array>

namespace qor::station {

using namespace qor::bus;

namespace {
constexpr int kExchangeTimeoutS = 2;
}  // namespace

std::optional<std::uint8_t> ModuleSearch::ProbeType(std::uint8_t address)
{
    // Free addresses stay silent by nature: they must not count as failures of the link
    // (the counter would otherwise stop the next recording after one lost answer).
    // A module may miss one answer, as it may in the poll: silence is asked once more. An
    // answer that came back unusable (corrupted, refused, not ready) tells that a module is
    // there: it is asked up to twice more.
    BusLink& link = m_ctx.link;
    const std::uint8_t pollErrors = link.PollErrors();
    std::optional<MeasurementAnswer> ok;
    bool answered = false;
    for (int attempt = 0; attempt < 3 && !ok && (attempt < 2 || answered); ++attempt) {
        link.PrepareMeasureRequest(address);
        link.SetPollErrors(0);
        ok = link.PollModule();
        const ExchangeFailure why = link.LastFailure();
        answered = answered || why == ExchangeFailure::Corrupt || why == ExchangeFailure::None;
    }
    link.SetPollErrors(pollErrors);
    if (!ok)
        return std::nullopt;
    return ok->status;
}

bool ModuleSearch::Poll(FreigabeDlgModel& dialog)
{
    const int last = std::clamp(m_ctx.config.idCount, 0, 15);
    bool anyAnswer = false;
    for (int n = 0; n <= last; ++n) {
        const auto a = static_cast<std::uint8_t>(n);
        catalogue::CSlave& slave = m_ctx.Slave(n);
        m_ctx.ui.ShowWait(Format("%s\nSlave %2d ", text::kSearching[m_ctx.language], n));
        const std::optional<std::uint8_t> type = ProbeType(a);
        if (!type) {
            slave.m_enabled = 0;
            ForgetValues(slave);
            continue;
        }
        anyAnswer = true;
        slave.m_type = *type;
        slave.m_language = static_cast<std::uint8_t>(m_ctx.language);
        const std::string entry = Format("Slave %2d: %s", n, catalogue::ModuleName(slave).c_str());
        if (slave.m_enabled)
            dialog.AddReleased(entry, a);
        else
            dialog.AddNotReleased(entry, a);
    }
    for (int n = last + 1; n < 16; ++n) {
        m_ctx.Slave(n).m_enabled = 0;
        ForgetValues(m_ctx.Slave(n));
    }
    return anyAnswer;
}

void ModuleSearch::Release(const FreigabeDlgModel& dialog)
{
    for (std::uint8_t a : dialog.NotReleased()) {
        if (a == FreigabeDlgModel::kEnd)
            break;
        if (a < 16) {
            m_ctx.Slave(a).m_enabled = 0;
            m_ctx.Slave(a).m_type = 0;
            ForgetValues(m_ctx.Slave(a));
        }
    }
    m_ctx.Log(m_ctx.T(text::kReleaseOfSlaves));
    m_ctx.flags.modulesReleased = false;
    for (std::uint8_t a : dialog.Released()) {
        if (a == FreigabeDlgModel::kEnd)
            break;
        if (a >= 16)
            continue;
        catalogue::CSlave& slave = m_ctx.Slave(a);
        m_ctx.ui.ShowWait(m_ctx.T(text::kReadModuleData));
        slave.m_enabled = 1;
        m_ctx.flags.modulesReleased = true;
        m_ctx.Log(Format("\tSlave %d  %s", a, catalogue::ModuleName(slave).c_str()));
        if (!Identify(slave, a)) {
            // Repeated until the user acknowledges it with OK.
            for (int i = 0; i < 1000 && !m_ctx.ui.ShowErrorDialog(m_ctx.T(text::kCheckSlave)); ++i) {
            }
        } else {
            m_ctx.ui.SetPane(3, m_ctx.T(text::kModules));
        }
    }
}

void ModuleSearch::Search()
{
    BusLink& link = m_ctx.link;
    FreigabeDlgModel dialog(m_ctx.language);
    m_ctx.flags.potList.clear();
    m_ctx.flags.potPresent = false;
    // A port that does not open has said why (through the link's report): no search.
    if (!link.OpenPort())
        return;
    m_ctx.ui.ShowWait(m_ctx.T(text::kSearching));
    m_ctx.ui.SetPane(3, m_ctx.T(text::kNoModules));

    if (!Poll(dialog)) {
        m_ctx.ui.ShowErrorDialog(m_ctx.T(text::kNoSlave));
        m_ctx.ui.CloseWait();
        m_ctx.Log(Format("\t %s", m_ctx.T(text::kNoSlave).c_str()));
        m_ctx.flags.modulesReleased = false;
        return;
    }
    if (m_ctx.ui.RunReleaseDialog(dialog))
        Release(dialog);
    m_ctx.ui.CloseWait();

    unsigned mask = 0;
    for (int n = 0; n < 16; ++n)
        if (m_ctx.Slave(n).m_enabled)
            mask |= 1u << n;
    m_ctx.config.sEnable = mask;

    if (link.Ethernet())
        m_ctx.ui.SetPane(1,
                         LinkPaneText(link.Settings(), link.Connected() ? "open" : "closed", m_ctx.language));
}

int ModuleSearch::Identify(catalogue::CSlave& slave, std::uint8_t address)
{
    BusLink& link = m_ctx.link;
    if (link.Ethernet() && !link.Connected() && !link.OpenEthernet())
        return 0;
    std::array<std::uint8_t, kBufferSize> req{};
    const std::uint8_t payload[2] = {0x00, 0x80};
    int len = BuildRequest(req.data(), CMD_IDENTIFY, address, payload);
    int r = link.Transceive(req.data(), len, link.Answer(), kExchangeTimeoutS);
    if (r < 1) {
        link.LinkError();
        return 0;
    }
    const std::optional<Identification> id = DecodeIdentification(link.Answer(), r);
    if (!id)
        return 0;
    slave.m_address = address;
    slave.m_type = id->type;
    if (id->unit)
        slave.m_unit = *id->unit;
    if (id->calibration)
        slave.m_calibration = *id->calibration;
    if (id->channelByte) {
        StationFlags& f = m_ctx.flags;
        if (static_cast<int>(f.potList.size()) >= kMaxPotentiostats) {
            m_ctx.ui.ShowMessage(m_ctx.T(text::kOnlyFourPots));
        } else {
            f.potList.push_back(address);
            f.potPresent = true;
            if (slave.m_type & 0x10)
                m_ctx.SetPotRunning(true);
        }
        slave.m_channelByte = *id->channelByte;
    }

    len = BuildRequest(req.data(), CMD_READ_SETTINGS, address);
    r = link.Transceive(req.data(), len, link.Answer(), kExchangeTimeoutS);
    const std::optional<ModuleSetting> setting = DecodeSetting(link.Answer(), r);
    slave.m_settingByte = setting ? setting->byte : address;
    slave.m_settingValue = setting ? setting->value : 25.0f;

    len = BuildRequest(req.data(), CMD_READ_REVISION, address);
    r = link.Transceive(req.data(), len, link.Answer(), kExchangeTimeoutS);
    slave.m_revision = DecodeRevision(link.Answer(), r).value_or(1.0f);

    // Nothing is measured until the first poll: a sample or a view must not show zeros.
    ForgetValues(slave);
    return 1;
}

void ModuleSearch::AutoEnable()
{
    if (!m_ctx.config.autoEnable)
        return;
    for (int n = 0; n < 16; ++n)
        m_ctx.Slave(n).m_enabled = (m_ctx.config.sEnable >> n) & 1u ? 1 : 0;
    m_ctx.ui.ProcessEvents(1000);
    Search();
}

std::optional<std::uint8_t> ModuleSearch::ChoosePotentiostat()
{
    SlaveAuswahlModel dialog(m_ctx.language);
    for (int n = 0; n < 16; ++n) {
        catalogue::CSlave& slave = m_ctx.Slave(n);
        if (!slave.m_enabled)
            continue;
        const std::optional<std::uint8_t> type = ProbeType(static_cast<std::uint8_t>(n));
        // Of the potentiostats, only codes 0x40..0x5F can be chosen.
        if (type && catalogue::IsPotentiostat(*type) && *type <= 0x5F) {
            catalogue::CSlave probe = slave;
            probe.m_type = *type;
            dialog.AddEntry(Format("Slave %2d: %s", n, catalogue::ModuleName(probe).c_str()),
                            static_cast<std::uint8_t>(n));
        }
    }
    if (dialog.Count() == 0) {
        m_ctx.ui.ShowMessage(m_ctx.T(text::kNoMatchingSlave));
        return std::nullopt;
    }
    if (!m_ctx.ui.RunModuleSelection(dialog))
        return std::nullopt;
    return dialog.SelectedAddress();
}

}  // namespace qor::station
