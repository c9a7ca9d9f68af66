#include "potentiostat/ref_file.h"

#include "data/archive.h"
#include "data/record_list.h"
#include "potentiostat/pot_texts.h"
#include "potentiostat/xy_graph_model.h"
#include "potentiostat/xy_texts.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

namespace qor::potentiostat {

std::vector<data::CPotRefDatenObject> ReferenceList(const std::vector<data::CPotQORDatenObject>& samples,
                                                    std::int64_t now)
{
    std::vector<data::CPotRefDatenObject> list;
    list.reserve(samples.size());
    for (const auto& s : samples) {
        const PotValues v = ConvertSample(s);
        data::CPotRefDatenObject r;
        r.m_time = now;
        r.m_count = 1;
        r.m_range[0] = s.m_range;
        r.m_x[0] = static_cast<float>(v.current);
        r.m_y[0] = static_cast<float>(v.potential);
        r.m_z[0] = static_cast<float>(v.target);
        list.push_back(r);
    }
    return list;
}

std::vector<std::uint8_t> ReferenceFileBytes(const std::vector<data::CPotRefDatenObject>& list)
{
    std::vector<std::uint8_t> out;
    data::Archive ar = data::Archive::Store(out);
    std::vector<data::CPotRefDatenObject> copy = list;  // the archive's list I/O takes a mutable list
    data::SerializeList(ar, copy);
    ar.Flush();
    return out;
}

bool IsReferenceFileName(const std::string& path)
{
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".ref";
}

std::string SaveReferenceFile(const std::string& path, const std::vector<data::CPotQORDatenObject>& samples,
                              std::int64_t now, int language)
{
    if (samples.empty())
        return xytext::kNoData[language];
    const std::vector<std::uint8_t> bytes = ReferenceFileBytes(ReferenceList(samples, now));
    if (!WriteExportFile(path, std::string(bytes.begin(), bytes.end())))
        return std::string(xytext::kRefUnwritable[language]) + ": " + path;
    return {};
}

std::string LoadReferenceFile(const std::string& path, std::vector<data::CPotRefDatenObject>& list,
                              int language)
{
    if (!IsReferenceFileName(path))
        return text::kWrongType[language];
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::string(xytext::kRefUnreadable[language]) + ": " + std::strerror(errno);
    std::vector<data::CPotRefDatenObject> read;
    std::string error;
    try {
        data::Archive ar = data::Archive::Load(f);
        // No sample class record sets the version here; this program writes version 3.
        ar.SetFileVersion(data::CListRecord::kVersion);
        if (ar.Remaining() > 0)
            data::SerializeList(ar, read);
    } catch (const data::ArchiveError& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = "out of memory";
    }
    std::fclose(f);
    if (!error.empty())
        return std::string(xytext::kRefUnreadable[language]) + ": " + error;
    if (read.empty())
        return xytext::kNoData[language];
    list = std::move(read);
    return {};
}

}  // namespace qor::potentiostat
