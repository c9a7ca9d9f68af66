#pragma once

#include "potentiostat/graph_xy_model.h"

#include <QDialog>
#include <array>
#include <cstdint>

class QPushButton;

namespace qor::ui {

// "Auswahlfenster": four buttons, "Graf 1" … "Graf 4" or "Referenz 1" … "Referenz 4"; a
// button closes the dialog with its index 0–3, any other way of closing leaves kNoChoice.
class CGraphAuswahlDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr std::uint8_t kNoChoice = potentiostat::kNoGraphChoice;
    enum class Kind { Graph, Reference };
    CGraphAuswahlDlg(Kind kind, int lang, QWidget* parent = nullptr);

    std::uint8_t Choice() const { return m_choice; }
    QPushButton* Button(int i) const { return m_buttons[static_cast<std::size_t>(i)]; }

private:
    std::uint8_t m_choice = kNoChoice;
    std::array<QPushButton*, 4> m_buttons{};
};

}  // namespace qor::ui
