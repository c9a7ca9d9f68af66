#pragma once

#include "data/record.h"

#include <string>

namespace qor::data {

// The logbook text as the document file holds it.
class CLogBuchObject final : public CRecord {
public:
    std::string m_text;

    void Serialize(Archive& ar) override;
};

}  // namespace qor::data
