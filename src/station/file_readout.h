#pragma once

#include "station/station_context.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qor::station {

// Reading files off the potentiostat in blocks: the data logger (with its ring start) into
// a file of the user's choice, and the device's logbook into the station's logbook.
class FileReadout {
public:
    // The data logger's content buffer and the progress bar's range.
    static constexpr std::size_t kLoggerCapacity = 0xFFFFF;
    static constexpr int kProgressMax = 1048;

    explicit FileReadout(StationContext& ctx) : m_ctx(ctx) {}

    void ReadDataLogger();
    void ReadDeviceLogbook();

private:
    class TransferFrame;

    // The exchange's result: the answer length or a value below 1.
    int RequestBlock(const char* name, std::uint16_t block);
    // Reads the blocks after the first answer (`firstResult`) into `content`.
    bool ReadBlocks(const char* name, int firstResult, std::string& content, bool progress);
    // Reads the logger and writes it to `path`; true when the file was written.
    bool TransferLogger(const std::string& path);
    // Reads dl.txt into `content`; false when the read-out is to end.
    bool ReadLoggerContent(std::string& content);
    // Reads the ring start from dl.ini (0 without one); false when the read-out is to end.
    bool ReadRingStart(std::size_t& ringStart);
    bool WriteLoggerFile(const std::string& path, const std::string& content, std::size_t ringStart);
    void Show(const TextPair& t) { m_ctx.ui.ShowMessage(m_ctx.T(t)); }

    StationContext& m_ctx;
};

}  // namespace qor::station
