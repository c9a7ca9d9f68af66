#pragma once

#include "common/text.h"
#include "potentiostat/pot_edit_model.h"
#include "potentiostat/pot_payloads.h"
#include "potentiostat/step_text.h"
#include "potentiostat/stp_file.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::potentiostat {

// What the compensation controls show for the chosen mode.
struct CompensationView {
    bool slider1Shown = false;
    bool slider2Shown = false;
    bool capacitorShown = false;
    int slider1Min = 0, slider1Max = 0;
    int slider2Min = 0, slider2Max = 0;
    std::string label1, label2, value1, value2;
};

// The rules of the step program window: the step table and its operations, the module
// settings, the templates, and what a transfer sends and takes over. Messages come back as
// text (empty when there is nothing to say).
class PotStepSetupModel {
public:
    explicit PotStepSetupModel(int lang);

    int Language() const { return m_lang; }
    int Rows() const { return static_cast<int>(m_rows.size()); }
    // The row's text; its cycle flag is always empty (the table has no column for it).
    const StepText& Row(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    std::string Cell(int row, int column) const;
    bool Modified(int row) const { return m_modified[static_cast<std::size_t>(row)] != 0; }

    int Selected() const { return m_selected; }
    void Select(int row) { m_selected = row >= 0 && row < Rows() ? row : -1; }

    std::string Append();
    std::string Insert();
    std::string Delete();
    // Change: the text the editor works on, or the message when no row is selected.
    std::optional<StepText> BeginChange(std::string& message) const;
    // The editor's OK: the edited text goes into the selected row.
    void EndChange(const StepText& edited);
    // The table as the clipboard gets it.
    std::string CopyText() const;
    std::string CopiedMessage() const;

    // Templates; `path` must end in ".stp".
    std::string LoadTemplate(const std::string& path);
    std::string SaveTemplate(const std::string& path) const;
    // The message for a template that could not be applied, empty when it was.
    std::string ApplyTemplate(StpRead result, const StpTemplate& t);
    StpTemplate ToTemplate() const;
    // The format version of the template loaded last.
    double TemplateVersion() const { return m_templateVersion; }
    // What loading the last template brought within the editor's limits; empty when nothing.
    const std::string& LoadNote() const { return m_loadNote; }
    // Empty when every row and setting is one the windows let a user enter, else the message
    // that refuses to program them.
    std::string CheckProgram() const;

    // The settings as the controls hold them.
    PotSettings& Settings() { return m_settings; }
    const PotSettings& Settings() const { return m_settings; }
    // A new compensation mode: the sliders take the values kept for it.
    void SetCompensation(int mode);
    CompensationView Compensation() const;

    // --- Transfer ---
    // The settings sent by "Daten Programmieren" (the sliders are kept as sent).
    SettingsBytes ProgramSettings();
    // Slot `number` (1..255): the row's step, or the empty slot behind the last row.
    StepSlot ProgramSlot(int number) const;
    void ClearModified() { m_modified.fill(0); }
    // Read-back: the table is emptied, then takes one slot per step, then the settings.
    void BeginReadBack();
    void AddReadStep(const DeviceStep& step);
    void TakeSettings(const std::uint8_t* data);

    // The window's line after a transfer: how many steps went or came, or that it stopped.
    std::string TransferText(bool program, bool ok, bool cancelled) const;

    void SetFirmware(float revision) { m_firmware = revision; }
    std::string FirmwareText() const;
    // Firmware 1.01 and older misses functions: the "!" button says so.
    bool FirmwareOutdated() const;

private:
    void SetRow(int row, StepText text);
    std::string T(const TextPair& t) const { return t[m_lang]; }

    int m_lang;
    std::vector<StepText> m_rows;
    std::array<std::uint8_t, kMaxSteps> m_modified{};
    int m_selected = -1;
    PotSettings m_settings;
    float m_firmware = 0;
    double m_templateVersion = 3.0;
    std::string m_loadNote;
};

// The first setting outside its choices ("-1" where the window may hold no choice), as the
// message that refuses it; empty when all are valid.
std::string CheckSettings(const PotSettings& s, int lang);

}  // namespace qor::potentiostat
