#pragma once

#include "catalogue/slave.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qor::data {
class CGrafikSetupVirtuell;
}

namespace qor::data {

// The rules of the "virtual channels" dialog: four rows of enable box, y source, formula and
// z source. The widget shows what this model holds and forwards the user's changes.
class VirtuellKanalModel {
public:
    static constexpr int kEnableId[4] = {1125, 1127, 1129, 1133};
    static constexpr int kSourceYId[4] = {1134, 1135, 1136, 1137};
    static constexpr int kFormulaId[4] = {1124, 1126, 1128, 1130};
    static constexpr int kSourceZId[4] = {1138, 1139, 1140, 1141};
    static constexpr std::size_t kMaxFormulaLength = 20;

    struct Choice {
        std::string text;
        std::uint8_t code = 0;  // address x 3 + value index
    };
    struct Row {
        bool enabled = false;
        int ySelection = -1;  // index into Channels(), -1 = none
        int zSelection = -1;
        std::string formula;
    };

    // Opening: builds the channel list from the released modules and loads the rows.
    VirtuellKanalModel(data::CGrafikSetupVirtuell& setup, const std::array<catalogue::CSlave, 16>& slaves,
                       int language);

    std::string Title() const;
    std::string CancelText() const;
    static std::string ColumnCaption(int column);  // 0 enable, 1 y, 2 formula, 3 z

    // Entries of all eight combo boxes, in list order.
    const std::vector<Choice>& Channels() const { return m_channels; }
    const Row& GetRow(int row) const { return m_rows[static_cast<std::size_t>(row & 3)]; }

    void SetEnabled(int row, bool enabled);
    void SelectY(int row, int selection);
    void SelectZ(int row, int selection);
    // The edit takes at most 20 characters; longer input is cut.
    void SetFormula(int row, const std::string& formula);
    // The list entry with this code, -1 if none.
    int SelectionOf(std::uint8_t code) const;

    // OK: stores the row settings and every formula that passes the check. Returns true
    // when the dialog may close; otherwise `messages` gets one "Syntaxfehler in Formel %d"
    // per failed formula and the dialog stays open.
    bool OnOK(std::vector<std::string>* messages = nullptr);

    // The check the OK button applies to one formula: y and z stand for 1.
    static bool FormulaPasses(const std::string& formula);

private:
    data::CGrafikSetupVirtuell& m_setup;
    int m_language;
    std::vector<Choice> m_channels;
    std::array<Row, 4> m_rows;
};

}  // namespace qor::data
