#include "potentiostat/eis_spectra.h"

#include "common/text.h"

#include <algorithm>
#include <cmath>

namespace qor::potentiostat {

std::vector<SpectrumRange> Spectra(const std::vector<data::CEISDatenObject>& list)
{
    std::vector<SpectrumRange> out;
    // A sweep measures each frequency once: meeting one again, the step runs anew.
    auto again = [&](const data::CEISDatenObject& p) {
        const SpectrumRange& s = out.back();
        for (std::size_t k = s.first; k < s.end(); ++k)
            if (list[k].m_val1 == p.m_val1)
                return true;
        return false;
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const data::CEISDatenObject& p = list[i];
        if (out.empty() || p.m_flag1 != out.back().step || again(p))
            out.push_back({i, 0, p.m_flag1, HUGE_VAL, 0.0});
        SpectrumRange& s = out.back();
        ++s.count;
        if (std::isfinite(p.m_val1) && p.m_val1 > 0.0f) {
            s.fMin = std::min(s.fMin, double{p.m_val1});
            s.fMax = std::max(s.fMax, double{p.m_val1});
        }
    }
    for (SpectrumRange& s : out)
        if (s.fMin > s.fMax)
            s.fMin = s.fMax = 0.0;
    return out;
}

std::vector<data::CEISDatenObject> SpectrumPoints(const std::vector<data::CEISDatenObject>& list,
                                                  const SpectrumRange& s)
{
    const std::size_t first = std::min(s.first, list.size()), end = std::min(s.end(), list.size());
    return {list.begin() + static_cast<long>(first), list.begin() + static_cast<long>(end)};
}

std::string SpectrumLabel(const SpectrumRange& s, std::size_t number, int lang)
{
    lang = lang == 1 ? 1 : 0;
    return Format(TextPair{"Spektrum %zu: Schritt %u, %zu Punkte, %g … %g Hz",
                           "Spectrum %zu: step %u, %zu points, %g … %g Hz"}[lang],
                  number, unsigned{s.step}, s.count, s.fMin, s.fMax);
}

}  // namespace qor::potentiostat
