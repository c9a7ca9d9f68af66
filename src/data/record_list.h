#pragma once

#include "data/archive.h"
#include "data/daten_object.h"
#include "data/eis_daten_object.h"
#include "data/pot_daten_object.h"
#include "data/pot_qor_daten_object.h"
#include "data/pot_ref_daten_object.h"
#include "data/record.h"
#include "data/string_daten_object.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace qor::data {

// Numbers the document's lists so that a reference to an object read earlier finds it.
enum ListId { kSampleList = 0, kOldPotList, kPotList, kEisList, kLabelList, kSpareList, kOtherList };

namespace detail {
// The file version comes from the class record of the first sample read.
inline void NoteClass(Archive& ar, const ObjectRef& ref)
{
    if (ref.newClassRecord && ref.className == CDatenObject::kClassName)
        ar.SetFileVersion(ref.schema);
}
// What an object of the list that takes any class holds besides the bytes it was read from.
inline constexpr std::size_t kLargestRecord =
    std::max({sizeof(CDatenObject), sizeof(CPotDatenObject), sizeof(CPotQORDatenObject),
              sizeof(CEISDatenObject), sizeof(CPotRefDatenObject), sizeof(CStringDatenObject)});
// A malformed count must not reserve more than the rest of the file could hold.
inline std::size_t SafeReserve(const Archive& ar, std::uint32_t count, std::size_t minBytes)
{
    return static_cast<std::size_t>(std::min<std::uint64_t>(count, ar.Remaining() / (2 + minBytes)));
}
}  // namespace detail

// A list of records of one class, written as a counted list of class-tagged objects.
template <class T> void SerializeList(Archive& ar, std::vector<T>& list, int listId = kOtherList)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(list.size()));
        for (auto& rec : list) {
            ar.WriteObjectTag(T::kClassName);
            rec.Serialize(ar);
        }
        return;
    }
    const std::uint32_t count = ar.ReadCount();
    list.reserve(list.size() + detail::SafeReserve(ar, count, T::kMinFileBytes));
    if (listId != kOtherList)
        ar.SetCopier(listId, [&list](std::uint32_t index) -> std::unique_ptr<CListRecord> {
            return index < list.size() ? std::make_unique<T>(list[index]) : nullptr;
        });
    for (std::uint32_t i = 0; i < count; ++i) {
        ObjectRef ref = ar.ReadObjectRef();
        if (ref.kind == ObjectRef::Kind::Null)
            continue;  // nothing to keep
        if (ref.className != T::kClassName) {
            if (!CreateRecord(ref.className))
                ar.Fail("unknown class " + Archive::Printable(ref.className));
            ar.Fail(ref.className + " where " + T::kClassName + " belongs");
        }
        if (ref.kind == ObjectRef::Kind::Known) {
            const Archive::Placed at = ar.PlacedObject(ref.number);
            if (at.list != listId || at.index >= list.size())
                ar.Fail("reference to an object of another list");
            ar.ChargeCopy(at.bytes);
            list.push_back(list[at.index]);
            continue;
        }
        detail::NoteClass(ar, ref);
        const std::uint64_t from = ar.Position();
        list.emplace_back();
        try {
            list.back().Serialize(ar);
        } catch (...) {
            list.pop_back();  // only whole records stay
            throw;
        }
        ar.NoteObject(ref.number, listId, static_cast<std::uint32_t>(list.size() - 1),
                      ar.Position() - from + sizeof(T));
    }
}

// A list that may hold records of any class.
inline void SerializeAnyList(Archive& ar, std::vector<std::unique_ptr<CListRecord>>& list,
                             int listId = kSpareList)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<std::uint32_t>(list.size()));
        for (auto& rec : list) {
            if (!rec) {
                ar.WriteNull();
                continue;
            }
            ar.WriteObjectTag(rec->ClassName());
            rec->Serialize(ar);
        }
        return;
    }
    const std::uint32_t count = ar.ReadCount();
    list.reserve(list.size() + detail::SafeReserve(ar, count, 8));
    ar.SetCopier(listId, [&list](std::uint32_t index) -> std::unique_ptr<CListRecord> {
        return index < list.size() ? list[index]->Clone() : nullptr;
    });
    for (std::uint32_t i = 0; i < count; ++i) {
        ObjectRef ref = ar.ReadObjectRef();
        if (ref.kind == ObjectRef::Kind::Null)
            continue;
        if (ref.kind == ObjectRef::Kind::Known) {
            // Any object read earlier, from whichever list it went to.
            list.push_back(ar.CopyOf(ar.PlacedObject(ref.number)));
            continue;
        }
        auto rec = CreateRecord(ref.className);
        if (!rec)
            ar.Fail("unknown class " + Archive::Printable(ref.className));
        detail::NoteClass(ar, ref);
        const std::uint64_t from = ar.Position();
        rec->Serialize(ar);
        list.push_back(std::move(rec));
        ar.NoteObject(ref.number, listId, static_cast<std::uint32_t>(list.size() - 1),
                      ar.Position() - from + detail::kLargestRecord);
    }
}

}  // namespace qor::data
