#include "station/freigabe_dlg_model.h"

namespace qor::station {

void FreigabeDlgModel::Clear()
{
    m_leftText.clear();
    m_rightText.clear();
    m_notReleased.fill(kEnd);
    m_released.fill(kEnd);
}

int FreigabeDlgModel::Count(const std::array<std::uint8_t, 16>& a)
{
    int n = 0;
    while (n < 16 && a[static_cast<std::size_t>(n)] != kEnd)
        ++n;
    return n;
}

void FreigabeDlgModel::AddNotReleased(const std::string& text, std::uint8_t address)
{
    int n = Count(m_notReleased);
    if (n >= 16)
        return;
    m_notReleased[static_cast<std::size_t>(n)] = address;
    m_leftText.push_back(text);
}

void FreigabeDlgModel::AddReleased(const std::string& text, std::uint8_t address)
{
    int n = Count(m_released);
    if (n >= 16)
        return;
    m_released[static_cast<std::size_t>(n)] = address;
    m_rightText.push_back(text);
}

bool FreigabeDlgModel::Move(std::vector<std::string>& fromText, std::array<std::uint8_t, 16>& from,
                            std::vector<std::string>& toText, std::array<std::uint8_t, 16>& to, int row)
{
    const int n = Count(from);
    const int m = Count(to);
    if (row < 0 || row >= n || row >= static_cast<int>(fromText.size()) || m >= 16)
        return false;
    to[static_cast<std::size_t>(m)] = from[static_cast<std::size_t>(row)];
    toText.push_back(fromText[static_cast<std::size_t>(row)]);
    // Close the gap; the array ends with 255 again.
    for (int i = row; i < 15; ++i)
        from[static_cast<std::size_t>(i)] = from[static_cast<std::size_t>(i) + 1];
    from[15] = kEnd;
    fromText.erase(fromText.begin() + row);
    return true;
}

bool FreigabeDlgModel::Add(int leftRow)
{
    return Move(m_leftText, m_notReleased, m_rightText, m_released, leftRow);
}

bool FreigabeDlgModel::Remove(int rightRow)
{
    return Move(m_rightText, m_released, m_leftText, m_notReleased, rightRow);
}

void FreigabeDlgModel::SelectAll()
{
    while (Add(0)) {
    }
}

void FreigabeDlgModel::RemoveAll()
{
    while (Remove(0)) {
    }
}

}  // namespace qor::station
