#pragma once

#include <cstddef>

namespace qor::data {

class CQORDoc;

// Told of each sample the document stores while it records, right after it is stored. It is
// called on the thread that records and must not block it: whatever takes time is queued.
class SampleListener {
public:
    virtual ~SampleListener() = default;
    // The sample is doc.Samples()[index].
    virtual void OnSampleStored(const CQORDoc& doc, std::size_t index) = 0;
};

}  // namespace qor::data
