#include "export/export_dlg_model.h"

#include "catalogue/catalogue.h"
#include "common/text.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"

namespace qor::exporter {

namespace {
const TextPair kNotRecorded{"nicht Aufgezeichnet", "not available"};
const TextPair kDecimalGroup{"Dezimalpunkt", "decimal point"};
const TextPair kDecimal[2] = {{"Komma", "comma"}, {"Punkt", "point"}};
const TextPair kDateGroup{"Datum/Zeit", "Date/Time"};
const TextPair kDate[2] = {{"gemeinsam", "together"}, {"getrennt", "separate"}};
const TextPair kVirtual{"virtuelle Kanäle", "virtual Channels"};
}  // namespace

std::array<ChannelTexts, 16> DescribeChannels(const std::array<catalogue::CSlave, 16>& slaves)
{
    std::array<ChannelTexts, 16> out;
    for (std::size_t i = 0; i < 16; ++i) {
        const catalogue::ChannelInfo info = catalogue::DescribeModule(slaves[i]);
        out[i].moduleName = catalogue::ModuleName(slaves[i]);
        out[i].name = {info.name1, info.name2, info.name3};
        // Value 1 is stored times the catalogue's factor, so its numbers are in the base unit.
        const std::string unit1 = info.factor != 1.0f && !info.baseUnit.empty() ? info.baseUnit : info.unit1;
        out[i].unit = {unit1, catalogue::SecondUnit(slaves[i]), info.unit3};
    }
    return out;
}

ExportDlgModel::ExportDlgModel(const std::array<catalogue::CSlave, 16>& slaves,
                               const data::CGrafikSetup& setup, const data::CGrafikSetupVirtuell& virtuell,
                               int language)
    : m_language(language)
{
    const std::array<ChannelTexts, 16> texts = DescribeChannels(slaves);
    for (std::size_t i = 0; i < 16; ++i) {
        const bool recorded = setup.m_show1[i] || setup.m_show2[i] || setup.m_show3[i];
        auto& row = m_boxes[i];
        for (Box& b : row)
            b.checked = b.enabled = recorded;
        if (!recorded) {
            for (Box& b : row)
                b.caption = kNotRecorded[language];
            continue;
        }
        row[0].caption = texts[i].moduleName + " " + texts[i].name[0];
        row[1].caption = texts[i].name[1];
        row[2].caption = texts[i].name[2];
    }
    const bool anyVirtual =
        virtuell.m_enable[0] || virtuell.m_enable[1] || virtuell.m_enable[2] || virtuell.m_enable[3];
    m_virtual.caption = kVirtual[language];
    m_virtual.checked = m_virtual.enabled = anyVirtual;
}

std::string ExportDlgModel::CancelText() const
{
    return TextPair{"Abbrechen", "Cancel"}[m_language];
}
std::string ExportDlgModel::DecimalGroupCaption() const
{
    return kDecimalGroup[m_language];
}
std::string ExportDlgModel::DecimalCaption(int index) const
{
    return kDecimal[index == 1 ? 1 : 0][m_language];
}
std::string ExportDlgModel::DateTimeGroupCaption() const
{
    return kDateGroup[m_language];
}
std::string ExportDlgModel::DateTimeCaption(int index) const
{
    return kDate[index == 1 ? 1 : 0][m_language];
}

const ExportDlgModel::Box& ExportDlgModel::GetBox(int channel, int value) const
{
    return m_boxes[static_cast<std::size_t>(channel & 15)]
                  [static_cast<std::size_t>(value < 0 || value > 2 ? 0 : value)];
}

void ExportDlgModel::SetChecked(int channel, int value, bool checked)
{
    if (channel < 0 || channel > 15 || value < 0 || value > 2)
        return;
    Box& b = m_boxes[static_cast<std::size_t>(channel)][static_cast<std::size_t>(value)];
    if (b.enabled)
        b.checked = checked;
}

void ExportDlgModel::SetVirtualChecked(bool checked)
{
    if (m_virtual.enabled)
        m_virtual.checked = checked;
}

void ExportDlgModel::SetDecimalMark(int index)
{
    if (index == 0 || index == 1)
        m_decimalMark = index;
}

void ExportDlgModel::SetDateTime(int index)
{
    if (index == 0 || index == 1)
        m_dateTime = index;
}

ExportOptions ExportDlgModel::Options(int precision) const
{
    ExportOptions o;
    for (std::size_t i = 0; i < 16; ++i)
        for (std::size_t k = 0; k < 3; ++k)
            o.columns[i][k] = m_boxes[i][k].checked;
    o.virtualChannels = m_virtual.checked;
    o.decimalMark = m_decimalMark;
    o.dateTime = m_dateTime;
    o.precision = precision;
    o.language = m_language;
    return o;
}

std::string CExportSeparator::GroupCaption() const
{
    return kDecimalGroup[m_language];
}

std::string CExportSeparator::Caption(int index) const
{
    return kDecimal[index == 1 ? 1 : 0][m_language];
}

}  // namespace qor::exporter
