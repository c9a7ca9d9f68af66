#pragma once

#include "plant/tsdb_writer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qor::data {
class CQORDoc;
}

namespace qor::plant {

// What a backfill did.
struct BackfillReport {
    std::size_t samples = 0;           // the recording's samples
    std::size_t before = 0;            // acknowledged before (the watermark)
    std::size_t sent = 0;              // acknowledged now
    std::uint64_t values = 0;          // lines acknowledged now
    std::optional<HttpReply> failure;  // the refusal, when samples are left
    std::string watermarkError;        // the watermark file could not be written
    std::size_t Left() const { return samples - before - sent; }
};

// Sends the document's samples that the watermark does not count as acknowledged, in order,
// and moves the watermark on. The recording identity and watermark file default to the
// document's. False with the reason when the URL or the watermark file cannot be used.
bool Backfill(const data::CQORDoc& doc, TsdbOptions options, std::chrono::milliseconds wait,
              BackfillReport& report, std::string& error);

}  // namespace qor::plant
