#include "station/slave_auswahl_model.h"

#include "station/station_texts.h"

namespace qor::station {

void SlaveAuswahlModel::AddEntry(const std::string& text, std::uint8_t address)
{
    m_texts.push_back(text);
    m_addresses.push_back(address);
    if (m_selection < 0)
        m_selection = 0;
}

bool SlaveAuswahlModel::Select(int row)
{
    if (row < 0 || row >= static_cast<int>(m_texts.size()))
        return false;
    m_selection = row;
    return true;
}

std::optional<std::uint8_t> SlaveAuswahlModel::SelectedAddress() const
{
    if (m_selection < 0 || m_selection >= static_cast<int>(m_addresses.size()))
        return std::nullopt;
    return m_addresses[static_cast<std::size_t>(m_selection)];
}

std::string SlaveAuswahlModel::Caption() const
{
    return text::kSelectCaption[m_language];
}
std::string SlaveAuswahlModel::Prompt() const
{
    return text::kSelectPrompt[m_language];
}
std::string SlaveAuswahlModel::CancelText() const
{
    return text::kCancel[m_language];
}

}  // namespace qor::station
