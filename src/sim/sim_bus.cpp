#include "sim/sim_bus.h"

#include "bus/frame.h"
#include "catalogue/catalogue.h"
#include "sim/sim_potentiostat.h"

namespace qor::sim {

using namespace qor::bus;

namespace {
const std::array<std::pair<Fault, const char*>, 7> kFaultNames = {{
    {Fault::None, "none"},
    {Fault::NoAnswer, "silent"},
    {Fault::BadChecksum, "checksum"},
    {Fault::CutAfterHeader, "cut"},
    {Fault::StatusError, "status0"},
    {Fault::StatusNotReady, "status6"},
    {Fault::WrongEcho, "echo"},
}};
}  // namespace

std::optional<Fault> ParseFault(const std::string& name)
{
    for (auto& [f, n] : kFaultNames)
        if (name == n)
            return f;
    return std::nullopt;
}

const char* FaultName(Fault f)
{
    for (auto& [k, n] : kFaultNames)
        if (k == f)
            return n;
    return "none";
}

SimBus::SimBus(Clock& clock, std::uint32_t seed) : m_clock(clock), m_seed(seed), m_rng(seed) {}
SimBus::~SimBus() = default;

std::unique_ptr<SimModule> SimBus::MakeModule(std::uint8_t address, std::uint8_t typeCode, std::uint32_t seed)
{
    if (catalogue::IsPotentiostat(typeCode))
        return std::make_unique<SimPotentiostat>(address, typeCode, seed);
    return std::make_unique<SimModule>(address, typeCode, seed);
}

SimModule& SimBus::AddModule(std::unique_ptr<SimModule> module)
{
    auto a = static_cast<std::size_t>(module->Address() & 15);
    m_modules[a] = std::move(module);
    return *m_modules[a];
}

SimModule& SimBus::AddModule(std::uint8_t address, std::uint8_t typeCode)
{
    SimModule& m = AddModule(MakeModule(address, typeCode, m_seed));
    if (auto* pot = dynamic_cast<SimPotentiostat*>(&m))
        pot->Cell().SetParams(m_cell);
    return m;
}

void SimBus::SetCellParams(const CellParams& params)
{
    m_cell = params;
    for (auto& m : m_modules)
        if (auto* pot = dynamic_cast<SimPotentiostat*>(m.get()))
            pot->Cell().SetParams(params);
}

void SimBus::RemoveModule(std::uint8_t address)
{
    if (address < 16)
        m_modules[address].reset();
}

SimModule* SimBus::Module(std::uint8_t address)
{
    return address < 16 ? m_modules[address].get() : nullptr;
}

void SimBus::AddDefaultModules()
{
    AddModule(0, 1);  // pH
    AddModule(1, 4);  // 2000 µS conductivity
    AddModule(2, 8);  // oxygen
}

void SimBus::QueueFault(std::uint8_t address, Fault fault)
{
    if (address < 16)
        m_faults[address].queued.push_back(fault);
}

void SimBus::SetFaultRate(std::uint8_t address, double rate, Fault kind)
{
    if (address < 16) {
        m_faults[address].rate = rate;
        m_faults[address].kind = kind;
    }
}

void SimBus::SetFaultRateAll(double rate, Fault kind)
{
    for (std::uint8_t a = 0; a < 16; ++a)
        SetFaultRate(a, rate, kind);
}

Fault SimBus::NextFault(std::uint8_t address)
{
    if (address >= 16)
        return Fault::None;
    FaultPlan& plan = m_faults[address];
    if (!plan.queued.empty()) {
        Fault f = plan.queued.front();
        plan.queued.pop_front();
        return f;
    }
    if (plan.rate <= 0.0)
        return Fault::None;
    std::uniform_real_distribution<double> u(0.0, 1.0);
    if (u(m_rng) >= plan.rate)
        return Fault::None;
    if (plan.kind != Fault::None)
        return plan.kind;
    std::uniform_int_distribution<int> k(1, 6);
    return static_cast<Fault>(k(m_rng));
}

std::optional<Reply> SimBus::Dispatch(const std::uint8_t* request, std::size_t length, Fault& fault)
{
    fault = Fault::None;
    if (length < kHeaderSize || request[0] != kStartByte)
        return std::nullopt;
    ++m_exchanges;
    Request r;
    r.command = request[1];
    r.address = request[2];
    r.lengthField = ReadU16(request + 3);
    r.payload.assign(request + kHeaderSize, request + length);
    SimModule* m = Module(r.address);
    if (!m)
        return std::nullopt;
    fault = NextFault(r.address);
    if (fault == Fault::NoAnswer)
        return std::nullopt;
    auto reply = m->Handle(r, m_clock.TickMs());
    if (!reply)
        return std::nullopt;
    if (fault == Fault::StatusError)
        reply->status |= kStatusRefused;
    if (fault == Fault::StatusNotReady)
        reply->status |= kStatusNotReady;
    if (fault == Fault::WrongEcho)
        reply->command = static_cast<std::uint8_t>(reply->command + 1);
    return reply;
}

namespace {
std::vector<std::uint8_t> Encode(const Reply& r)
{
    std::vector<std::uint8_t> out(kHeaderSize + r.data.size());
    out[0] = kStartByte;
    out[1] = r.command;
    out[2] = r.addressByte;
    WriteU16(out.data() + 3, static_cast<std::uint16_t>(r.data.size()));
    out[5] = r.status;
    std::copy(r.data.begin(), r.data.end(), out.begin() + kHeaderSize);
    return out;
}
}  // namespace

std::optional<std::vector<std::uint8_t>> SimBus::Exchange(const std::uint8_t* request, std::size_t length)
{
    // The gateway itself answers the link test, whether or not a module sits at the address.
    if (length >= kHeaderSize && request[0] == kStartByte && request[1] == CMD_LINK_TEST &&
        !Module(request[2])) {
        Reply r;
        r.command = CMD_LINK_TEST;
        r.addressByte = request[2];
        return Encode(r);
    }
    Fault fault;
    auto reply = Dispatch(request, length, fault);
    // Behind the gateway a corrupt or cut answer never reaches the client.
    if (!reply || fault == Fault::BadChecksum || fault == Fault::CutAfterHeader)
        return std::nullopt;
    return Encode(*reply);
}

std::vector<std::uint8_t> SimBus::ExchangeSerial(const std::uint8_t* frame, std::size_t length)
{
    if (length < kHeaderSize + 2 || ReadU16(frame + length - 2) != Crc16(frame, length - 2))
        return {};
    Fault fault;
    auto reply = Dispatch(frame, length - 2, fault);
    if (!reply)
        return {};
    std::vector<std::uint8_t> out = Encode(*reply);
    std::uint16_t crc = Crc16(out.data(), out.size());
    if (fault == Fault::BadChecksum)
        crc ^= 0x5A5A;
    out.push_back(static_cast<std::uint8_t>(crc));
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    if (fault == Fault::CutAfterHeader && out.size() > 10)
        out.resize(10);
    return out;
}

int SimBus::SerialFrameLength(const std::uint8_t* bytes, std::size_t length)
{
    if (length == 0)
        return 0;
    if (bytes[0] != kStartByte)
        return -1;
    if (length < kHeaderSize)
        return 0;
    const std::uint16_t n = ReadU16(bytes + 3);
    if (n > kBufferSize - kHeaderSize - 2)
        return -1;
    const std::size_t base = kHeaderSize + n;
    // The length field leaves out the payload byte of some commands; the checksum tells.
    for (std::size_t extra = static_cast<std::size_t>(HiddenPayloadBytes(bytes[1], n)); extra <= 1; ++extra) {
        std::size_t total = base + extra + 2;
        if (length < total)
            return 0;
        if (ReadU16(bytes + total - 2) == Crc16(bytes, total - 2))
            return static_cast<int>(total);
    }
    return -1;
}

}  // namespace qor::sim
