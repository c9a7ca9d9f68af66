#pragma once

#include "graph/graph_props.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qor::data {

// The data logger file a potentiostat records on its own: single-byte text, lines ended by
// LF CR, each sample line a time stamp "DDMMYYhhmm" and value fields of 10 characters (a
// 4-character tag, then the value in 6 characters with a decimal point).
struct LoggerField {
    std::array<char, 4> tag{};
    double value = 0.0;  // NaN when the six characters hold no number
};

struct LoggerSample {
    std::int64_t time = 0;    // local sample time, seconds since 1970
    std::uint32_t first = 0;  // its first field in LoggerFile::AllFields()
    std::uint32_t count = 0;
};

class LoggerFile {
public:
    static constexpr std::size_t kFieldWidth = 10;
    // (bytes done, bytes in all); called now and then while a file is parsed.
    using Progress = std::function<void(std::size_t done, std::size_t total)>;

    // Sample lines are those of at least 10 characters whose length is a multiple of 10;
    // other lines are skipped. A time stamp out of range reads as 1 January 2000, 00:00.
    static LoggerFile Parse(std::string_view bytes, const Progress& progress = {});
    // Whether the bytes hold at least one sample line with a valid time stamp. Anything else
    // (another file under this name, random bytes) is no data logger file and is refused.
    static bool HoldsSamples(std::string_view bytes);
    // The whole file into `bytes`; false (with the system's reason) when it cannot be read.
    static bool ReadBytes(const std::string& path, std::string& bytes, std::string* error = nullptr);

    // Sample s lies at X = s in the graph.
    const std::vector<LoggerSample>& Samples() const { return m_samples; }
    std::span<const LoggerField> Fields(const LoggerSample& s) const
    {
        return {m_fields.data() + s.first, s.count};
    }
    const std::vector<LoggerField>& AllFields() const { return m_fields; }
    // Value columns: the most fields any sample line holds.
    int Columns() const { return static_cast<int>(m_columnTags.size()); }
    // The tag column k has in the first line that reaches it.
    const std::array<char, 4>& ColumnTag(int k) const { return m_columnTags[static_cast<std::size_t>(k)]; }

private:
    std::vector<LoggerSample> m_samples;
    std::vector<LoggerField> m_fields;
    std::vector<std::array<char, 4>> m_columnTags;
};

// Local time of a "DDMMYYhhmm" stamp with day 1..31, month 1..12, hour < 24 and minute < 60;
// false (and 1 January 2000, 00:00 local in `time`) for any other text.
bool LoggerTime(std::string_view stamp, std::int64_t& time);

// True for a path ending in ".tx3" (any case), the extension of data logger files.
bool IsLoggerFile(const std::string& path);

// "Kanal %i [tag]" / "Channel %i [tag]".
std::string LoggerColumnName(int column, const std::array<char, 4>& tag, int lang);
// Column k's curve colour: the logger's 16 colours, then further distinct colours.
graph::Rgb LoggerColumnColour(int column);

// The export as a tab-separated table: "DD.MM.YY<TAB>hh:mm<TAB>tag<TAB>value<TAB>..." per
// line, decimal commas, lines ended by CR LF. The first line is left out only when it is not
// a sample line with a valid time stamp (the cut line of a logger whose ring had wrapped).
std::string LoggerExportText(std::string_view bytes);
// Writes LoggerExportText of `bytes` to `path`. When the file cannot be written nothing is
// left behind and `error` says why.
bool WriteLoggerExport(const std::string& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace qor::data
