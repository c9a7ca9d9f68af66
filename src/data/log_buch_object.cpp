#include "data/log_buch_object.h"

#include "data/archive.h"

namespace qor::data {

void CLogBuchObject::Serialize(Archive& ar)
{
    if (ar.IsLoading() && ar.FileVersion() == 0) {
        m_text.clear();
        return;
    }
    ar.IoString(m_text);
}

}  // namespace qor::data
