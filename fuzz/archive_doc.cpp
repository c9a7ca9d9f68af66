// Reads arbitrary bytes as a document file in each of its layouts. A read must end in
// records or an archive error, never a crash, a hang or a runaway allocation; a file that
// reads must write and read back to the same bytes.
#include "common/clock.h"
#include "data/archive.h"
#include "data/qor_doc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct NoUi : qor::data::DocumentUi {
    std::optional<std::string> ChooseFile(qor::data::FileDialog, const std::string&,
                                          const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 3; }
    void ShowMessage(const std::string&) override {}
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
};

std::vector<std::uint8_t> Store(qor::data::CQORDoc& doc)
{
    std::vector<std::uint8_t> out;
    qor::data::Archive ar = qor::data::Archive::Store(out);
    doc.Serialize(ar, qor::data::Layout::Qo3);
    ar.Flush();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto layout = static_cast<qor::data::Layout>(data[0] % 3);
    qor::SimClock clock;
    qor::data::Logbook logbook;
    NoUi ui;
    qor::data::CQORDoc doc(clock, logbook, ui);
    bool ok = true;
    try {
        qor::data::Archive ar = qor::data::Archive::Load(data + 1, size - 1);
        doc.Serialize(ar, layout);
    } catch (const qor::data::ArchiveError&) {
        ok = false;
    }
    if (!ok)
        return 0;
    std::vector<std::uint8_t> first = Store(doc);
    qor::data::CQORDoc again(clock, logbook, ui);
    qor::data::Archive in = qor::data::Archive::Load(first.data(), first.size());
    again.Serialize(in, qor::data::Layout::Qo3);  // must not throw
    if (in.Remaining() != 0 || Store(again) != first)
        std::abort();
    return 0;
}
