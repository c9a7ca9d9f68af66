#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qor::station {

// Model of the release dialog: the modules that answered the search, split into "not
// released" (left) and "released" (right). Each side keeps its text list and its address
// array in step; the arrays are filled from the front and end with 255.
class FreigabeDlgModel {
public:
    static constexpr std::uint8_t kEnd = 255;

    explicit FreigabeDlgModel(int language = 0) : m_language(language) { Clear(); }

    void Clear();
    void AddNotReleased(const std::string& text, std::uint8_t address);
    void AddReleased(const std::string& text, std::uint8_t address);

    // The four buttons. Add/Remove take the selected row of their list; false when the row
    // does not exist.
    bool Add(int leftRow);
    bool Remove(int rightRow);
    void SelectAll();
    void RemoveAll();

    const std::vector<std::string>& NotReleasedTexts() const { return m_leftText; }
    const std::vector<std::string>& ReleasedTexts() const { return m_rightText; }
    const std::array<std::uint8_t, 16>& NotReleased() const { return m_notReleased; }
    const std::array<std::uint8_t, 16>& Released() const { return m_released; }
    int Language() const { return m_language; }

private:
    static int Count(const std::array<std::uint8_t, 16>& a);
    static bool Move(std::vector<std::string>& fromText, std::array<std::uint8_t, 16>& from,
                     std::vector<std::string>& toText, std::array<std::uint8_t, 16>& to, int row);

    int m_language;
    std::vector<std::string> m_leftText, m_rightText;
    std::array<std::uint8_t, 16> m_notReleased{};
    std::array<std::uint8_t, 16> m_released{};
};

}  // namespace qor::station
