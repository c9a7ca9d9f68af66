#include "potentiostat/pot_step_setup_model.h"

#include "potentiostat/pot_texts.h"

namespace qor::potentiostat {

namespace {

bool IsStep(const std::string& next)
{
    return next != "End";
}

}  // namespace

PotStepSetupModel::PotStepSetupModel(int lang) : m_lang(lang == 1 ? 1 : 0) {}

std::string PotStepSetupModel::Cell(int row, int column) const
{
    return Row(row)[static_cast<std::size_t>(ColumnField(column))];
}

// Every row shows its position as its number and the slew of its device form.
void PotStepSetupModel::SetRow(int row, StepText text)
{
    text[F_NUMBER] = std::to_string(row + 1);
    text[F_CYCLE].clear();
    text[F_SLEW] = SlewText(ToDevice(text));
    m_rows[static_cast<std::size_t>(row)] = std::move(text);
}

std::string PotStepSetupModel::Append()
{
    if (Rows() >= kMaxSteps)
        return T(text::kTooManySteps);
    m_rows.emplace_back();
    SetRow(Rows() - 1, DefaultStepText());
    m_modified[static_cast<std::size_t>(Rows() - 1)] = 1;
    return {};
}

std::string PotStepSetupModel::Insert()
{
    if (m_selected < 0)
        return T(text::kNoSelection);
    if (Rows() >= kMaxSteps)
        return T(text::kTooManySteps);
    const int s = m_selected;
    // References to the steps that move down follow them, wherever they are.
    for (StepText& r : m_rows)
        if (IsStep(r[F_NEXT]) && LeadingInt(r[F_NEXT]) >= s + 1)
            r[F_NEXT] = std::to_string(LeadingInt(r[F_NEXT]) + 1);
    StepText fresh = DefaultStepText();
    fresh[F_NEXT] = std::to_string(s + 2);
    m_rows.insert(m_rows.begin() + s, fresh);
    SetRow(s, fresh);
    for (int i = s; i < Rows(); ++i) {
        if (i > s)
            SetRow(i, Row(i));
        m_modified[static_cast<std::size_t>(i)] = 1;
    }
    return {};
}

std::string PotStepSetupModel::Delete()
{
    if (m_selected < 0)
        return T(text::kNoSelection);
    const int p = m_selected;
    const long long removed = p + 1;
    m_rows.erase(m_rows.begin() + p);
    // A reference to the removed step now leads to the step that took its place (or ends
    // the program when it was the last); later steps moved up by one.
    for (StepText& r : m_rows) {
        if (!IsStep(r[F_NEXT]))
            continue;
        const long long n = LeadingInt(r[F_NEXT]);
        if (n > removed)
            r[F_NEXT] = std::to_string(n - 1);
        else if (n == removed && removed > Rows())
            r[F_NEXT] = "End";
    }
    for (int i = p; i < Rows(); ++i) {
        SetRow(i, Row(i));
        m_modified[static_cast<std::size_t>(i)] = 1;
    }
    for (int i = Rows(); i < kMaxSteps; ++i)
        m_modified[static_cast<std::size_t>(i)] = 0;
    m_selected = -1;
    return {};
}

std::optional<StepText> PotStepSetupModel::BeginChange(std::string& message) const
{
    if (m_selected < 0) {
        message = T(text::kNoSelection);
        return std::nullopt;
    }
    return Row(m_selected);
}

void PotStepSetupModel::EndChange(const StepText& edited)
{
    if (m_selected < 0)
        return;
    SetRow(m_selected, edited);
    m_modified[static_cast<std::size_t>(m_selected)] = 1;
}

std::string PotStepSetupModel::CopyText() const
{
    std::string out;
    for (int r = 0; r < Rows(); ++r) {
        for (int c = 0; c < kColumnCount; ++c) {
            if (c > 0)
                out += "   ";
            out += Cell(r, c);
        }
        out += "\r\n";
    }
    return out;
}

std::string PotStepSetupModel::CopiedMessage() const
{
    return T(text::kCopied);
}

namespace {

bool HasStpExtension(const std::string& path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("/\\");
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
           path.substr(dot + 1) == "stp";
}

}  // namespace

std::string PotStepSetupModel::LoadTemplate(const std::string& path)
{
    if (!HasStpExtension(path))
        return T(text::kWrongType);
    StpTemplate t;
    const StpRead r = LoadStpFile(path, t);
    return ApplyTemplate(r, t);
}

std::string PotStepSetupModel::ApplyTemplate(StpRead result, const StpTemplate& t)
{
    if (result == StpRead::TooManySteps)
        return T(text::kTooManySteps);
    if (result != StpRead::Ok)
        return T(text::kUnreadable);
    m_templateVersion = t.version;
    m_rows.assign(t.steps.size(), StepText{});
    m_modified.fill(0);
    for (int i = 0; i < Rows(); ++i) {
        SetRow(i, t.steps[static_cast<std::size_t>(i)].text);
        m_modified[static_cast<std::size_t>(i)] = 1;
    }
    // The hardware filter is no part of a template; the aux value only of version 3.0.
    const PotSettings before = m_settings;
    m_settings = t.settings;
    m_settings.hardwareFilter = before.hardwareFilter;
    if (t.version <= 2.0)
        m_settings.aux = before.aux;
    m_selected = -1;
    SetCompensation(m_settings.compensation);
    return {};
}

StpTemplate PotStepSetupModel::ToTemplate() const
{
    StpTemplate t;
    t.settings = m_settings;
    for (const StepText& r : m_rows) {
        StepText s = r;
        ToDevice(s);
        t.steps.push_back({s, m_settings.aux});
    }
    return t;
}

std::string PotStepSetupModel::SaveTemplate(const std::string& path) const
{
    return SaveStpFile(path, ToTemplate()) ? std::string() : T(text::kUnwritable);
}

void PotStepSetupModel::SetCompensation(int mode)
{
    PotSettings& s = m_settings;
    s.compensation = mode;
    s.slider1 = 0;
    s.slider2 = 0;
    if (mode == 1) {
        s.slider1 = s.interruptionInterval;
        s.slider2 = s.offTime;
    } else if (mode == 2) {
        s.slider1 = s.irByte & 0x7F;
        s.irCapacitor = s.irByte >> 7;
    }
}

CompensationView PotStepSetupModel::Compensation() const
{
    CompensationView v;
    const PotSettings& s = m_settings;
    if (s.compensation == 1) {
        v.slider1Shown = v.slider2Shown = true;
        v.slider1Min = 1, v.slider1Max = 50;
        v.slider2Min = 1, v.slider2Max = 99;
        v.label1 = T(text::kIntervalMs);
        v.label2 = T(text::kOffTime);
        v.value1 = std::to_string(s.slider1);
        v.value2 = std::to_string(s.slider2) + " %";
    } else if (s.compensation == 2) {
        v.slider1Shown = v.capacitorShown = true;
        v.slider1Min = 0, v.slider1Max = 100;
        v.label1 = T(text::kIrFeedback);
        v.value1 = std::to_string(s.slider1);
    }
    return v;
}

SettingsBytes PotStepSetupModel::ProgramSettings()
{
    PotSettings& s = m_settings;
    s.interruptionInterval = static_cast<std::uint8_t>(s.slider1);
    s.irByte = static_cast<std::uint8_t>(s.slider1);
    s.offTime = static_cast<std::uint8_t>(s.slider2);
    return EncodeSettings(s);
}

StepSlot PotStepSetupModel::ProgramSlot(int number) const
{
    if (number > Rows())
        return EmptySlot(static_cast<std::uint8_t>(number));
    return EncodeSlot(ToDevice(Row(number - 1)), static_cast<std::uint8_t>(number),
                      m_modified[static_cast<std::size_t>(number - 1)] != 0);
}

void PotStepSetupModel::BeginReadBack()
{
    m_rows.clear();
    m_modified.fill(0);
    m_selected = -1;
}

void PotStepSetupModel::AddReadStep(const DeviceStep& step)
{
    if (Rows() >= kMaxSteps)
        return;
    m_rows.emplace_back();
    SetRow(Rows() - 1, FromDevice(step));
}

void PotStepSetupModel::TakeSettings(const std::uint8_t* data)
{
    DecodeSettings(data, m_settings);
    SetCompensation(m_settings.compensation);
}

std::string PotStepSetupModel::FirmwareText() const
{
    return Format("%.2f", static_cast<double>(m_firmware));
}

bool PotStepSetupModel::FirmwareOutdated() const
{
    return m_firmware <= 1.01f;
}

}  // namespace qor::potentiostat
