#include "data/virtuell_kanal_model.h"

#include "catalogue/catalogue.h"
#include "common/text.h"
#include "data/grafik_setup_virtuell.h"
#include "formula/formel_interpreter.h"

namespace qor::data {

namespace {

// Potentiostats name their value 3 (the target potential) in the list, since its unit
// alone would not tell it from the measured potential.
bool HasExtraText(const catalogue::CSlave& slave)
{
    return catalogue::IsPotentiostat(slave.m_type);
}

std::string CutToCharacters(const std::string& s, std::size_t n)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n)
                return s.substr(0, i);
            ++count;
        }
    }
    return s;
}

}  // namespace

VirtuellKanalModel::VirtuellKanalModel(data::CGrafikSetupVirtuell& setup,
                                       const std::array<catalogue::CSlave, 16>& slaves, int language)
    : m_setup(setup), m_language(language)
{
    for (int address = 15; address >= 0; --address) {
        const catalogue::CSlave& s = slaves[static_cast<std::size_t>(address)];
        if (!s.m_enabled)
            continue;
        const catalogue::ChannelInfo info = catalogue::DescribeModule(s);
        const std::string name = catalogue::ModuleName(s);
        const auto code = static_cast<std::uint8_t>(address * 3);
        if (HasExtraText(s))
            m_channels.push_back({Format("Slave %2d: %s %s [%s]", address, name.c_str(), info.name3.c_str(),
                                         info.unit3.c_str()),
                                  static_cast<std::uint8_t>(code + 2)});
        else
            m_channels.push_back({Format("Slave %2d: %s [%s]", address, name.c_str(), info.unit3.c_str()),
                                  static_cast<std::uint8_t>(code + 2)});
        m_channels.push_back(
            {Format("Slave %2d: %s [%s]", address, name.c_str(), catalogue::SecondUnit(s).c_str()),
             static_cast<std::uint8_t>(code + 1)});
        m_channels.push_back({Format("Slave %2d: %s [%s]", address, name.c_str(), info.unit1.c_str()), code});
    }
    for (std::size_t i = 0; i < 4; ++i) {
        m_rows[i].enabled = setup.m_enable[i] != 0;
        m_rows[i].ySelection = SelectionOf(setup.m_sourceY[i]);
        m_rows[i].zSelection = SelectionOf(setup.m_sourceZ[i]);
        m_rows[i].formula = setup.m_formula[i];
    }
}

std::string VirtuellKanalModel::Title() const
{
    return TextPair{"virtuelle Kanäle einrichten", "Adjust virtual channels"}[m_language];
}

std::string VirtuellKanalModel::CancelText() const
{
    return TextPair{"Abbrechen", "Cancel"}[m_language];
}

std::string VirtuellKanalModel::ColumnCaption(int column)
{
    static const char* const kCaptions[4] = {"enable", "Slave 1   (y)", "Operation", "Slave 2   (z)"};
    return column >= 0 && column < 4 ? kCaptions[column] : "";
}

void VirtuellKanalModel::SetEnabled(int row, bool enabled)
{
    m_rows[static_cast<std::size_t>(row & 3)].enabled = enabled;
}

void VirtuellKanalModel::SelectY(int row, int selection)
{
    m_rows[static_cast<std::size_t>(row & 3)].ySelection =
        selection >= 0 && selection < static_cast<int>(m_channels.size()) ? selection : -1;
}

void VirtuellKanalModel::SelectZ(int row, int selection)
{
    m_rows[static_cast<std::size_t>(row & 3)].zSelection =
        selection >= 0 && selection < static_cast<int>(m_channels.size()) ? selection : -1;
}

void VirtuellKanalModel::SetFormula(int row, const std::string& formula)
{
    m_rows[static_cast<std::size_t>(row & 3)].formula = CutToCharacters(formula, kMaxFormulaLength);
}

int VirtuellKanalModel::SelectionOf(std::uint8_t code) const
{
    for (std::size_t i = 0; i < m_channels.size(); ++i)
        if (m_channels[i].code == code)
            return static_cast<int>(i);
    return -1;
}

bool VirtuellKanalModel::FormulaPasses(const std::string& formula)
{
    if (formula.empty())
        return true;
    std::string probe;
    for (const char c : formula)
        probe += c == 'z' ? '1' : c;
    for (char& c : probe)
        if (c == 'y')
            c = '1';
    return formula::CFormelInterpreter(probe).HasError() == 0;
}

bool VirtuellKanalModel::OnOK(std::vector<std::string>* messages)
{
    for (std::size_t i = 0; i < 4; ++i) {
        const Row& r = m_rows[i];
        m_setup.m_enable[i] = r.enabled ? 1 : 0;
        // Without a selection the stored code stays as it was.
        if (r.ySelection >= 0)
            m_setup.m_sourceY[i] = m_channels[static_cast<std::size_t>(r.ySelection)].code;
        if (r.zSelection >= 0)
            m_setup.m_sourceZ[i] = m_channels[static_cast<std::size_t>(r.zSelection)].code;
    }
    bool all = true;
    for (std::size_t i = 0; i < 4; ++i) {
        if (FormulaPasses(m_rows[i].formula)) {
            m_setup.m_formula[i] = m_rows[i].formula;
        } else {
            all = false;
            if (messages)
                messages->push_back(
                    Format(TextPair{"Syntaxfehler in Formel %d", "Syntax error in formula %d"}[m_language],
                           static_cast<int>(i) + 1));
        }
    }
    return all;
}

}  // namespace qor::data
