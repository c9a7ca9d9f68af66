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
    // An impedance step's interval counts values per decade, as its read-back shows.
    if (TypeIndex(text[F_TYPE]) == T_EIS)
        text[F_INTERVAL_UNIT] = "/decade";
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
    // References to the steps that move down follow them, wherever they are; only the row
    // above, when it led to the displaced step, now leads to the new one, which in turn leads
    // to the displaced step.
    for (int i = 0; i < Rows(); ++i) {
        StepText& r = m_rows[static_cast<std::size_t>(i)];
        if (!IsStep(r[F_NEXT]))
            continue;
        const long long n = LeadingInt(r[F_NEXT]);
        if (n < s + 1 || (i == s - 1 && n == s + 1))
            continue;
        r[F_NEXT] = std::to_string(n + 1);
        m_modified[static_cast<std::size_t>(i)] = 1;
    }
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
    m_loadNote.clear();
    if (result == StpRead::TooManySteps)
        return T(text::kTooManySteps);
    if (result == StpRead::UnknownVersion)
        return Format(text::kUnknownVersion[m_lang], Format("%g", t.version).c_str());
    if (result == StpRead::TrailingBytes)
        return T(text::kTrailingBytes);
    if (result != StpRead::Ok)
        return T(text::kUnreadable);
    if (std::string bad = CheckSettings(t.settings, m_lang); !bad.empty())
        return bad;
    m_templateVersion = t.version;
    const int rows = static_cast<int>(t.steps.size());
    m_rows.assign(t.steps.size(), StepText{});
    m_modified.fill(0);
    std::vector<std::string> changes;
    for (int i = 0; i < rows; ++i) {
        SetRow(i,
               WithinEditorLimits(t.steps[static_cast<std::size_t>(i)].text, i + 1, rows, m_lang, changes));
        m_modified[static_cast<std::size_t>(i)] = 1;
    }
    if (!changes.empty()) {
        m_loadNote = T(text::kLimited);
        for (const std::string& c : changes)
            m_loadNote += "\n" + c;
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

std::string CheckSettings(const PotSettings& s, int lang)
{
    struct Field {
        const char* name;
        int value, lo, hi;
    };
    const Field fields[] = {
        {"voltageRange", s.voltageRange, 0, 1},   {"currentRange", s.currentRange, 0, 7},
        {"voltageManual", s.voltageManual, 0, 1}, {"currentManual", s.currentManual, 0, 1},
        {"compensation", s.compensation, -1, 2},  {"irCapacitor", s.irCapacitor, -1, 1},
        {"filterIndex", s.filterIndex, -1, 5},    {"capacitance", s.capacitance, -1, 5},
        {"dataRate10Hz", s.dataRate10Hz, 0, 1},
    };
    for (const Field& f : fields)
        if (f.value < f.lo || f.value > f.hi)
            return Format(text::kBadSetting[lang == 1 ? 1 : 0], f.name, f.value);
    return {};
}

std::string PotStepSetupModel::CheckProgram() const
{
    if (std::string bad = CheckSettings(m_settings, m_lang); !bad.empty())
        return bad;
    std::vector<std::string> changes;
    for (int i = 0; i < Rows() && changes.empty(); ++i)
        WithinEditorLimits(Row(i), i + 1, Rows(), m_lang, changes);
    return changes.empty() ? std::string() : T(text::kNotProgrammed) + "\n" + changes.front();
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

std::string PotStepSetupModel::TransferText(bool program, bool ok, bool cancelled) const
{
    if (ok)
        return Format((program ? text::kProgrammed : text::kReadDone)[m_lang], Rows());
    if (cancelled)
        return T(text::kCancelled);
    // A refused program never went on the bus: no transfer error.
    std::string refused = program ? CheckProgram() : std::string();
    return refused.empty() ? T(text::kTransferError) : refused.substr(0, refused.find('\n'));
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
