// Reads arbitrary bytes as a document file in each of its layouts. A read must end in
// records or an archive error, never a crash, a hang or a runaway allocation; what was read
// must not take much more than the file's size; a file that reads must write and read back
// to the same bytes.
//
// Byte 0 chooses the layout (low two bits, modulo 3). With bit 7 set, the next ten bytes
// name two spans of the rest to repeat (per span: u16 start, u8 length, u16 count), so that
// a short input becomes a file with thousands of references to one object or a long string.
#include "common/clock.h"
#include "data/archive.h"
#include "data/qor_doc.h"

#include <algorithm>
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

constexpr std::size_t kMaxExpanded = 1 << 20;

struct Span {
    std::size_t start, length, count;
};

// The body with each span repeated `count` more times in place, at most kMaxExpanded bytes.
std::vector<std::uint8_t> Expand(const std::uint8_t* body, std::size_t size, Span spans[2])
{
    std::sort(spans, spans + 2, [](const Span& a, const Span& b) { return a.start < b.start; });
    std::vector<std::uint8_t> out;
    std::size_t at = 0;
    for (int i = 0; i < 2; ++i) {
        const Span& s = spans[i];
        if (s.start < at || s.start + s.length > size || s.length == 0)
            continue;
        out.insert(out.end(), body + at, body + s.start);
        for (std::size_t n = 0; n < s.count && out.size() + s.length <= kMaxExpanded; ++n)
            out.insert(out.end(), body + s.start, body + s.start + s.length);
        at = s.start;  // the span itself follows once more with the rest
    }
    out.insert(out.end(), body + at, body + size);
    if (out.size() > kMaxExpanded)
        out.resize(kMaxExpanded);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto layout = static_cast<qor::data::Layout>((data[0] & 3) % 3);
    std::vector<std::uint8_t> file;
    if ((data[0] & 0x80) && size >= 11) {
        Span spans[2];
        for (int i = 0; i < 2; ++i) {
            const std::uint8_t* p = data + 1 + 5 * i;
            spans[i] = {static_cast<std::size_t>(p[0] | p[1] << 8), p[2],
                        static_cast<std::size_t>(p[3] | p[4] << 8)};
        }
        file = Expand(data + 11, size - 11, spans);
    } else {
        file.assign(data + 1, data + size);
    }

    qor::SimClock clock;
    qor::data::Logbook logbook;
    NoUi ui;
    qor::data::CQORDoc doc(clock, logbook, ui);
    bool ok = true;
    try {
        qor::data::Archive ar = qor::data::Archive::Load(file.data(), file.size());
        doc.Serialize(ar, layout);
    } catch (const qor::data::ArchiveError&) {
        ok = false;
    }
    // Whatever was read, whole or in part, writes out within a fixed multiple of the file: a
    // record of an old version may hold no fields (a 2-byte tag that writes as a label of
    // 64 bytes), and references may add their allowance.
    std::vector<std::uint8_t> first = Store(doc);
    if (first.size() > 32 * file.size() + qor::data::Archive::CopyAllowance(file.size()) + 4096)
        std::abort();
    if (!ok)
        return 0;
    qor::data::CQORDoc again(clock, logbook, ui);
    qor::data::Archive in = qor::data::Archive::Load(first.data(), first.size());
    again.Serialize(in, qor::data::Layout::Qo3);  // must not throw
    if (in.Remaining() != 0 || Store(again) != first)
        std::abort();
    return 0;
}
