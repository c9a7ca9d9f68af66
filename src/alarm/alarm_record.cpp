#include "alarm/alarm_record.h"

#include "data/qor_doc.h"
#include "data/string_daten_object.h"

namespace qor::alarm {

void StoreTransition(data::CQORDoc& doc, const AlarmTransition& t)
{
    auto rec = std::make_unique<data::CStringDatenObject>();
    rec->m_font.m_faceName = kTransitionMark;
    rec->m_text = AlarmJsonLine(t);
    rec->m_x = static_cast<double>(t.time);
    doc.AppendSpare(std::move(rec));
    doc.SetModified(true);
}

std::vector<AlarmTransition> StoredTransitions(const data::CQORDoc& doc)
{
    std::vector<AlarmTransition> out;
    for (const auto& rec : doc.Spare()) {
        const auto* s = dynamic_cast<const data::CStringDatenObject*>(rec.get());
        if (!s || s->m_font.m_faceName != kTransitionMark)
            continue;
        if (auto t = ParseAlarmJsonLine(s->m_text))
            out.push_back(std::move(*t));
    }
    return out;
}

}  // namespace qor::alarm
