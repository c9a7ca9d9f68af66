#include "catalogue/slave.h"

#include "common/codec.h"

#include <cstring>

namespace qor::catalogue {

std::string CSlave::UnitText() const
{
    // The module sends up to four characters; a NUL ends the text early.
    const void* nul = std::memchr(m_unit.data(), 0, m_unit.size());
    std::size_t n =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - m_unit.data()) : m_unit.size();
    return Cp1252ToUtf8(std::string_view(m_unit.data(), n));
}

}  // namespace qor::catalogue
