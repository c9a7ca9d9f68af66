#include "data/daten_object.h"
#include "data/eis_daten_object.h"
#include "data/pot_daten_object.h"
#include "data/pot_qor_daten_object.h"
#include "data/pot_ref_daten_object.h"
#include "data/record.h"
#include "data/string_daten_object.h"

namespace qor::data {

std::unique_ptr<CListRecord> CreateRecord(std::string_view className)
{
    if (className == CDatenObject::kClassName)
        return std::make_unique<CDatenObject>();
    if (className == CPotDatenObject::kClassName)
        return std::make_unique<CPotDatenObject>();
    if (className == CPotQORDatenObject::kClassName)
        return std::make_unique<CPotQORDatenObject>();
    if (className == CEISDatenObject::kClassName)
        return std::make_unique<CEISDatenObject>();
    if (className == CPotRefDatenObject::kClassName)
        return std::make_unique<CPotRefDatenObject>();
    if (className == CStringDatenObject::kClassName)
        return std::make_unique<CStringDatenObject>();
    return nullptr;
}

}  // namespace qor::data
