#pragma once

#include "catalogue/slave.h"
#include "export/text_export.h"

#include <array>
#include <string>

namespace qor::data {
class CGrafikSetup;
class CGrafikSetupVirtuell;
}  // namespace qor::data

namespace qor::exporter {

// The save dialog of "Export data to ASCII"; the file is created (emptied) as soon as it is
// chosen, so a Cancel in the export dialog leaves it empty.
inline constexpr const char* kExportFilter = "Tabellen (*.txt) | *.txt | Alle Dateien (*.*)|*.*||";

// The catalogue's words for the sixteen module records; the unit of value 1 is that of the
// numbers the document stores (value 1 times the catalogue's factor).
std::array<ChannelTexts, 16> DescribeChannels(const std::array<catalogue::CSlave, 16>& slaves);

// The rules of the "Export" dialog: sixteen rows of three check boxes, the virtual-channels
// box and the two radio groups. Columns that were not recorded can only stay out.
class ExportDlgModel {
public:
    struct Box {
        std::string caption;
        bool checked = false;
        bool enabled = false;
    };

    ExportDlgModel(const std::array<catalogue::CSlave, 16>& slaves, const data::CGrafikSetup& setup,
                   const data::CGrafikSetupVirtuell& virtuell, int language);

    std::string Title() const { return "Export"; }
    std::string CancelText() const;
    std::string DecimalGroupCaption() const;
    std::string DecimalCaption(int index) const;  // 0 comma, 1 point
    std::string DateTimeGroupCaption() const;
    std::string DateTimeCaption(int index) const;  // 0 together, 1 separate

    const Box& GetBox(int channel, int value) const;  // value 0..2
    const Box& VirtualBox() const { return m_virtual; }
    int DecimalMark() const { return m_decimalMark; }
    int DateTime() const { return m_dateTime; }

    // A disabled box keeps its state.
    void SetChecked(int channel, int value, bool checked);
    void SetVirtualChecked(bool checked);
    void SetDecimalMark(int index);
    void SetDateTime(int index);

    // The choices for the writer; `precision` is the Y axis decimals of the document graph.
    ExportOptions Options(int precision) const;

private:
    int m_language;
    std::array<std::array<Box, 3>, 16> m_boxes;
    Box m_virtual;
    int m_decimalMark = 0;
    int m_dateTime = 0;
};

// The small "Export" dialog that asks only for the decimal mark.
class CExportSeparator {
public:
    explicit CExportSeparator(int language) : m_language(language) {}

    std::string Title() const { return "Export"; }
    std::string GroupCaption() const;
    std::string Caption(int index) const;  // 0 comma, 1 point
    void Choose(int index) { m_choice = index == 0 || index == 1 ? index : -1; }
    // 0 comma, 1 point, -1 while nothing is chosen.
    int Result() const { return m_choice; }

private:
    int m_language;
    int m_choice = -1;
};

}  // namespace qor::exporter
