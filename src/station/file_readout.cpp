#include "station/file_readout.h"

#include "bus/answers.h"
#include "station/station_texts.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qor::station {

using namespace qor::bus;

namespace {
constexpr int kFileTimeoutS = 10;
}  // namespace

// The common frame of the read-outs: waits for and holds the busy flag; on every way out
// clears it, closes the windows and restarts the keep-alive of a connected TCP link.
class FileReadout::TransferFrame {
public:
    explicit TransferFrame(StationContext& ctx) : m_ctx(ctx)
    {
        BusLink& link = ctx.link;
        for (int waited = 0; link.Busy() && waited < 10000; waited += 10)
            ctx.clock.SleepMs(10);
        link.SetBusy(true);
        m_ok = !link.Ethernet() || link.OpenEthernet();
    }
    ~TransferFrame()
    {
        m_ctx.link.SetBusy(false);
        if (m_progress)
            m_ctx.ui.CloseProgress();
        if (m_wait)
            m_ctx.ui.CloseWait();
        m_ctx.ResumeKeepAlive();
    }
    TransferFrame(const TransferFrame&) = delete;
    TransferFrame& operator=(const TransferFrame&) = delete;
    bool Ok() const { return m_ok; }
    void UsesProgress() { m_progress = true; }
    void UsesWait() { m_wait = true; }

private:
    StationContext& m_ctx;
    bool m_ok = false;
    bool m_progress = false;
    bool m_wait = false;
};

int FileReadout::RequestBlock(const char* name, std::uint16_t block)
{
    std::array<std::uint8_t, kBufferSize> req{};
    const std::uint8_t address = m_ctx.flags.potList.empty() ? 0 : m_ctx.flags.potList.front();
    const int len = BuildFileBlockRequest(req.data(), address, name, block);
    return m_ctx.link.Transceive(req.data(), len, m_ctx.link.Answer(), kFileTimeoutS);
}

bool FileReadout::ReadBlocks(const char* name, int firstResult, std::string& content, bool progress)
{
    int r = firstResult;
    std::uint16_t block = 0;
    for (;;) {
        const std::optional<FileBlock> b = DecodeFileBlock(m_ctx.link.Answer(), r);
        if (!b || !b->headed || (b->status != FileBlock::kMore && b->status != FileBlock::kLast) ||
            content.size() + b->content.size() > kLoggerCapacity) {
            // Beyond the content buffer too: refuse rather than keep a cut file.
            Show(text::kTransferInterrupted);
            return false;
        }
        content.append(reinterpret_cast<const char*>(b->content.data()), b->content.size());
        if (b->status == FileBlock::kLast) {
            if (progress)
                m_ctx.ui.SetProgress(kProgressMax);
            return true;
        }
        if (block == 0xFFFF) {
            Show(text::kTransferInterrupted);
            return false;
        }
        ++block;
        if (progress)
            m_ctx.ui.SetProgress(std::min<int>(block, kProgressMax));
        r = RequestBlock(name, block);
        if (!DecodeFileBlock(m_ctx.link.Answer(), r))
            r = RequestBlock(name, block);
        if (!DecodeFileBlock(m_ctx.link.Answer(), r)) {
            Show(text::kTransferInterrupted);
            return false;
        }
    }
}

bool FileReadout::WriteLoggerFile(const std::string& path, const std::string& content, std::size_t ringStart)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        m_ctx.ui.ShowMessage(Format("%s: %s", path.c_str(), std::strerror(errno)));
        return false;
    }
    bool ok = std::fwrite(content.data() + ringStart, 1, content.size() - ringStart, f) ==
              content.size() - ringStart;
    if (ringStart > 0)
        ok = ok && std::fwrite(content.data(), 1, ringStart, f) == ringStart;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok)
        m_ctx.ui.ShowMessage(Format("%s: %s", path.c_str(), std::strerror(errno)));
    return ok;
}

bool FileReadout::ReadLoggerContent(std::string& content)
{
    // A lost first answer says nothing of the logger: no file rather than an empty one.
    const int r = RequestBlock("dl.txt", 0);
    const std::optional<FileBlock> b = DecodeFileBlock(m_ctx.link.Answer(), r);
    if (r < 1 || !b) {
        Show(text::kDataNotAvailable);
        return false;
    }
    if (b->status == FileBlock::kMissing || !b->headed) {
        Show(text::kDataNotAvailable);
        return true;
    }
    m_ctx.timers.Stop(kTimerKeepAlive);
    if (!ReadBlocks("dl.txt", r, content, true))
        return false;
    m_ctx.ResumeKeepAlive();
    return true;
}

bool FileReadout::ReadRingStart(std::size_t& ringStart)
{
    ringStart = 0;
    const int r = RequestBlock("dl.ini", 0);
    const std::optional<FileBlock> b = DecodeFileBlock(m_ctx.link.Answer(), r);
    if (!b) {
        Show(text::kDataNotAvailable);
        return false;
    }
    if (b->status == FileBlock::kMissing)
        return true;
    m_ctx.timers.Stop(kTimerKeepAlive);
    if (b->status != FileBlock::kLast || b->content.size() < 4) {
        Show(text::kTransferInterrupted);
        return false;
    }
    ringStart = ReadU32(b->content.data());
    // The second request only closes the index file's transfer; its answer carries nothing
    // we use. The logger content and ring start are complete at this point, so a lost
    // answer here keeps the read-out (a broken TCP link is still reported).
    if (RequestBlock("dl.ini", 1) < 1)
        m_ctx.link.LinkError();
    m_ctx.ResumeKeepAlive();
    return true;
}

void FileReadout::ReadDataLogger()
{
    const std::optional<std::string> path = m_ctx.ui.ChooseLoggerFile();
    if (!path)
        return;
    // The graph opens once the transfer has ended: the link is free again and its window gone.
    if (TransferLogger(*path))
        m_ctx.ui.ShowDataLoggerGraph(*path, m_ctx.language);
}

bool FileReadout::TransferLogger(const std::string& path)
{
    m_ctx.link.OpenPort();
    m_ctx.Log(m_ctx.T(text::kReadDataLogger));
    TransferFrame frame(m_ctx);
    if (!frame.Ok())
        return false;
    m_ctx.ui.ShowProgress(m_ctx.T(text::kTransmissionTitle), m_ctx.T(text::kTransmissionText), kProgressMax);
    frame.UsesProgress();
    if (m_ctx.flags.potList.empty()) {
        Show(text::kDataNotAvailable);
        return false;
    }
    std::string content;
    if (!ReadLoggerContent(content))
        return false;
    if (m_ctx.link.Ethernet() && !m_ctx.link.OpenEthernet())
        return false;
    std::size_t ringStart = 0;
    if (!ReadRingStart(ringStart))
        return false;
    if (ringStart > content.size()) {
        Show(text::kTransferInterrupted);
        return false;
    }
    return WriteLoggerFile(path, content, ringStart);
}

void FileReadout::ReadDeviceLogbook()
{
    m_ctx.link.OpenPort();
    TransferFrame frame(m_ctx);
    if (!frame.Ok())
        return;
    m_ctx.ui.ShowWait(m_ctx.T(text::kReadingData));
    frame.UsesWait();
    if (m_ctx.flags.potList.empty()) {
        Show(text::kDataNotAvailable);
        return;
    }
    const int r = RequestBlock("logbook.txt", 0);
    const std::optional<FileBlock> b = DecodeFileBlock(m_ctx.link.Answer(), r);
    if (!b || !b->headed || b->status == FileBlock::kMissing) {
        Show(text::kDataNotAvailable);
        return;
    }
    m_ctx.timers.Stop(kTimerKeepAlive);
    std::string content;
    if (!ReadBlocks("logbook.txt", r, content, false))
        return;
    std::replace(content.begin(), content.end(), '\n', '\t');
    std::string entry = Format("%s QOR- System\n", m_ctx.T(text::kLogbookHeading).c_str()) + content;
    entry.erase(std::remove(entry.begin(), entry.end(), '\0'), entry.end());
    m_ctx.Log(entry);
}

}  // namespace qor::station
