#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::station {

// Model of the module selection dialog ("Modulauswahl"): module entries with their
// addresses, the first one preselected; OK yields the address of the selected entry.
class SlaveAuswahlModel {
public:
    explicit SlaveAuswahlModel(int language = 0) : m_language(language) {}

    void AddEntry(const std::string& text, std::uint8_t address);
    const std::vector<std::string>& Texts() const { return m_texts; }
    std::size_t Count() const { return m_texts.size(); }

    int Selection() const { return m_selection; }
    // False when the row does not exist (the selection stays).
    bool Select(int row);
    // The address of the selected entry; nullopt when the list is empty.
    std::optional<std::uint8_t> SelectedAddress() const;

    std::string Caption() const;
    std::string Prompt() const;
    std::string CancelText() const;
    int Language() const { return m_language; }

private:
    int m_language;
    std::vector<std::string> m_texts;
    std::vector<std::uint8_t> m_addresses;
    int m_selection = -1;
};

}  // namespace qor::station
