#pragma once

#include "data/journal.h"

#include <cstddef>
#include <string>

namespace qor::plant {

// How many of a recording's samples a database has acknowledged, kept in a small text file
// beside the document (FILE.qo3.tsdb) so that a later run or `qortool tsdb-backfill` sends
// only the rest. Samples are written in order, so the first N are the acknowledged ones.
//
//   QORTSDB 1
//   <the recording's identity, 32 hex digits>
//   <N><TAB><url><TAB><station>        one line per database and station name
//
// A file that names another recording counts as none: its marks are not this recording's.
class TsdbWatermark {
public:
    // The watermark file of the document file (or journal) `path`.
    static std::string PathFor(const std::string& path) { return path + ".tsdb"; }

    // The acknowledged count of the recording `id` at (url, station); 0 when the file, the
    // recording or the line is not there. False with the reason when the file cannot be read or
    // is no watermark file.
    static bool Read(const std::string& path, const data::RecordingId& id, const std::string& url,
                     const std::string& station, std::size_t& acknowledged, std::string& error);
    // Sets the count at (url, station), keeping the other lines of the same recording; written
    // to a temporary file and renamed over the old one, so a crash leaves the one or the other.
    static bool Write(const std::string& path, const data::RecordingId& id, const std::string& url,
                      const std::string& station, std::size_t acknowledged, std::string& error);
};

}  // namespace qor::plant
